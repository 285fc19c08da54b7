// Mp3Decoder: libmpg123 behind the few calls the audio layer needs.
#include "timeline/Mp3Decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "timeline/TuneFile.h"

namespace {

// Frames of scratch space: reads decode in stretches of this many.
const int kScratchFrames = 1152;

// Layer III frames decoded ahead of a seek's target: a frame's data may
// begin up to 511 bytes back in the bit reservoir, which at the lowest bit
// rates is this many frames, and one more frame overlaps it.
const long kSeekPrerollFrames = 24;

ssize_t ioRead(void* data, void* buffer, size_t bytes)
{
    auto* cursor = static_cast<Mp3Decoder::Cursor*>(data);
    if (cursor->position < 0)
        return -1;
    const size_t got = cursor->file->readAt(static_cast<uint64_t>(cursor->position), buffer, bytes);
    cursor->position += static_cast<int64_t>(got);
    return static_cast<ssize_t>(got);
}

off_t ioSeek(void* data, off_t offset, int whence)
{
    auto* cursor = static_cast<Mp3Decoder::Cursor*>(data);
    const int64_t end = static_cast<int64_t>(cursor->file->dataBytes());
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? cursor->position : end;
    const int64_t target = base + static_cast<int64_t>(offset);
    if (target < 0)
        return -1;
    cursor->position = target;
    return static_cast<off_t>(target);
}

// libmpg123 before 1.27 must be set up once per process.
bool initialiseLibrary()
{
    static std::once_flag once;
    static int result = MPG123_ERR;
    std::call_once(once, [] { result = mpg123_init(); });
    return result == MPG123_OK;
}

} // namespace

Mp3Decoder::~Mp3Decoder()
{
    close();
}

bool Mp3Decoder::open(std::shared_ptr<TuneFile> file, std::string& problem)
{
    close();
    if (!file) {
        problem = "no file";
        return false;
    }
    int error = MPG123_OK;
    handle_ = initialiseLibrary() ? mpg123_new(nullptr, &error) : nullptr;
    if (handle_ == nullptr) {
        problem = "the MP3 decoder cannot start";
        return false;
    }
    file_ = std::move(file);
    cursor_ = Cursor{file_.get(), 0};
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_FORCE_FLOAT, 0.0);
    mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0.0);
    mpg123_param(handle_, MPG123_PREFRAMES, kSeekPrerollFrames, 0.0);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_replace_reader_handle(handle_, ioRead, ioSeek, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle_, &cursor_) != MPG123_OK ||
        mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK) {
        problem = "damaged or unsupported MP3 data";
        close();
        return false;
    }
    if (channels < 1 || channels > kMaxChannels) {
        problem = "unsupported channel count " + std::to_string(channels);
        close();
        return false;
    }
    // One format for the whole file; the scan indexes every frame for exact
    // seeks and counts the samples.
    mpg123_format_none(handle_);
    if (mpg123_format(handle_, rate, channels, MPG123_ENC_FLOAT_32) != MPG123_OK || mpg123_scan(handle_) != MPG123_OK) {
        problem = "damaged or unsupported MP3 data";
        close();
        return false;
    }
    const off_t length = mpg123_length(handle_);
    if (length < 0 || rate <= 0 || mpg123_seek(handle_, 0, SEEK_SET) != 0) {
        problem = "MP3 data of unknown length";
        close();
        return false;
    }
    sampleRate_ = static_cast<int>(rate);
    channels_ = channels;
    totalFrames_ = static_cast<uint64_t>(length);
    scratch_.assign(static_cast<size_t>(kScratchFrames) * static_cast<size_t>(channels_), 0.0f);
    return true;
}

void Mp3Decoder::close()
{
    if (handle_ != nullptr) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
    }
    handle_ = nullptr;
    file_.reset();
    sampleRate_ = 0;
    channels_ = 0;
    totalFrames_ = 0;
}

bool Mp3Decoder::seek(uint64_t frame)
{
    if (handle_ == nullptr || frame > totalFrames_)
        return false;
    return mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET) == static_cast<off_t>(frame);
}

int Mp3Decoder::readFloats(int frames)
{
    const size_t frameBytes = sizeof(float) * static_cast<size_t>(channels_);
    size_t done = 0;
    // A read may stop short of what was asked (at a frame's end); go on
    // until the stretch is full, the tune ends or the data cannot be decoded.
    while (done < static_cast<size_t>(frames) * frameBytes) {
        size_t got = 0;
        const int result = mpg123_read(handle_, reinterpret_cast<unsigned char*>(scratch_.data()) + done,
                                       static_cast<size_t>(frames) * frameBytes - done, &got);
        done += got;
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            break;
        if (got == 0 && result == MPG123_OK)
            break;
    }
    return static_cast<int>(done / frameBytes);
}

int Mp3Decoder::readInterleaved16(int16_t* samples, int frames)
{
    if (handle_ == nullptr)
        return 0;
    int done = 0;
    while (done < frames) {
        const int step = std::min(frames - done, kScratchFrames);
        const int got = readFloats(step);
        if (got <= 0)
            break;
        floatsTo16(scratch_.data(), samples + static_cast<size_t>(done) * static_cast<size_t>(channels_),
                   static_cast<size_t>(got) * static_cast<size_t>(channels_));
        done += got;
        if (got < step)
            break;
    }
    return done;
}

int Mp3Decoder::readMono(float* samples, int frames)
{
    if (handle_ == nullptr)
        return 0;
    int done = 0;
    while (done < frames) {
        const int step = std::min(frames - done, kScratchFrames);
        const int got = readFloats(step);
        if (got <= 0)
            break;
        mixToMono(scratch_.data(), samples + done, got, channels_);
        done += got;
        if (got < step)
            break;
    }
    return done;
}
