// ImageSequenceWriter: PNG frames with libspng, and a WAV of the sound.
#include "export/ImageSequenceWriter.h"

#include <spng.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "export/WavFileWriter.h"
#include "timeline/TuneRangeReader.h"
#include "timeline/VorbisDecoder.h"

static const int kSoundChunkFrames = 4096;
// zlib's fastest level and every row filtered by its left neighbour (the
// "sub" filter): measured on the benchmark's 1280x720 plasma, a sixth of
// the time stb_image_write took at its default level, with files a quarter
// smaller (zlib's Huffman tables against stb's fixed ones); trying every
// filter on each row took three times as long for no smaller file. Frames
// are compressed on kMinWorkers to kMaxWorkers threads at once.
static const int kCompressionLevel = 1;
static const int kRowFilter = SPNG_FILTER_CHOICE_SUB;
static const int kMinWorkers = 4;
static const int kMaxWorkers = 8;

// Writes `width` x `height` RGBA pixels (bottom row first) to `file` as an
// RGB PNG (alpha is dropped, as in the video). Returns libspng's result (0: done).
static int encodePng(std::FILE* file, const uint8_t* rgba, int width, int height)
{
    spng_ctx* png = spng_ctx_new(SPNG_CTX_ENCODER);
    if (png == nullptr)
        return SPNG_EMEM;
    spng_ihdr header{};
    header.width = static_cast<uint32_t>(width);
    header.height = static_cast<uint32_t>(height);
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    int result = spng_set_png_file(png, file);
    if (result == 0)
        result = spng_set_ihdr(png, &header);
    if (result == 0)
        result = spng_set_option(png, SPNG_IMG_COMPRESSION_LEVEL, kCompressionLevel);
    if (result == 0)
        result = spng_set_option(png, SPNG_FILTER_CHOICE, kRowFilter);
    if (result == 0)
        result = spng_encode_image(png, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    // GL's rows run bottom up, PNG's top down: rows go in from the last one.
    const size_t rowPixels = static_cast<size_t>(width);
    std::vector<uint8_t> row(rowPixels * 3);
    for (int y = height - 1; y >= 0 && result == 0; --y) {
        const uint8_t* from = rgba + static_cast<size_t>(y) * rowPixels * 4;
        for (size_t x = 0; x < rowPixels; ++x) {
            row[3 * x] = from[4 * x];
            row[3 * x + 1] = from[4 * x + 1];
            row[3 * x + 2] = from[4 * x + 2];
        }
        result = spng_encode_row(png, row.data(), row.size());
    }
    spng_ctx_free(png);
    return result == SPNG_EOI ? 0 : result;
}

ImageSequenceWriter::~ImageSequenceWriter()
{
    discard();
}

bool ImageSequenceWriter::open(const ExportTarget& target, int width, int height, uint64_t firstNumber,
                               const ExportSound& sound, std::string& problem)
{
    discard();
    target_ = target;
    sound_ = sound;
    width_ = width;
    height_ = height;
    firstNumber_ = firstNumber;

    // Find out now, not after the first frame has rendered, whether the place is writable.
    const std::string probe = ExportTarget::temporaryPath(target.framePath(firstNumber));
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (file == nullptr) {
        problem = std::string("cannot write here: ") + std::strerror(errno);
        return false;
    }
    std::fclose(file);
    std::remove(probe.c_str());

    if (!sound.tunePath.empty()) {
        TuneRangeReader tune;
        std::string tuneProblem;
        if (!tune.open(sound.tunePath.c_str(), sound.firstFrame, sound.endFrame, tuneProblem)) {
            problem = sound.tunePath + ": " + tuneProblem;
            return false;
        }
    }
    return true;
}

int ImageSequenceWriter::concurrentFrames() const
{
    // At least as many threads as the video encoder has (VideoSettings), so
    // that on a busy machine an image sequence gets the share of the
    // processor a video export would.
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, kMinWorkers, kMaxWorkers);
}

void ImageSequenceWriter::notePending(const std::string& path)
{
    std::lock_guard<std::mutex> guard(filesLock_);
    pending_.insert(path);
}

void ImageSequenceWriter::noteWritten(const std::string& pending, const std::string& path)
{
    std::lock_guard<std::mutex> guard(filesLock_);
    pending_.erase(pending);
    written_.push_back(path);
}

bool ImageSequenceWriter::writeFrame(const uint8_t* rgba, uint64_t index, std::string& problem)
{
    const std::string path = target_.framePath(firstNumber_ + index);
    const std::string temporary = ExportTarget::temporaryPath(path);
    notePending(temporary);
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        problem = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const int encoded = encodePng(file, rgba, width_, height_);
    const bool closed = std::fclose(file) == 0;
    if (encoded != 0 || !closed) {
        problem = "cannot write " + path + ": " + (encoded != 0 ? spng_strerror(encoded) : std::strerror(errno));
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        problem = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    noteWritten(temporary, path);
    return true;
}

bool ImageSequenceWriter::writeSound(std::string& problem)
{
    TuneRangeReader tune;
    std::string tuneProblem;
    if (!tune.open(sound_.tunePath.c_str(), sound_.firstFrame, sound_.endFrame, tuneProblem)) {
        problem = sound_.tunePath + ": " + tuneProblem;
        return false;
    }
    const std::string path = target_.soundPath();
    const std::string temporary = ExportTarget::temporaryPath(path);
    notePending(temporary);
    WavFileWriter wav;
    std::string wavProblem;
    if (!wav.open(temporary, tune.sampleRate(), tune.channels(), VorbisDecoder::channelMask(tune.channels()),
                  wavProblem)) {
        problem = "cannot write " + path + ": " + wavProblem;
        return false;
    }
    std::vector<int16_t> samples(static_cast<size_t>(kSoundChunkFrames) * tune.channels());
    while (tune.framesLeft() > 0) {
        const int count = tune.read(samples.data(), kSoundChunkFrames);
        if (!wav.write(samples.data(), count, wavProblem)) {
            problem = "cannot write " + path + ": " + wavProblem;
            return false;
        }
    }
    if (!wav.finish(wavProblem) || std::rename(temporary.c_str(), path.c_str()) != 0) {
        problem = "cannot write " + path + ": " + (wavProblem.empty() ? std::strerror(errno) : wavProblem);
        return false;
    }
    noteWritten(temporary, path);
    return true;
}

bool ImageSequenceWriter::finish(std::string& problem)
{
    if (!sound_.tunePath.empty() && !writeSound(problem)) {
        discard();
        return false;
    }
    std::lock_guard<std::mutex> guard(filesLock_);
    written_.clear(); // complete: nothing to take back any more
    return true;
}

void ImageSequenceWriter::discard()
{
    std::lock_guard<std::mutex> guard(filesLock_);
    for (const std::string& path : pending_)
        std::remove(path.c_str());
    pending_.clear();
    for (const std::string& path : written_)
        std::remove(path.c_str());
    written_.clear();
}
