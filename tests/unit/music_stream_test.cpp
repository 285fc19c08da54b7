// MusicStream on SDL's dummy driver with short Ogg files made for the tests:
// the clock, seeking, the spectrum, and what happens when things are missing.
// The device keeps real time, so what a test expects to happen is waited
// for (eventually), never assumed after an amount of time; the clock's own
// arithmetic is tested on given times in playback_clock_test.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "OggTestFile.h"
#include "TestFiles.h"
#include "app/FrameDecisions.h"
#include "timeline/MusicStream.h"
#include "timeline/TuneFile.h"
#include "timeline/TuneSpectrum.h"

namespace {

const uint64_t kStereoBytesPerSecond = 44100 * 2 * 2;

void wait(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Waits until `condition` holds; false when it has not after a minute, far
// longer than any loaded machine takes.
template <typename Condition> bool eventually(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        wait(5);
    }
    return true;
}

// Files made once per test program, removed when it ends.
const OggTestFile& sineFile() // 1 kHz full-scale sine, 44.1 kHz stereo, 3 s
{
    static OggTestFile file(OggSignal{3.0, 44100, 2, 1000.0, 1.0});
    return file;
}

const OggTestFile& silenceFile()
{
    static OggTestFile file(OggSignal{2.0, 44100, 2, 1000.0, 0.0});
    return file;
}

const OggTestFile& monoFile() // 1 kHz, 44.1 kHz mono
{
    static OggTestFile file(OggSignal{2.0, 44100, 1, 1000.0, 1.0});
    return file;
}

const OggTestFile& file48k() // 1 kHz, 48 kHz stereo
{
    static OggTestFile file(OggSignal{2.0, 48000, 2, 1000.0, 1.0});
    return file;
}

std::vector<float> spectrumOf(const MusicStream& stream)
{
    std::vector<float> magnitudes(MusicStream::kSpectrumBins, -1.0f);
    stream.spectrum(magnitudes.data());
    return magnitudes;
}

int loudestBin(const std::vector<float>& magnitudes)
{
    return static_cast<int>(std::max_element(magnitudes.begin(), magnitudes.end()) - magnitudes.begin());
}

float loudest(const std::vector<float>& magnitudes)
{
    return *std::max_element(magnitudes.begin(), magnitudes.end());
}

// Opens `file` and checks that it opened.
void openOrFail(MusicStream& stream, const OggTestFile& file)
{
    ASSERT_TRUE(file.written()) << file.path();
    ASSERT_TRUE(stream.open(file.path().c_str())) << file.path();
}

} // namespace

// ---- clock ----

TEST(MusicStreamClock, BytesCountFramesOfTheFilesOwnFormat)
{
    // One stream at a time: SDL's dummy driver has a single device.
    {
        MusicStream stereo;
        ASSERT_NO_FATAL_FAILURE(openOrFail(stereo, sineFile()));
        EXPECT_DOUBLE_EQ(stereo.bytesToSeconds(kStereoBytesPerSecond), 1.0);
        EXPECT_DOUBLE_EQ(stereo.bytesToSeconds(kSeekStepBytes), double(kSeekStepBytes) / kStereoBytesPerSecond);
        EXPECT_EQ(stereo.lengthBytes(), 3 * kStereoBytesPerSecond) << "every frame, exactly";
    }
    {
        MusicStream mono;
        ASSERT_NO_FATAL_FAILURE(openOrFail(mono, monoFile()));
        EXPECT_DOUBLE_EQ(mono.bytesToSeconds(88200), 1.0);
        EXPECT_EQ(mono.lengthBytes(), 2u * 88200u);
        EXPECT_EQ(mono.channels(), 1);
    }
    {
        MusicStream fast;
        ASSERT_NO_FATAL_FAILURE(openOrFail(fast, file48k()));
        EXPECT_DOUBLE_EQ(fast.bytesToSeconds(192000), 1.0);
        EXPECT_EQ(fast.lengthBytes(), 2u * 192000u);
        EXPECT_EQ(fast.sampleRate(), 48000);
    }
}

