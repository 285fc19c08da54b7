// SndfileDecoder: libsndfile behind the few calls the audio layer needs.
#include "timeline/SndfileDecoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "timeline/TuneFile.h"

namespace {

// Frames of scratch space: readMono() decodes in stretches of this many.
const int kScratchFrames = 1024;

// libsndfile 1.2 lands a few frames wrong when a seek targets the last Opus
// packet of a file; seeks into this many last frames go to its start and
// decode forward (two packets of the longest kind, 120 ms at 48 kHz).
const uint64_t kOpusTailFrames = 2 * 5760;

const char* const kFormatsRead = "not an Ogg Vorbis, Ogg Opus, FLAC, WAV or MP3 file";

sf_count_t ioLength(void* data)
{
    return static_cast<sf_count_t>(static_cast<SndfileDecoder::Cursor*>(data)->file->dataBytes());
}

sf_count_t ioSeek(sf_count_t offset, int whence, void* data)
{
    auto* cursor = static_cast<SndfileDecoder::Cursor*>(data);
    const int64_t end = static_cast<int64_t>(cursor->file->dataBytes());
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? cursor->position : end;
    const int64_t target = base + offset;
    if (target < 0)
        return -1;
    cursor->position = target;
    return target;
}

sf_count_t ioRead(void* buffer, sf_count_t count, void* data)
{
    auto* cursor = static_cast<SndfileDecoder::Cursor*>(data);
    if (count <= 0 || cursor->position < 0)
        return 0;
    const size_t got = cursor->file->readAt(static_cast<uint64_t>(cursor->position), buffer,
                                            static_cast<size_t>(count));
    cursor->position += static_cast<int64_t>(got);
    return static_cast<sf_count_t>(got);
}

sf_count_t ioWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t ioTell(void* data)
{
    return static_cast<SndfileDecoder::Cursor*>(data)->position;
}

// Why libsndfile refused the file, in the player's words.
std::string describeOpenError(int error, const TuneFile& file)
{
    if (error == SF_ERR_UNRECOGNISED_FORMAT)
        return file.formatName() == "audio" ? kFormatsRead : "damaged or unsupported " + file.formatName() + " data";
    std::string text = sf_error_number(error);
    while (!text.empty() && (text.back() == '.' || text.back() == '\n'))
        text.pop_back();
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return file.formatName() + " data that cannot be decoded: " + text;
}

} // namespace

SndfileDecoder::~SndfileDecoder()
{
    close();
}

bool SndfileDecoder::open(std::shared_ptr<TuneFile> file, std::string& problem)
{
    close();
    if (!file) {
        problem = "no file";
        return false;
    }
    file_ = std::move(file);
    cursor_ = Cursor{file_.get(), 0};
    SF_VIRTUAL_IO io{ioLength, ioSeek, ioRead, ioWrite, ioTell};
    SF_INFO info{};
    handle_ = sf_open_virtual(&io, SFM_READ, &info, &cursor_);
    if (handle_ == nullptr) {
        problem = describeOpenError(sf_error(nullptr), *file_);
        file_.reset();
        return false;
    }
    if (info.channels < 1 || info.channels > kMaxChannels) {
        problem = "unsupported channel count " + std::to_string(info.channels);
        close();
        return false;
    }
    if (info.samplerate <= 0 || info.frames < 0 || info.frames == SF_COUNT_MAX || !info.seekable) {
        problem = file_->formatName() + " data of unknown length (is the file cut short?)";
        close();
        return false;
    }
    sampleRate_ = info.samplerate;
    channels_ = info.channels;
    totalFrames_ = static_cast<uint64_t>(info.frames);
    const int encoding = info.format & SF_FORMAT_SUBMASK;
    opus_ = encoding == SF_FORMAT_OPUS;
    integers_ = encoding == SF_FORMAT_PCM_S8 || encoding == SF_FORMAT_PCM_U8 || encoding == SF_FORMAT_PCM_16 ||
                encoding == SF_FORMAT_PCM_24 || encoding == SF_FORMAT_PCM_32;
    scratch_.assign(static_cast<size_t>(kScratchFrames) * static_cast<size_t>(channels_), 0.0f);
    return true;
}

void SndfileDecoder::close()
{
    if (handle_ != nullptr)
        sf_close(handle_);
    handle_ = nullptr;
    file_.reset();
    sampleRate_ = 0;
    channels_ = 0;
    totalFrames_ = 0;
    opus_ = false;
    integers_ = false;
}

bool SndfileDecoder::seek(uint64_t frame)
{
    if (handle_ == nullptr || frame > totalFrames_)
        return false;
    uint64_t at = frame;
    if (opus_ && totalFrames_ - frame < kOpusTailFrames)
        at = totalFrames_ > kOpusTailFrames ? totalFrames_ - kOpusTailFrames : 0;
    if (sf_seek(handle_, static_cast<sf_count_t>(at), SEEK_SET) != static_cast<sf_count_t>(at))
        return false;
    while (at < frame) {
        const sf_count_t step = static_cast<sf_count_t>(std::min<uint64_t>(frame - at, kScratchFrames));
        const sf_count_t got = sf_readf_float(handle_, scratch_.data(), step);
        if (got <= 0)
            return false;
        at += static_cast<uint64_t>(got);
    }
    return true;
}

// Integer PCM as libsndfile gives it, exactly (its floats of 16-bit FLAC are
// not the samples over 32768). Anything else is read as floats and converted
// here: libsndfile's own conversion of float data to 16 bits either leaves
// it unscaled or scales it to its loudest sample, which it finds by reading
// the whole file.
int SndfileDecoder::readInterleaved16(int16_t* samples, int frames)
{
    if (handle_ == nullptr || frames <= 0)
        return 0;
    if (integers_) {
        // libsndfile fills what it cannot read with zeros: the whole buffer is the caller's.
        const sf_count_t got = sf_readf_short(handle_, samples, frames);
        return got > 0 ? static_cast<int>(got) : 0;
    }
    int done = 0;
    while (done < frames) {
        const sf_count_t step = std::min(frames - done, kScratchFrames);
        const sf_count_t got = sf_readf_float(handle_, scratch_.data(), step);
        if (got <= 0)
            break;
        floatsTo16(scratch_.data(), samples + static_cast<size_t>(done) * static_cast<size_t>(channels_),
                   static_cast<size_t>(got) * static_cast<size_t>(channels_));
        done += static_cast<int>(got);
        if (got < step)
            break;
    }
    if (opus_)
        reorderFromVorbisOrder(samples, done, channels_);
    return done;
}

int SndfileDecoder::readMono(float* samples, int frames)
{
    if (handle_ == nullptr)
        return 0;
    int done = 0;
    while (done < frames) {
        const sf_count_t step = std::min(frames - done, kScratchFrames);
        const sf_count_t got = sf_readf_float(handle_, scratch_.data(), step);
        if (got <= 0)
            break;
        mixToMono(scratch_.data(), samples + done, static_cast<int>(got), channels_);
        done += static_cast<int>(got);
        if (got < step)
            break;
    }
    return done;
}
