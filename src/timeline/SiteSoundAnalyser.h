// SiteSoundAnalyser: the sound texture of the shader sites, computed as a
// browser's audio analyser computes it, from blocks of mono samples.
//
// One analyser frame takes the kFftFrames samples that end at the moment
// heard, weights them with a Blackman window (alpha 0.16), transforms them
// with a real FFT and divides by kFftFrames; each bin's magnitude is then
// smoothed with the frames before: smoothed = kSmoothing x previous +
// (1 - kSmoothing) x magnitude. The texture's first row is the first
// kTextureWidth smoothed bins in decibels, mapped from kMinDecibels ..
// kMaxDecibels to 0..255 (floor, clamped); its second row is the last
// kTextureWidth samples, mapped from -1..1 to 0..255 as 128 x (1 + sample)
// (floor, clamped). Bin k covers k / kFftFrames of the sample rate.
//
// A sine of peak amplitude A centred on a bin reads 0.21 x A there before
// the decibels (the window's mean, 0.42, halved between the bin and its
// mirror): a full-scale sine lies above kMaxDecibels, the texture's top.
//
// Owns its FFT set-up and buffers, made once; analyse() allocates nothing.
// Pure; one thread at a time (TuneSiteSound's caller).
#pragma once

#include <cstdint>
#include <vector>

#include <kiss_fftr.h>

class SiteSoundAnalyser {
public:
    static constexpr int kFftFrames = 2048;        // samples per analyser frame
    static constexpr int kBins = kFftFrames / 2;   // smoothed magnitudes kept
    static constexpr int kTextureWidth = 512;      // texels per row of the texture
    static constexpr int kTextureRows = 2;         // spectrum, waveform
    static constexpr float kSmoothing = 0.8f;      // weight of the previous frame
    static constexpr float kMinDecibels = -100.0f; // reads 0
    static constexpr float kMaxDecibels = -30.0f;  // reads 255

    SiteSoundAnalyser();
    ~SiteSoundAnalyser();
    SiteSoundAnalyser(const SiteSoundAnalyser&) = delete;
    SiteSoundAnalyser& operator=(const SiteSoundAnalyser&) = delete;

    // Forgets the frames before: the next frame is smoothed with silence.
    void reset();
    // One analyser frame of the kFftFrames `samples` ending at the moment.
    void analyse(const float* samples);
    // The texture (kTextureWidth x kTextureRows bytes, row 0 first): the
    // smoothed spectrum as it stands, and the waveform of the last
    // kTextureWidth of the kFftFrames `samples`.
    void textureRows(const float* samples, uint8_t* rows) const;

    // kBins smoothed magnitudes.
    const float* smoothed() const { return smoothed_.data(); }

    // A smoothed magnitude as the texture's byte.
    static uint8_t levelByte(float magnitude);
    // A sample as the waveform row's byte.
    static uint8_t waveformByte(float sample);

private:
    kiss_fftr_cfg fft_;
    std::vector<float> window_;          // Blackman weights, kFftFrames
    std::vector<float> weighted_;        // windowed input, kFftFrames
    std::vector<kiss_fft_cpx> spectrum_; // kBins + 1 complex values
    std::vector<float> smoothed_;        // kBins
};