TEST(MusicStreamClock, HeldAfterOpenThenAdvancesThenFreezesOnPause)
{
    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, sineFile()));
    wait(200);
    EXPECT_EQ(stream.positionBytes(), 0u) << "nothing plays before play()";

    stream.play();
    ASSERT_TRUE(eventually([&] { return stream.positionBytes() > 0; })) << "play() starts the clock";
    uint64_t playing = stream.positionBytes();
    EXPECT_LT(playing, stream.lengthBytes());

    stream.pause();
    uint64_t paused = stream.positionBytes();
    EXPECT_GE(paused, playing);
    wait(200);
    EXPECT_EQ(stream.positionBytes(), paused) << "paused clock moved";

    EXPECT_FALSE(stream.isPlaying());
    stream.play();
    stream.play(); // a second play neither restarts nor skips
    EXPECT_TRUE(stream.isPlaying());
    EXPECT_GE(stream.positionBytes(), paused) << "resume restarted the tune";
    EXPECT_TRUE(eventually([&] { return stream.positionBytes() > paused; }));
}

TEST(MusicStreamClock, NeverRunsBackwardsAndStaysFrameAligned)
{
    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, monoFile()));
    stream.play();
    uint64_t previous = 0;
    for (int i = 0; i < 600; ++i) {
        uint64_t position = stream.positionBytes();
        ASSERT_GE(position, previous) << "read " << i;
        ASSERT_EQ(position % 2, 0u) << "mono frames are 2 bytes";
        previous = position;
        std::this_thread::sleep_for(std::chrono::microseconds(1000));
    }
    EXPECT_TRUE(eventually([&] { return stream.positionBytes() > 0; }));
}

TEST(MusicStreamClock, StopsAtTheEndOfTheTune)
{
    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, silenceFile()));
    ASSERT_TRUE(stream.seekBytes(stream.lengthBytes() - kStereoBytesPerSecond / 10));
    stream.play();
    EXPECT_TRUE(eventually([&] { return stream.positionBytes() == stream.lengthBytes(); }));
    stream.pause();
    stream.play();
    wait(100);
    EXPECT_EQ(stream.positionBytes(), stream.lengthBytes());
}

// ---- seeking ----

TEST(MusicStreamSeek, SeekKeyStepsLandExactlyWhilePaused)
{
    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, sineFile()));
    ASSERT_TRUE(stream.seekBytes(stream.positionBytes() + kSeekStepBytes));
    EXPECT_EQ(stream.positionBytes(), kSeekStepBytes);
    ASSERT_TRUE(stream.seekBytes(stream.positionBytes() + kSeekStepBytes));
    EXPECT_EQ(stream.positionBytes(), 2 * kSeekStepBytes);
    ASSERT_TRUE(stream.seekBytes(stream.positionBytes() - kSeekStepBytes));
    EXPECT_EQ(stream.positionBytes(), kSeekStepBytes);

    wait(150);
    EXPECT_EQ(stream.positionBytes(), kSeekStepBytes) << "a seek while paused must not play";

    ASSERT_TRUE(stream.seekBytes(kSeekStepBytes + 3));
    EXPECT_EQ(stream.positionBytes(), kSeekStepBytes) << "rounds down to a whole frame";
}

TEST(MusicStreamSeek, SeekWhilePlayingTakesEffectForTheNextRead)
{
    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, sineFile()));
    stream.play();
    ASSERT_TRUE(eventually([&] { return stream.positionBytes() > 0; }));
    uint64_t before = stream.positionBytes();
    uint64_t target = before + 4 * kSeekStepBytes;
    ASSERT_TRUE(stream.seekBytes(target));
    const uint64_t afterForwards = stream.positionBytes();
    EXPECT_GE(afterForwards, target);

    target = afterForwards - 2 * kSeekStepBytes;
    ASSERT_TRUE(stream.seekBytes(target));
    const uint64_t afterBackwards = stream.positionBytes();
    EXPECT_GE(afterBackwards, target) << "backwards seek";
    EXPECT_LT(afterBackwards, afterForwards) << "the backwards seek went back";
    EXPECT_TRUE(eventually([&] { return stream.positionBytes() > target; })) << "still playing after the seek";
}

