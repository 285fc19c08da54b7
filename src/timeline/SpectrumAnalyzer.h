// SpectrumAnalyzer: magnitudes of one block of mono samples, for the frame
// loop's spectrum value.
//
// A block of kFrames samples is weighted with a periodic Hann window and
// transformed with a real FFT (kissfft). Bin k covers k / kFrames of the
// sample rate. Scale: a sine of peak amplitude A centred on bin k reads A in
// bin k (so a full-scale sine reads about 1.0; between bin centres a little
// less, down to 0.85 halfway); bin 0 reads the block's mean level. The
// Nyquist bin is not returned.
//
// Owns its FFT set-up and scratch buffers, made once; analyze() allocates
// nothing. One thread at a time (TuneSpectrum's caller).
#pragma once

#include <kiss_fftr.h>

#include <vector>

class SpectrumAnalyzer {
public:
    static constexpr int kFrames = 4096;      // samples per block
    static constexpr int kBins = kFrames / 2; // magnitudes per block

    SpectrumAnalyzer();
    ~SpectrumAnalyzer();
    SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
    SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;

    // Reads kFrames samples from `samples`, writes kBins magnitudes to `magnitudes`.
    void analyze(const float* samples, float* magnitudes);

private:
    kiss_fftr_cfg fft_;
    std::vector<float> window_;          // Hann weights, kFrames
    std::vector<float> weighted_;        // windowed input, kFrames
    std::vector<kiss_fft_cpx> spectrum_; // kBins + 1 complex values
};
