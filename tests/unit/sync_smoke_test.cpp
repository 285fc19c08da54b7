#include <gtest/gtest.h>

#include "sync/device.h"

TEST(SyncSmoke, MissingFileGivesEmptyTrack)
{
    SyncDevice* device = sync_open("no_such_base");
    ASSERT_NE(device, nullptr);
    SyncTrack* track = sync_obtain_track(device, "scene");
    EXPECT_EQ(track->key_count, 0);
    EXPECT_EQ(sync_track_value(track, 3.5), 0.0f);
    sync_close(device);
}