TEST(MusicStreamSeek, TargetsPastTheEndAreRefusedAndLeaveThePosition)
{
    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, sineFile()));
    ASSERT_TRUE(stream.seekBytes(kSeekStepBytes / 2));
    uint64_t position = stream.positionBytes();

    // Backwards from within the first step: the subtraction wraps around.
    EXPECT_FALSE(stream.seekBytes(position - kSeekStepBytes));
    EXPECT_FALSE(stream.seekBytes(UINT64_MAX));
    EXPECT_FALSE(stream.seekBytes(stream.lengthBytes() + 4));
    EXPECT_EQ(stream.positionBytes(), position);

    stream.play();
    wait(100);
    uint64_t playing = stream.positionBytes();
    EXPECT_FALSE(stream.seekBytes(stream.lengthBytes() + kSeekStepBytes));
    EXPECT_GE(stream.positionBytes(), playing) << "a refused seek moved the clock";
    EXPECT_LT(stream.positionBytes(), stream.lengthBytes()) << "a refused seek moved the clock to the end";

    EXPECT_TRUE(stream.seekBytes(stream.lengthBytes())) << "the very end is a position";
    EXPECT_EQ(stream.positionBytes(), stream.lengthBytes());
}

TEST(MusicStreamSeek, BurstOfSeeksWhilePlayingKeepsEveryTargetAndAForwardClock)
{
    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, sineFile()));
    stream.play();
    std::mt19937 random(5);
    const uint64_t frames = stream.lengthBytes() / 4;
    for (int i = 0; i < 120; ++i) {
        uint64_t target = (random() % (frames / 2)) * 4;
        if (i % 10 == 9) { // a pause and a seek while held, now and then
            stream.pause();
            ASSERT_TRUE(stream.seekBytes(target));
            EXPECT_EQ(stream.positionBytes(), target);
            stream.play();
        } else {
            ASSERT_TRUE(stream.seekBytes(target));
        }
        const auto seeked = std::chrono::steady_clock::now();
        ASSERT_EQ(stream.positionBytes(), target) << "seek " << i;
        uint64_t previous = target;
        for (int read = 0; read < 3; ++read) {
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 9));
            const uint64_t now = stream.positionBytes();
            // However slowly this machine runs, the clock keeps to real time
            // since the seek (with the device's buffer and a margin).
            const double since = std::chrono::duration<double>(std::chrono::steady_clock::now() - seeked).count();
            ASSERT_GE(now, previous) << "seek " << i << ", read " << read;
            ASSERT_LT(stream.bytesToSeconds(now - target), since + 0.5) << "seek " << i;
            previous = now;
        }
    }
    const uint64_t settled = stream.positionBytes();
    EXPECT_TRUE(eventually([&] { return stream.positionBytes() > settled; })) << "still playing after the burst";
}

// ---- spectrum ----

TEST(MusicStreamSpectrum, SineOf1kHzPeaksAtBin93NearOne)
{
    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, sineFile()));
    ASSERT_TRUE(stream.seekBytes(kSeekStepBytes)); // paused: the frozen moment's spectrum
    std::vector<float> magnitudes = spectrumOf(stream);
    EXPECT_EQ(loudestBin(magnitudes), 93) << "1000 x 4096 / 44100 = 92.9";
    EXPECT_NEAR(magnitudes[93], 1.0f, 0.1f);
    EXPECT_LT(magnitudes[80], 0.01f);
    EXPECT_LT(magnitudes[400], 0.01f);

    stream.play();
    for (int i = 0; i < 10; ++i) {
        wait(20);
        magnitudes = spectrumOf(stream);
        ASSERT_EQ(loudestBin(magnitudes), 93) << "while playing, read " << i;
    }
}

TEST(MusicStreamSpectrum, MonoAnd48kHzFilesUseTheirOwnFormat)
{
    MusicStream mono;
    ASSERT_NO_FATAL_FAILURE(openOrFail(mono, monoFile()));
    std::vector<float> monoMagnitudes = spectrumOf(mono);
    EXPECT_EQ(loudestBin(monoMagnitudes), 93);
    EXPECT_NEAR(loudest(monoMagnitudes), 1.0f, 0.1f);
    mono.release();

    MusicStream fast;
    ASSERT_NO_FATAL_FAILURE(openOrFail(fast, file48k()));
    std::vector<float> fastMagnitudes = spectrumOf(fast);
    EXPECT_EQ(loudestBin(fastMagnitudes), 85) << "1000 x 4096 / 48000 = 85.3";
    EXPECT_NEAR(loudest(fastMagnitudes), 1.0f, 0.1f);
}

