// FloatTuneDecoder: 16-bit and mono frames from a library's float frames.
#include "timeline/FloatTuneDecoder.h"

#include <cstdio>

#include "timeline/TuneFile.h"

size_t FloatTuneDecoder::readAt(Cursor& cursor, void* buffer, size_t bytes)
{
    if (cursor.position < 0)
        return 0;
    const size_t got = cursor.file->readAt(static_cast<uint64_t>(cursor.position), buffer, bytes);
    cursor.position += static_cast<int64_t>(got);
    return got;
}

int64_t FloatTuneDecoder::seekTo(Cursor& cursor, int64_t offset, int whence)
{
    const int64_t end = static_cast<int64_t>(cursor.file->dataBytes());
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? cursor.position : end;
    if (base + offset < 0)
        return -1;
    cursor.position = base + offset;
    return cursor.position;
}

void FloatTuneDecoder::beginFile(std::shared_ptr<TuneFile> file)
{
    endFile();
    file_ = std::move(file);
    cursor_ = Cursor{file_.get(), 0};
}

void FloatTuneDecoder::setFormat(int sampleRate, int channels, uint64_t totalFrames)
{
    sampleRate_ = sampleRate;
    channels_ = channels;
    totalFrames_ = totalFrames;
    scratch_.assign(static_cast<size_t>(kScratchFrames) * static_cast<size_t>(channels), 0.0f);
}

void FloatTuneDecoder::endFile()
{
    file_.reset();
    cursor_ = Cursor{};
    sampleRate_ = 0;
    channels_ = 0;
    totalFrames_ = 0;
}

int FloatTuneDecoder::readInterleaved16(int16_t* samples, int frames)
{
    if (channels_ == 0)
        return 0;
    const size_t channels = static_cast<size_t>(channels_);
    return readInStretches(
        frames, kScratchFrames, [this](int count) { return readFloats(count); },
        [&](int done, int got) {
            floatsTo16(scratch(), samples + static_cast<size_t>(done) * channels, static_cast<size_t>(got) * channels);
        });
}

int FloatTuneDecoder::readMono(float* samples, int frames)
{
    if (channels_ == 0)
        return 0;
    return readInStretches(
        frames, kScratchFrames, [this](int count) { return readFloats(count); },
        [&](int done, int got) { mixToMono(scratch(), samples + done, got, channels_); });
}

bool FloatTuneDecoder::skipFrames(int frames)
{
    return readInStretches(
               frames, kScratchFrames, [this](int count) { return readFloats(count); }, [](int, int) {}) == frames;
}
