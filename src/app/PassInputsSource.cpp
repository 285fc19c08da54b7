// Following frames for their pass inputs. Main thread.
#include "app/PassInputsSource.h"

#include <chrono>
#include <ctime>

namespace {

// How much of each new frame's rate goes into the shown frame rate.
constexpr double kRateWeight = 0.1;

// Local date and time: year, month (0..11), day (1..31), seconds since midnight.
void localDate(float date[4])
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    // The main thread is the only one that asks for local time.
    const std::tm local = *std::localtime(&seconds);
    const double fraction =
        std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(seconds)).count();
    date[0] = static_cast<float>(local.tm_year + 1900);
    date[1] = static_cast<float>(local.tm_mon);
    date[2] = static_cast<float>(local.tm_mday);
    date[3] = static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + fraction);
}

} // namespace

PassInputs PassInputsSource::playedFrame(double seconds, uint64_t seekCount, double wallSeconds)
{
    PassInputs inputs;
    if (!started_ || seekCount != epoch_) {
        // A seek starts the count again, as feedback passes start black again.
        started_ = true;
        epoch_ = seekCount;
        frameNumber_ = 0;
    } else {
        if (seconds != seconds_) {
            ++frameNumber_;
            inputs.deltaSeconds = seconds - seconds_;
        }
        const double wallStep = wallSeconds - wallSeconds_;
        if (wallStep > 0.0) {
            const double rate = 1.0 / wallStep;
            framesPerSecond_ = framesPerSecond_ > 0.0 ? framesPerSecond_ + kRateWeight * (rate - framesPerSecond_)
                                                      : rate;
        }
    }
    seconds_ = seconds;
    wallSeconds_ = wallSeconds;
    inputs.frameNumber = frameNumber_;
    inputs.epoch = epoch_;
    inputs.framesPerSecond = framesPerSecond_;
    localDate(inputs.date);
    return inputs;
}

void PassInputsSource::continueFrom(uint64_t number, double seconds, uint64_t epoch, double wallSeconds)
{
    started_ = true;
    frameNumber_ = number;
    seconds_ = seconds;
    epoch_ = epoch;
    wallSeconds_ = wallSeconds;
}

PassInputs PassInputsSource::exportedFrame(uint64_t number, int fps)
{
    PassInputs inputs;
    inputs.frameNumber = number;
    inputs.deltaSeconds = 1.0 / fps;
    inputs.framesPerSecond = fps;
    inputs.date[3] = static_cast<float>(static_cast<double>(number) / fps);
    return inputs;
}

void PassInputsSource::addSpectrum(PassInputs& inputs, const float* magnitudes, const float* smoothed, double seconds)
{
    inputs.spectrum.magnitudes = magnitudes;
    if (smoothed == nullptr)
        return;
    integral_.add(seconds, inputs.epoch, smoothed);
    inputs.spectrum.smoothed = smoothed;
    inputs.spectrum.integrated = integral_.sums();
}