TEST(MusicStreamSpectrum, SilenceEndAndNoStreamGiveZeros)
{
    MusicStream silence;
    ASSERT_NO_FATAL_FAILURE(openOrFail(silence, silenceFile()));
    EXPECT_LT(loudest(spectrumOf(silence)), 1e-4f);
    silence.release();

    MusicStream sine;
    ASSERT_NO_FATAL_FAILURE(openOrFail(sine, sineFile()));
    ASSERT_TRUE(sine.seekBytes(sine.lengthBytes()));
    EXPECT_EQ(loudest(spectrumOf(sine)), 0.0f) << "past the end is silence";
    // Half the block past the end: the sine is still there, weaker.
    ASSERT_TRUE(sine.seekBytes(sine.lengthBytes() - 2048 * 4));
    EXPECT_EQ(loudestBin(spectrumOf(sine)), 93);

    MusicStream none;
    EXPECT_EQ(loudest(spectrumOf(none)), 0.0f) << "never opened";
}

TEST(MusicStreamSpectrum, SameAsTheTunesOwnSpectrumWithoutADevice)
{
    // What a clock other than the sound card would use: the tune's spectrum at any frame.
    std::string problem;
    auto file = TuneFile::open(sineFile().path().c_str(), problem);
    ASSERT_TRUE(file) << problem;
    TuneSpectrum offline;
    ASSERT_TRUE(offline.open(file, problem)) << problem;
    std::vector<float> expected(MusicStream::kSpectrumBins);
    offline.at(27500, expected.data());
    EXPECT_EQ(loudestBin(expected), 93);

    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, sineFile()));
    ASSERT_TRUE(stream.seekBytes(kSeekStepBytes)); // frame 27500, held
    EXPECT_EQ(spectrumOf(stream), expected);
}

// ---- failures ----

TEST(MusicStreamFailure, MissingFileIsNamedAndLeavesAClockAtZero)
{
    std::string path = OggTestFile::uniquePath("-tune.ogg");
    MusicStream stream;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(stream.open(path.c_str()));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(path), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    stream.play();
    wait(100);
    EXPECT_EQ(stream.positionBytes(), 0u);
    EXPECT_FALSE(stream.seekBytes(kSeekStepBytes));
    EXPECT_EQ(loudest(spectrumOf(stream)), 0.0f);
    EXPECT_DOUBLE_EQ(stream.bytesToSeconds(kStereoBytesPerSecond), 1.0);
    stream.pause();
    EXPECT_FALSE(stream.hasMusic());
}

TEST(MusicStreamFailure, FileThatIsNotOggIsRefused)
{
    std::string path = OggTestFile::uniquePath("-tune.ogg");
    std::ofstream(path) << "OggS? no, just text pretending to be music\n";
    MusicStream stream;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(stream.open(path.c_str()));
    std::string said = testing::internal::GetCapturedStderr();
    std::remove(path.c_str());
    EXPECT_NE(said.find(path + ": "), std::string::npos) << said;
    EXPECT_NE(said.find("not an Ogg Vorbis file"), std::string::npos) << said;
    EXPECT_EQ(stream.positionBytes(), 0u);
}

TEST(MusicStreamFailure, ReleaseIsIdempotentAndLaterCallsDoNothing)
{
    MusicStream stream;
    ASSERT_NO_FATAL_FAILURE(openOrFail(stream, sineFile()));
    stream.play();
    wait(100);
    EXPECT_FALSE(stream.isReleased());
    stream.release();
    stream.release();
    EXPECT_TRUE(stream.isReleased());

    stream.play();
    stream.pause();
    EXPECT_EQ(stream.positionBytes(), 0u);
    EXPECT_FALSE(stream.seekBytes(0));
    EXPECT_EQ(loudest(spectrumOf(stream)), 0.0f);
    EXPECT_FALSE(stream.open(sineFile().path().c_str())) << "a released stream stays released";
    EXPECT_TRUE(stream.isReleased());
}

TEST(MusicStreamFailure, NoOutputDeviceFallsBackToSilentRealTime)
{
    MusicStream stream;
    bool opened = false;
    std::string said;
    {
        testsupport::ScopedEnvironment noDevice("SDL_AUDIODRIVER", "no-such-audio-driver");
        testing::internal::CaptureStderr();
        opened = stream.open(sineFile().path().c_str());
        said = testing::internal::GetCapturedStderr();
    }

    ASSERT_TRUE(opened);
    EXPECT_NE(said.find("no output device"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    stream.play();
    EXPECT_TRUE(eventually([&] { return stream.positionBytes() > 0; })) << "the dummy driver keeps time";
}
