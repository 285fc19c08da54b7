// ImageSequenceWriter: PNG frames (PngEncoder) on the export's worker
// threads, and a WAV of the sound.
#include "export/ImageSequenceWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "export/WavFileWriter.h"
#include "timeline/TuneRangeReader.h"
#include "timeline/TuneDecoder.h"

static const int kSoundChunkFrames = 4096;
// Frames are compressed on as many threads as the machine has cores, at
// least two, so that one compresses while the next frame is drawn.
static const int kMinWorkers = 2;
static const int kMaxWorkers = 8;

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
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, kMinWorkers, kMaxWorkers);
}

std::unique_ptr<PngEncoder> ImageSequenceWriter::takeEncoder()
{
    std::lock_guard<std::mutex> guard(encodersLock_);
    if (idleEncoders_.empty())
        return std::make_unique<PngEncoder>();
    std::unique_ptr<PngEncoder> encoder = std::move(idleEncoders_.back());
    idleEncoders_.pop_back();
    return encoder;
}

void ImageSequenceWriter::giveBack(std::unique_ptr<PngEncoder> encoder)
{
    std::lock_guard<std::mutex> guard(encodersLock_);
    idleEncoders_.push_back(std::move(encoder));
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
    std::unique_ptr<PngEncoder> encoder = takeEncoder();
    const bool encoded = encoder->write(file, rgba, width_, height_);
    const int encodeError = errno;
    giveBack(std::move(encoder));
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed) {
        problem = "cannot write " + path + ": " + std::strerror(encoded ? errno : encodeError);
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
    if (!wav.open(temporary, tune.sampleRate(), tune.channels(), TuneDecoder::channelMask(tune.channels()),
                  wavProblem)) {
        problem = "cannot write " + path + ": " + wavProblem;
        return false;
    }
    std::vector<int16_t> samples(static_cast<size_t>(kSoundChunkFrames) * tune.channels());
    while (tune.framesLeft() > 0) {
        const int count = tune.read(samples.data(), kSoundChunkFrames);
        if (!tune.damage().empty()) {
            problem = sound_.tunePath + ": " + tune.damage() + "; nothing was written";
            return false;
        }
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
