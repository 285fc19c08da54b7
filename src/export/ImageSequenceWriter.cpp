// ImageSequenceWriter: PNG frames with stb_image_write, and a WAV of the sound.
#include "export/ImageSequenceWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

#include "export/WavFileWriter.h"
#include "timeline/TuneRangeReader.h"

static const int kSoundChunkFrames = 4096;

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
    rgb_.assign(static_cast<size_t>(width) * height * 3, 0);

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

bool ImageSequenceWriter::writeFrame(const uint8_t* rgba, uint64_t index, std::string& problem)
{
    // GL's rows run bottom up, PNG's top down; alpha is dropped as in the video.
    const size_t rowPixels = static_cast<size_t>(width_);
    for (int y = 0; y < height_; ++y) {
        const uint8_t* from = rgba + static_cast<size_t>(height_ - 1 - y) * rowPixels * 4;
        uint8_t* to = rgb_.data() + static_cast<size_t>(y) * rowPixels * 3;
        for (size_t x = 0; x < rowPixels; ++x) {
            to[3 * x] = from[4 * x];
            to[3 * x + 1] = from[4 * x + 1];
            to[3 * x + 2] = from[4 * x + 2];
        }
    }
    const std::string path = target_.framePath(firstNumber_ + index);
    pending_ = ExportTarget::temporaryPath(path);
    if (stbi_write_png(pending_.c_str(), width_, height_, 3, rgb_.data(), width_ * 3) == 0) {
        problem = "cannot write " + path;
        return false;
    }
    if (std::rename(pending_.c_str(), path.c_str()) != 0) {
        problem = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    pending_.clear();
    written_.push_back(path);
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
    pending_ = ExportTarget::temporaryPath(path);
    WavFileWriter wav;
    std::string wavProblem;
    if (!wav.open(pending_, tune.sampleRate(), tune.channels(), wavProblem)) {
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
    if (!wav.finish(wavProblem) || std::rename(pending_.c_str(), path.c_str()) != 0) {
        problem = "cannot write " + path + ": " + (wavProblem.empty() ? std::strerror(errno) : wavProblem);
        return false;
    }
    pending_.clear();
    written_.push_back(path);
    return true;
}

bool ImageSequenceWriter::finish(std::string& problem)
{
    if (!sound_.tunePath.empty() && !writeSound(problem)) {
        discard();
        return false;
    }
    written_.clear(); // complete: nothing to take back any more
    return true;
}

void ImageSequenceWriter::discard()
{
    if (!pending_.empty())
        std::remove(pending_.c_str());
    pending_.clear();
    for (const std::string& path : written_)
        std::remove(path.c_str());
    written_.clear();
}
