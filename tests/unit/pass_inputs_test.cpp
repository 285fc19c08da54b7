// The frame count the passes read (iFrame) when playing: from 0 at the start
// and after a seek, or on from a warm-up drawn before the first frame.
#include <gtest/gtest.h>

#include "app/PassInputsSource.h"

TEST(PassInputs, AfterAWarmUpTheFirstPlayedFrameCountsOnUntilASeek)
{
    PassInputsSource source;
    // A start at 10.005 s whose warm-up drew grid frames up to 600 (10 s at 60 fps), seeks so far: 1.
    source.continueFrom(600, 10.0, 1, 100.0);
    const PassInputs first = source.playedFrame(10.005, 1, 100.02);
    EXPECT_EQ(first.frameNumber, 601u) << "not 0: a shader seeding on iFrame == 0 would wipe the warm-up";
    EXPECT_EQ(first.epoch, 1u) << "the same timeline: the feedback pictures stay";
    EXPECT_NEAR(first.deltaSeconds, 0.005, 1e-9);
    EXPECT_EQ(source.playedFrame(10.02, 1, 100.04).frameNumber, 602u);
    EXPECT_EQ(source.playedFrame(3.0, 2, 100.06).frameNumber, 0u) << "a seek starts the count again";
}
