// SpectrumAnalyzer: Hann window, real FFT, magnitudes. See the header for the scale.
#include "timeline/SpectrumAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

SpectrumAnalyzer::SpectrumAnalyzer()
    : fft_(kiss_fftr_alloc(kFrames, 0, nullptr, nullptr)), window_(kFrames), weighted_(kFrames), spectrum_(kBins + 1)
{
    const double pi = std::acos(-1.0);
    for (int i = 0; i < kFrames; ++i)
        window_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * pi * i / kFrames));
}

SpectrumAnalyzer::~SpectrumAnalyzer()
{
    kiss_fftr_free(fft_);
}

void SpectrumAnalyzer::analyze(const float* samples, float* magnitudes)
{
    if (fft_ == nullptr) { // the set-up could not get its memory
        std::fill(magnitudes, magnitudes + kBins, 0.0f);
        return;
    }
    for (int i = 0; i < kFrames; ++i)
        weighted_[i] = samples[i] * window_[i];
    kiss_fftr(fft_, weighted_.data(), spectrum_.data());

    // The periodic Hann window sums to kFrames / 2. A sine's energy is split
    // between bin k and its mirror image, so its bin holds A * sum / 2;
    // the mean level lands in bin 0 alone.
    const float sineScale = 4.0f / kFrames;
    const float meanScale = 2.0f / kFrames;
    magnitudes[0] = std::fabs(spectrum_[0].r) * meanScale;
    for (int k = 1; k < kBins; ++k)
        magnitudes[k] = std::hypot(spectrum_[k].r, spectrum_[k].i) * sineScale;
}
