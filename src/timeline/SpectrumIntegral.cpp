// SpectrumIntegral: the smoothed spectrum summed over time. Pure.
#include "timeline/SpectrumIntegral.h"

#include <algorithm>

void SpectrumIntegral::add(double seconds, uint64_t epoch, const float* smoothed)
{
    if (!started_ || epoch != epoch_) {
        std::fill(sums_.begin(), sums_.end(), 0.0f);
        started_ = true;
        epoch_ = epoch;
        seconds_ = seconds;
        return;
    }
    const double step = seconds - seconds_;
    seconds_ = seconds;
    if (!(step > 0.0 && step <= 1.0))
        return;
    for (int bin = 0; bin < kBins; ++bin)
        sums_[bin] += smoothed[bin] * static_cast<float>(step);
}
