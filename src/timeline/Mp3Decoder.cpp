// Mp3Decoder: libmpg123 behind the few calls the audio layer needs.
#include "timeline/Mp3Decoder.h"

#include <mpg123.h>

#include <cstdio>
#include <mutex>

#include "timeline/TuneFile.h"

namespace {

// Layer III frames decoded ahead of a seek's target: a frame's data may
// begin up to 511 bytes back in the bit reservoir, which at the lowest bit
// rates is this many frames, and one more frame overlaps it.
const long kSeekPrerollFrames = 24;

using Cursor = FloatTuneDecoder::Cursor;

ssize_t ioRead(void* data, void* buffer, size_t bytes)
{
    return static_cast<ssize_t>(FloatTuneDecoder::readAt(*static_cast<Cursor*>(data), buffer, bytes));
}

off_t ioSeek(void* data, off_t offset, int whence)
{
    return static_cast<off_t>(FloatTuneDecoder::seekTo(*static_cast<Cursor*>(data), offset, whence));
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
    beginFile(std::move(file));
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_FORCE_FLOAT, 0.0);
    mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0.0);
    mpg123_param(handle_, MPG123_PREFRAMES, kSeekPrerollFrames, 0.0);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_replace_reader_handle(handle_, ioRead, ioSeek, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle_, cursor()) != MPG123_OK ||
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
    setFormat(static_cast<int>(rate), channels, static_cast<uint64_t>(length));
    return true;
}

void Mp3Decoder::close()
{
    if (handle_ != nullptr) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
    }
    handle_ = nullptr;
    endFile();
}

bool Mp3Decoder::seek(uint64_t frame)
{
    if (handle_ == nullptr || frame > totalFrames())
        return false;
    return mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET) == static_cast<off_t>(frame);
}

int Mp3Decoder::readFloats(int frames)
{
    const size_t frameBytes = sizeof(float) * static_cast<size_t>(channels());
    const size_t wanted = static_cast<size_t>(frames) * frameBytes;
    size_t done = 0;
    // A read may stop short of what was asked (at a frame's end); go on
    // until the stretch is full, the tune ends or the data cannot be decoded.
    while (done < wanted) {
        size_t got = 0;
        const int result = mpg123_read(handle_, reinterpret_cast<unsigned char*>(scratch()) + done, wanted - done,
                                       &got);
        done += got;
        if ((result != MPG123_OK && result != MPG123_NEW_FORMAT) || (got == 0 && result == MPG123_OK))
            break;
    }
    return static_cast<int>(done / frameBytes);
}
