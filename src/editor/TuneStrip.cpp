// The tune's level per row, on a worker thread.
#include "editor/TuneStrip.h"

#include <algorithm>
#include <cmath>

#include "timeline/TuneDecoder.h"
#include "timeline/TuneFile.h"

TuneStrip::~TuneStrip()
{
    stop();
}

void TuneStrip::stop()
{
    cancelled_.store(true);
    if (worker_.joinable())
        worker_.join();
    cancelled_.store(false);
}

void TuneStrip::start(const std::string& path, double rowsPerSecond)
{
    if (worker_.joinable() && path == path_ && rowsPerSecond == rowsPerSecond_)
        return;
    stop();
    path_ = path;
    rowsPerSecond_ = rowsPerSecond;
    ready_.store(false);
    worker_ = std::thread([this] { compute(); });
}

void TuneStrip::compute()
{
    peaks_.clear();
    levels_.clear();
    endRow_ = 0.0;
    loudest_ = 1e-6f;
    problem_.clear();
    std::unique_ptr<TuneDecoder> decoder;
    std::shared_ptr<TuneFile> file = TuneFile::open(path_.c_str(), problem_);
    if (file && (decoder = file->openDecoder(problem_)) && rowsPerSecond_ > 0.0) {
        const double framesPerRow = decoder->sampleRate() / rowsPerSecond_;
        endRow_ = static_cast<double>(decoder->totalFrames()) / framesPerRow;
        std::vector<float> samples(4096);
        uint64_t frame = 0;
        double sumSquares = 0.0;
        float peak = 0.0f;
        size_t rowFrames = 0;
        int got = 0;
        while (!cancelled_.load(std::memory_order_relaxed) &&
               (got = decoder->readMono(samples.data(), static_cast<int>(samples.size()))) > 0) {
            for (int i = 0; i < got; ++i, ++frame) {
                const size_t row = static_cast<size_t>(static_cast<double>(frame) / framesPerRow);
                if (row != peaks_.size() && rowFrames > 0) {
                    peaks_.push_back(peak);
                    loudest_ = std::max(loudest_, peak);
                    levels_.push_back(static_cast<float>(std::sqrt(sumSquares / static_cast<double>(rowFrames))));
                    sumSquares = 0.0;
                    peak = 0.0f;
                    rowFrames = 0;
                }
                const float s = samples[static_cast<size_t>(i)];
                peak = std::max(peak, std::fabs(s));
                sumSquares += static_cast<double>(s) * s;
                ++rowFrames;
            }
        }
        if (rowFrames > 0) {
            peaks_.push_back(peak);
            levels_.push_back(static_cast<float>(std::sqrt(sumSquares / static_cast<double>(rowFrames))));
        }
    } else if (problem_.empty()) {
        problem_ = "no tempo";
    }
    ready_.store(true, std::memory_order_release);
}
