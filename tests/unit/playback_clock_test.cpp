// The heard-frame clock, driven with made-up device timings: what it shows
// before and after buffers arrive, and how it rides out an irregular device.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>

#include "timeline/PlaybackClock.h"

namespace {

using Clock = std::chrono::steady_clock;
const int kRate = 44100;
const int kBuffer = 2048; // what the stream asks for at 44.1 kHz

Clock::time_point at(double seconds)
{
    return Clock::time_point{} + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

} // namespace

TEST(PlaybackClock, StandsAtResetFrameUntilFirstBufferIsHeard)
{
    PlaybackClock clock(kRate, kBuffer);
    clock.reset(5000);
    EXPECT_EQ(clock.heardFrame(at(1.0)), 5000.0);
    EXPECT_EQ(clock.heardFrame(at(9.0)), 5000.0) << "nothing handed, nothing heard";

    // The device still holds a buffer ahead of the one handed at t = 10 s.
    clock.bufferHanded(at(10.0), kBuffer);
    EXPECT_EQ(clock.heardFrame(at(10.0 + 0.5 * kBuffer / kRate)), 5000.0);
    double later = 10.0 + 1.5 * kBuffer / kRate;
    EXPECT_NEAR(clock.heardFrame(at(later)), 5000.0 + 0.5 * kBuffer, 1.0);
}

TEST(PlaybackClock, NeverShowsFramesNotHandedAndNeverRunsBackwards)
{
    PlaybackClock clock(kRate, kBuffer);
    clock.reset(0);
    clock.bufferHanded(at(1.0), kBuffer);
    clock.bufferHanded(at(1.0 + double(kBuffer) / kRate), kBuffer);
    EXPECT_EQ(clock.heardFrame(at(60.0)), 2.0 * kBuffer) << "a stalled device holds the clock";
    // A reading taken with an earlier time stamp does not undo what was shown.
    EXPECT_EQ(clock.heardFrame(at(1.2)), 2.0 * kBuffer);

    clock.reset(100);
    EXPECT_EQ(clock.heardFrame(at(61.0)), 100.0) << "a seek may go back";
}

// A device like SDL's dummy driver on a busy machine: buffers come a little
// early or late, one in ten up to 15 ms late, so that the device runs a few
// percent slower than its rate on average. Read every 2 ms for 20 s.
TEST(PlaybackClock, IrregularDeviceGivesSmoothMonotonicClock)
{
    PlaybackClock clock(kRate, kBuffer);
    clock.reset(0);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> lateness(-0.001, 0.015);

    double nextBuffer = 0.0;
    double handed = 0.0;
    double previousFrame = 0.0;
    double previousTime = 0.0;
    double worstStep = 0.0;
    double worstLag = 0.0;
    for (double t = 0.0; t < 20.0; t += 0.002) {
        while (nextBuffer <= t) {
            clock.bufferHanded(at(nextBuffer), kBuffer);
            handed += kBuffer;
            nextBuffer += double(kBuffer) / kRate + lateness(random) / 10.0;
            if (random() % 10 == 0)
                nextBuffer += lateness(random);
        }
        double frame = clock.heardFrame(at(t));
        ASSERT_GE(frame, previousFrame) << "backwards at t = " << t;
        ASSERT_LE(frame, handed);
        if (t > 1.0) {
            double step = std::fabs((frame - previousFrame) / kRate - (t - previousTime));
            worstStep = std::max(worstStep, step);
            worstLag = std::max(worstLag, std::fabs((handed - kBuffer) / kRate - frame / kRate));
        }
        previousFrame = frame;
        previousTime = t;
    }
    // At most the speed correction's share of the 2 ms between reads.
    EXPECT_LT(worstStep, 0.00025) << "seconds of jump between two reads 2 ms apart";
    EXPECT_LT(worstLag, 0.060) << "seconds between the clock and the device";
}

TEST(PlaybackClock, BurstOfBuffersIsCaughtUpWithAtOnce)
{
    PlaybackClock clock(kRate, kBuffer);
    clock.reset(0);
    clock.bufferHanded(at(0.0), kBuffer);
    // The device takes a second's worth of buffers at once (say, after an underrun).
    const int burst = kRate / kBuffer;
    for (int i = 0; i < burst; ++i)
        clock.bufferHanded(at(0.1), kBuffer);
    // Right after a buffer the device plays what came two buffers before the last.
    double handed = (1.0 + burst) * kBuffer;
    EXPECT_NEAR(clock.heardFrame(at(0.1)), handed - 2 * kBuffer, PlaybackClock::kResyncSeconds * kRate);

    // Then regular buffers again: the clock settles on the device.
    double t = 0.1;
    for (int i = 0; i < 200; ++i) {
        t += double(kBuffer) / kRate;
        clock.bufferHanded(at(t), kBuffer);
        handed += kBuffer;
    }
    EXPECT_NEAR(clock.heardFrame(at(t)), handed - 2 * kBuffer, 0.005 * kRate);
}
