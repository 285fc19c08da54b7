// The shader sites' sound texture as the timeline computes it: a sine reads
// its bin at the level a browser's analyser gives it, the smoothing follows
// the frames drawn (a frame drawn again is no new frame), and an export of a
// range reads what the whole export reads at the same frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "OggTestFile.h"
#include "OggWriter.h"
#include "timeline/OfflineClock.h"
#include "timeline/SiteSoundAnalyser.h"
#include "timeline/TuneSiteSound.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBin = 93; // 2002.6 Hz at 44.1 kHz
constexpr double kAmplitude = 0.01;
constexpr int kFps = 60;

double binHz(int bin)
{
    return static_cast<double>(bin) * kRate / SiteSoundAnalyser::kFftFrames;
}

// The byte a browser gives a sine of peak `amplitude` on a bin's centre:
// the Blackman window's mean (0.42) halved between the bin and its mirror.
int expectedLevel(double amplitude)
{
    const double decibels = 20.0 * std::log10(0.21 * amplitude);
    return static_cast<int>(std::floor(255.0 * (decibels + 100.0) / 70.0));
}

std::vector<float> sine(double amplitude, int bin, int frames)
{
    std::vector<float> samples(static_cast<size_t>(frames));
    const double step = 2.0 * std::acos(-1.0) * binHz(bin) / kRate;
    for (int i = 0; i < frames; ++i)
        samples[static_cast<size_t>(i)] = static_cast<float>(amplitude * std::sin(step * i));
    return samples;
}

// 2 s of 44.1 kHz mono: the sine for 1.5 s (90 frames at kFps), silence after.
class ToneThenSilence {
public:
    ToneThenSilence() : path_(OggTestFile::uniquePath(".ogg"))
    {
        const int toneFrames = kRate * 3 / 2;
        const std::vector<float> tone = sine(kAmplitude, kBin, toneFrames);
        written_ = writeOggVorbis(
            path_, OggWriterFormat{kRate, 1, 0.6f}, 2 * kRate, [&](float** buffers, long first, int count) {
                for (int i = 0; i < count; ++i)
                    buffers[0][i] = first + i < toneFrames ? tone[static_cast<size_t>(first + i)] : 0.0f;
            });
    }
    ~ToneThenSilence() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }
    bool written() const { return written_; }

private:
    std::string path_;
    bool written_ = false;
};

const ToneThenSilence& toneFile()
{
    static ToneThenSilence file;
    return file;
}

std::vector<uint8_t> rowsAt(OfflineClock& clock, int frame)
{
    std::vector<uint8_t> rows(OfflineClock::kSiteSoundBytes);
    clock.siteSoundAt(static_cast<double>(frame) / kFps, kFps, rows.data());
    return rows;
}

} // namespace

TEST(SiteSoundAnalyser, SmoothsEachFrameWithThePreviousAsTheBrowserDoes)
{
    const std::vector<float> tone = sine(kAmplitude, kBin, SiteSoundAnalyser::kFftFrames);
    SiteSoundAnalyser analyser;
    analyser.analyse(tone.data());
    const float first = analyser.smoothed()[kBin];
    EXPECT_NEAR(first, 0.2 * 0.21 * kAmplitude, 1e-3 * first) << "one frame after silence: a fifth of the magnitude";
    analyser.analyse(tone.data());
    EXPECT_NEAR(analyser.smoothed()[kBin], 1.8f * first, 1e-3f * first) << "0.8 x previous + 0.2 x magnitude";
    for (int i = 0; i < 100; ++i)
        analyser.analyse(tone.data());
    EXPECT_NEAR(analyser.smoothed()[kBin], 0.21 * kAmplitude, 1e-3 * 0.21 * kAmplitude)
        << "a steady sine settles at its magnitude";

    std::vector<uint8_t> rows(SiteSoundAnalyser::kTextureWidth * SiteSoundAnalyser::kTextureRows);
    analyser.textureRows(tone.data(), rows.data());
    EXPECT_EQ(rows[kBin], expectedLevel(kAmplitude));
    EXPECT_EQ(std::max_element(rows.begin(), rows.begin() + SiteSoundAnalyser::kTextureWidth) - rows.begin(), kBin)
        << "the sine's bin is the loudest";
    EXPECT_EQ(rows[kBin + 8], 0) << "eight bins away the Blackman window leaves less than -100 dB";
    const auto waveform = std::minmax_element(rows.begin() + SiteSoundAnalyser::kTextureWidth, rows.end());
    EXPECT_EQ(*waveform.first, 126) << "row 1: the last samples, 128 x (1 + sample)";
    EXPECT_EQ(*waveform.second, 129);

    analyser.reset();
    EXPECT_EQ(analyser.smoothed()[kBin], 0.0f);
}

