// SiteSoundAnalyser: Blackman window, FFT, smoothing and the byte mappings.
#include "timeline/SiteSoundAnalyser.h"

#include <algorithm>
#include <cmath>

SiteSoundAnalyser::SiteSoundAnalyser()
    : fft_(kiss_fftr_alloc(kFftFrames, 0, nullptr, nullptr)), window_(kFftFrames), weighted_(kFftFrames),
      spectrum_(kBins + 1), smoothed_(kBins, 0.0f)
{
    const double pi = std::acos(-1.0);
    const double alpha = 0.16;
    for (int i = 0; i < kFftFrames; ++i) {
        const double phase = 2.0 * pi * i / kFftFrames;
        window_[i] = static_cast<float>((1.0 - alpha) / 2.0 - 0.5 * std::cos(phase) +
                                        alpha / 2.0 * std::cos(2.0 * phase));
    }
}

SiteSoundAnalyser::~SiteSoundAnalyser()
{
    kiss_fftr_free(fft_);
}

void SiteSoundAnalyser::reset()
{
    std::fill(smoothed_.begin(), smoothed_.end(), 0.0f);
}

void SiteSoundAnalyser::analyse(const float* samples)
{
    if (fft_ == nullptr) // the set-up could not get its memory
        return;
    for (int i = 0; i < kFftFrames; ++i)
        weighted_[i] = samples[i] * window_[i];
    kiss_fftr(fft_, weighted_.data(), spectrum_.data());
    const float scale = 1.0f / kFftFrames;
    for (int k = 0; k < kBins; ++k) {
        const float magnitude = std::hypot(spectrum_[k].r, spectrum_[k].i) * scale;
        const float next = kSmoothing * smoothed_[k] + (1.0f - kSmoothing) * magnitude;
        smoothed_[k] = std::isfinite(next) ? next : 0.0f;
    }
}

void SiteSoundAnalyser::textureRows(const float* samples, uint8_t* rows) const
{
    for (int k = 0; k < kTextureWidth; ++k)
        rows[k] = levelByte(smoothed_[k]);
    const float* last = samples + (kFftFrames - kTextureWidth);
    for (int i = 0; i < kTextureWidth; ++i)
        rows[kTextureWidth + i] = waveformByte(last[i]);
}

uint8_t SiteSoundAnalyser::levelByte(float magnitude)
{
    if (!(magnitude > 0.0f))
        return 0;
    const double decibels = 20.0 * std::log10(static_cast<double>(magnitude));
    const double scaled = std::floor(255.0 * (decibels - kMinDecibels) / (kMaxDecibels - kMinDecibels));
    return static_cast<uint8_t>(std::clamp(scaled, 0.0, 255.0));
}

uint8_t SiteSoundAnalyser::waveformByte(float sample)
{
    const double scaled = std::floor(128.0 * (1.0 + static_cast<double>(sample)));
    return static_cast<uint8_t>(std::clamp(std::isfinite(scaled) ? scaled : 128.0, 0.0, 255.0));
}
