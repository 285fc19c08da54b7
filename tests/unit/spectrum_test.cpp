// The spectrum's two halves: the analyzer's scale on made-up blocks, and the
// block reader, whose reuse of earlier blocks must give the same samples as
// a fresh exact seek.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "OggTestFile.h"
#include "timeline/MonoBlockReader.h"
#include "timeline/TuneFile.h"
#include "timeline/SpectrumAnalyzer.h"
#include "timeline/TuneSpectrum.h"

namespace {

const double kPi = std::acos(-1.0);

std::vector<float> analyze(const std::vector<float>& samples)
{
    SpectrumAnalyzer analyzer;
    std::vector<float> magnitudes(SpectrumAnalyzer::kBins);
    analyzer.analyze(samples.data(), magnitudes.data());
    return magnitudes;
}

} // namespace

TEST(SpectrumAnalyzer, SineAtABinCentreReadsItsAmplitudeThere)
{
    const int bin = 100;
    const float amplitude = 0.8f;
    std::vector<float> samples(SpectrumAnalyzer::kFrames);
    for (int i = 0; i < SpectrumAnalyzer::kFrames; ++i)
        samples[i] = amplitude * static_cast<float>(std::sin(2.0 * kPi * bin * i / SpectrumAnalyzer::kFrames + 0.3));
    std::vector<float> magnitudes = analyze(samples);
    EXPECT_NEAR(magnitudes[bin], amplitude, 1e-3);
    EXPECT_NEAR(magnitudes[bin - 1], amplitude / 2, 1e-3) << "Hann's main lobe";
    EXPECT_LT(magnitudes[bin + 2], 1e-3);
    EXPECT_LT(magnitudes[10], 1e-3);
    EXPECT_LT(magnitudes[SpectrumAnalyzer::kBins - 1], 1e-3);
}

TEST(MonoBlockReader, BlocksReusedFromEarlierReadsMatchFreshSeeks)
{
    // 997 Hz does not divide the rate: a block one frame off differs.
    OggTestFile tune(OggSignal{3.0, 44100, 2, 997.0, 0.7});
    ASSERT_TRUE(tune.written());
    MonoBlockReader moving;
    std::string problem;
    ASSERT_TRUE(moving.open(TuneFile::open(tune.path().c_str(), problem), problem)) << problem;

    // Forward by a video frame, a jump forward within reach of decoding,
    // a far jump, a step back, a block that runs past the end, past the end.
    const uint64_t total = 3 * 44100;
    const uint64_t frames[] = {0, 735, 1470, 9000, 60000, 59000, total - 1000, total, 5};
    for (uint64_t frame : frames) {
        std::vector<float> reused(moving.blockAt(frame), moving.blockAt(frame) + MonoBlockReader::kBlockFrames);
        MonoBlockReader fresh;
        ASSERT_TRUE(fresh.open(TuneFile::open(tune.path().c_str(), problem), problem)) << problem;
        const float* expected = fresh.blockAt(frame);
        for (int i = 0; i < MonoBlockReader::kBlockFrames; ++i)
            ASSERT_NEAR(reused[i], expected[i], 1e-5) << "block at " << frame << ", sample " << i;
        if (frame + MonoBlockReader::kBlockFrames > total) {
            int inside = static_cast<int>(total - std::min(frame, total));
            for (int i = inside; i < MonoBlockReader::kBlockFrames; ++i)
                ASSERT_EQ(reused[i], 0.0f) << "past the end, block at " << frame;
        }
    }
}

TEST(TuneSpectrum, SmoothedSpectrumAveragesTheBlocksUpToTheFrameAndDependsOnTheFrameAlone)
{
    // A steady tone centred on bin 100.
    OggTestFile tune(OggSignal{3.0, 44100, 1, 100 * 44100.0 / 4096, 0.7});
    ASSERT_TRUE(tune.written());
    std::string problem;
    const auto opened = [&] {
        auto spectrum = std::make_unique<TuneSpectrum>();
        EXPECT_TRUE(spectrum->open(TuneFile::open(tune.path().c_str(), problem), problem)) << problem;
        return spectrum;
    };
    std::vector<float> plain(TuneSpectrum::kBins), smoothed(TuneSpectrum::kBins), again(TuneSpectrum::kBins);
    auto walked = opened();
    walked->smoothedAt(0, smoothed.data());
    walked->at(0, plain.data());
    // At the start the frame's own block holds the tone, the one before it
    // half of it (its later half, where the window weighs half), the two
    // before that silence.
    EXPECT_NEAR(smoothed[100], plain[100] * 3 / 8, 0.02);

    for (uint64_t frame = 0; frame <= 44100; frame += 735)
        walked->smoothedAt(frame, smoothed.data());
    walked->at(44100, plain.data());
    EXPECT_NEAR(smoothed[100], plain[100], 0.02) << "a steady tone reads the same smoothed";
    opened()->smoothedAt(44100, again.data());
    for (int bin = 0; bin < TuneSpectrum::kBins; ++bin)
        ASSERT_NEAR(again[bin], smoothed[bin], 1e-5) << "bin " << bin;
}