TEST(SiteSoundAnalyser, BytesMapTheDecibelRangeAndTheWaveformsAndClamp)
{
    EXPECT_EQ(SiteSoundAnalyser::levelByte(0.0f), 0) << "silence";
    EXPECT_EQ(SiteSoundAnalyser::levelByte(1e-6f), 0) << "-120 dB is below the range";
    EXPECT_EQ(SiteSoundAnalyser::levelByte(1.0001e-5f), 0) << "-100 dB";
    EXPECT_EQ(SiteSoundAnalyser::levelByte(static_cast<float>(std::pow(10.0, -65.0 / 20.0))), 127) << "-65 dB";
    EXPECT_EQ(SiteSoundAnalyser::levelByte(0.0317f), 255) << "-30 dB";
    EXPECT_EQ(SiteSoundAnalyser::levelByte(0.5f), 255) << "above the range";
    EXPECT_EQ(SiteSoundAnalyser::waveformByte(-1.0f), 0);
    EXPECT_EQ(SiteSoundAnalyser::waveformByte(0.0f), 128);
    EXPECT_EQ(SiteSoundAnalyser::waveformByte(0.5f), 192);
    EXPECT_EQ(SiteSoundAnalyser::waveformByte(1.0f), 255) << "256 clamps";
    EXPECT_EQ(SiteSoundAnalyser::waveformByte(-3.0f), 0);
}

TEST(TuneSiteSound, ASineInATuneReadsItsBinAndLevelAtTheFramesTime)
{
    ASSERT_TRUE(toneFile().written());
    OfflineClock clock;
    std::string problem;
    ASSERT_TRUE(clock.open(toneFile().path().c_str(), problem)) << problem;

    const std::vector<uint8_t> first = rowsAt(clock, 0);
    EXPECT_EQ(*std::max_element(first.begin(), first.begin() + 512), 0) << "nothing is heard before the start";
    EXPECT_EQ(first[512 + 511], 128) << "the waveform of silence";

    // Half a second in, frame after frame: the smoothing has settled.
    std::vector<uint8_t> rows;
    for (int frame = 1; frame <= 30; ++frame)
        rows = rowsAt(clock, frame);
    EXPECT_NEAR(rows[kBin], expectedLevel(kAmplitude), 2) << "the level a site's shader reads at the sine's bin";
    EXPECT_EQ(std::max_element(rows.begin(), rows.begin() + 512) - rows.begin(), kBin);

    // In the silence the level falls by 0.8 a frame: about 2 dB, 7 bytes.
    for (int frame = 31; frame < 95; ++frame)
        rowsAt(clock, frame);
    const std::vector<uint8_t> fading = rowsAt(clock, 95);
    const std::vector<uint8_t> later = rowsAt(clock, 96);
    EXPECT_NEAR(fading[kBin] - later[kBin], 7, 1);
    EXPECT_EQ(rowsAt(clock, 96), later) << "a frame drawn again (paused) smooths nothing more";
    EXPECT_NEAR(later[kBin] - rowsAt(clock, 97)[kBin], 7, 1) << "and the next frame is one frame on";
}

TEST(TuneSiteSound, ARangeStartedLaterReadsWhatTheWholeRunReads)
{
    ASSERT_TRUE(toneFile().written());
    OfflineClock whole;
    OfflineClock range;
    std::string problem;
    ASSERT_TRUE(whole.open(toneFile().path().c_str(), problem)) << problem;
    ASSERT_TRUE(range.open(toneFile().path().c_str(), problem)) << problem;
    std::vector<std::vector<uint8_t>> wholeRows;
    for (int frame = 0; frame < 110; ++frame)
        wholeRows.push_back(rowsAt(whole, frame));
    // The range starts five frames into the silence, where the tone still
    // fades: its first frame carries a history it did not draw, from more
    // frames back than the warm-up reaches in the whole run.
    for (int frame = 95; frame < 110; ++frame)
        EXPECT_EQ(rowsAt(range, frame), wholeRows[static_cast<size_t>(frame)]) << "frame " << frame;
    EXPECT_GT(wholeRows[95][kBin], 100) << "the fade is seen at the range's start";
}
