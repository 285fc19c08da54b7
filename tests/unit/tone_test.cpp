// The alarm's tone generator: it returns only once its tone has ended, with
// or without a device, and leaves the music alone. (How long it takes beyond
// that is the benchmarks' business.)
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "OggTestFile.h"
#include "TestFiles.h"
#include "timeline/MusicStream.h"
#include "timeline/Tone.h"

namespace {

double secondsTaken(int frequencyHz, int durationMs)
{
    auto start = std::chrono::steady_clock::now();
    timeline::playTone(frequencyHz, durationMs);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(Tone, ReturnsOnlyAfterItsToneHasEnded)
{
    EXPECT_GE(secondsTaken(1100, 300), 0.29);
    EXPECT_GE(secondsTaken(0, 100), 0.09) << "an inaudible tone still takes its time";
    secondsTaken(880, 0); // no tone: returns
}

TEST(Tone, WithoutADeviceStillWaitsItsDuration)
{
    double taken = 0.0;
    {
        testsupport::ScopedEnvironment noDevice("SDL_AUDIODRIVER", "no-such-audio-driver");
        taken = secondsTaken(880, 150);
    }
    EXPECT_GE(taken, 0.14);
}

TEST(Tone, LeavesTheMusicPositionAlone)
{
    OggTestFile tune(OggSignal{2.0, 44100, 2, 440.0, 0.5});
    ASSERT_TRUE(tune.written());
    MusicStream stream;
    ASSERT_TRUE(stream.open(tune.path().c_str()));
    ASSERT_TRUE(stream.seekBytes(110000));
    timeline::playTone(1100, 300);
    timeline::playTone(880, 150);
    EXPECT_EQ(stream.positionBytes(), 110000u);

    stream.play();
    timeline::playTone(1100, 200);
    EXPECT_GT(stream.positionBytes(), 110000u) << "the music plays on during a tone";
}
