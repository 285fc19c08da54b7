// Live mode's timeline decisions: scene changes and the loop range.
#include <memory>

#include <gtest/gtest.h>

#include "app/LiveTimeline.h"
#include "sync/track.h"

namespace {

// A scene track: scene 0 from row 0, scene 1 from row 100, still scene 1 at
// a key of 1.5 at row 150, scene 2 from row 300.
SyncTrack sceneTrack()
{
    SyncTrack track;
    track.name = "scene";
    const SyncKey keys[] = {{0, 0.0f, 0}, {100, 1.0f, 0}, {150, 1.5f, 0}, {300, 2.0f, 0}};
    std::unique_ptr<SyncKey[]> copy(new SyncKey[4]);
    for (int i = 0; i < 4; ++i)
        copy[i] = keys[i];
    sync_set_keys(&track, std::move(copy), 4);
    return track;
}

} // namespace

TEST(LiveTimeline, PageDownAndUpStepThroughSceneChanges)
{
    const SyncTrack track = sceneTrack();
    EXPECT_EQ(nextSceneChange(&track, 0.0), 100.0);
    EXPECT_EQ(nextSceneChange(&track, 100.0), 300.0) << "a key within the same scene is no change";
    EXPECT_EQ(nextSceneChange(&track, 99.8), 300.0) << "half a row before a change counts as at it";
    EXPECT_EQ(nextSceneChange(&track, 300.0), -1.0);

    EXPECT_EQ(previousSceneChange(&track, 320.0), 300.0);
    EXPECT_EQ(previousSceneChange(&track, 300.2), 100.0) << "a second press moves on";
    EXPECT_EQ(previousSceneChange(&track, 100.0), 0.0);
    EXPECT_EQ(previousSceneChange(&track, 0.0), 0.0);

    SyncTrack empty;
    EXPECT_EQ(nextSceneChange(&empty, 0.0), -1.0);
    EXPECT_EQ(previousSceneChange(nullptr, 50.0), 0.0);
}

TEST(LiveTimeline, LoopRangeWrapsOnlyWhenComplete)
{
    LoopRange loop;
    loop.setStart(200.0);
    EXPECT_FALSE(loop.wrapsAt(1000.0)) << "no end yet";
    loop.setEnd(240.0);
    EXPECT_TRUE(loop.active());
    EXPECT_FALSE(loop.wrapsAt(239.9));
    EXPECT_TRUE(loop.wrapsAt(240.0));

    loop.setEnd(150.0);
    EXPECT_FALSE(loop.active()) << "an end before the start loops nothing";
    loop.setEnd(260.0);
    loop.clear();
    EXPECT_FALSE(loop.active());
    EXPECT_FALSE(loop.hasStart());
}

TEST(LiveTimeline, RowsBecomeWholeFramesOfMusic)
{
    // 20 rows per second of 44.1 kHz stereo: row 20 is one second, 176400 bytes.
    EXPECT_EQ(rowToMusicBytes(20.0, 20.0, 44100, 2), 176400u);
    // A fraction of a frame rounds down to a whole frame (4 bytes of stereo).
    EXPECT_EQ(rowToMusicBytes(0.001, 20.0, 44100, 2) % 4u, 0u);
    EXPECT_EQ(rowToMusicBytes(1.0, 20.0, 48000, 1), 4800u);
    // Before the start, or without music, the start.
    EXPECT_EQ(rowToMusicBytes(-5.0, 20.0, 44100, 2), 0u);
    EXPECT_EQ(rowToMusicBytes(100.0, 20.0, 0, 0), 0u);
}
