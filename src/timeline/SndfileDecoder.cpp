// SndfileDecoder: libsndfile behind the few calls the audio layer needs.
#include "timeline/SndfileDecoder.h"

#include <sndfile.h>

#include <cctype>
#include <cstdio>

#include "timeline/TuneFile.h"

namespace {

// libsndfile 1.2 lands a few frames wrong when a seek targets the last Opus
// packet of a file; seeks into this many last frames go to its start and
// decode forward (two packets of the longest kind, 120 ms at 48 kHz).
const uint64_t kOpusTailFrames = 2 * 5760;

const char* const kFormatsRead = "not an Ogg Vorbis, Ogg Opus, FLAC, WAV or MP3 file";

using Cursor = FloatTuneDecoder::Cursor;

sf_count_t ioLength(void* data)
{
    return static_cast<sf_count_t>(static_cast<Cursor*>(data)->file->dataBytes());
}

sf_count_t ioSeek(sf_count_t offset, int whence, void* data)
{
    return FloatTuneDecoder::seekTo(*static_cast<Cursor*>(data), offset, whence);
}

sf_count_t ioRead(void* buffer, sf_count_t count, void* data)
{
    if (count <= 0)
        return 0;
    return static_cast<sf_count_t>(
        FloatTuneDecoder::readAt(*static_cast<Cursor*>(data), buffer, static_cast<size_t>(count)));
}

sf_count_t ioWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t ioTell(void* data)
{
    return static_cast<Cursor*>(data)->position;
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
    beginFile(std::move(file));
    SF_VIRTUAL_IO io{ioLength, ioSeek, ioRead, ioWrite, ioTell};
    SF_INFO info{};
    handle_ = sf_open_virtual(&io, SFM_READ, &info, cursor());
    if (handle_ == nullptr) {
        problem = describeOpenError(sf_error(nullptr), this->file());
        close();
        return false;
    }
    if (info.channels < 1 || info.channels > kMaxChannels) {
        problem = "unsupported channel count " + std::to_string(info.channels);
        close();
        return false;
    }
    if (info.samplerate <= 0 || info.frames < 0 || info.frames == SF_COUNT_MAX || !info.seekable) {
        problem = this->file().formatName() + " data of unknown length (is the file cut short?)";
        close();
        return false;
    }
    const int encoding = info.format & SF_FORMAT_SUBMASK;
    opus_ = encoding == SF_FORMAT_OPUS;
    integers_ = encoding == SF_FORMAT_PCM_S8 || encoding == SF_FORMAT_PCM_U8 || encoding == SF_FORMAT_PCM_16 ||
                encoding == SF_FORMAT_PCM_24 || encoding == SF_FORMAT_PCM_32;
    setFormat(info.samplerate, info.channels, static_cast<uint64_t>(info.frames));
    return true;
}

void SndfileDecoder::close()
{
    if (handle_ != nullptr)
        sf_close(handle_);
    handle_ = nullptr;
    endFile();
    opus_ = false;
    integers_ = false;
}

bool SndfileDecoder::seek(uint64_t frame)
{
    if (handle_ == nullptr || frame > totalFrames())
        return false;
    uint64_t at = frame;
    if (opus_ && totalFrames() - frame < kOpusTailFrames)
        at = totalFrames() > kOpusTailFrames ? totalFrames() - kOpusTailFrames : 0;
    return sf_seek(handle_, static_cast<sf_count_t>(at), SEEK_SET) == static_cast<sf_count_t>(at) &&
           skipFrames(static_cast<int>(frame - at));
}

// Integer PCM as libsndfile gives it, exactly (its floats of 16-bit FLAC are
// not the samples over 32768). Anything else is read as floats and converted
// by FloatTuneDecoder: libsndfile's own conversion of float data to 16 bits
// either leaves it unscaled or scales it to its loudest sample, which it
// finds by reading the whole file.
int SndfileDecoder::readInterleaved16(int16_t* samples, int frames)
{
    if (handle_ == nullptr || frames <= 0)
        return 0;
    if (integers_) {
        // libsndfile fills what it cannot read with zeros: the whole buffer is the caller's.
        const sf_count_t got = sf_readf_short(handle_, samples, frames);
        return got > 0 ? static_cast<int>(got) : 0;
    }
    const int done = FloatTuneDecoder::readInterleaved16(samples, frames);
    if (opus_)
        reorderFromVorbisOrder(samples, done, channels());
    return done;
}

int SndfileDecoder::readFloats(int frames)
{
    const sf_count_t got = sf_readf_float(handle_, scratch(), frames);
    return got > 0 ? static_cast<int>(got) : 0;
}
