// Tracks by name: each name is one track, made and read from its file on
// the first request only.
#include <gtest/gtest.h>

#include <string>

#include "CapturedConsole.h"
#include "ScratchDir.h"
#include "sync/device.h"
#include "sync/track_text.h"

namespace {

// A device whose track files live in `dir`, under the base name "sync".
struct DeviceIn {
    explicit DeviceIn(const ScratchDir& dir) : device(sync_open((dir.path() + "/sync").c_str(), console.sink)) {}
    ~DeviceIn() { sync_close(device); }
    DeviceIn(const DeviceIn&) = delete;
    DeviceIn& operator=(const DeviceIn&) = delete;
    CapturedConsole console; // what the device said
    SyncDevice* device;
};

void writeConstantTrack(const ScratchDir& dir, const std::string& file, float value)
{
    SyncKey key{0, value, SYNC_STEP};
    dir.write(file, sync_encode_keys(&key, 1));
}

} // namespace

TEST(SyncDevice, ComposesTrackFileNames)
{
    EXPECT_EQ(sync_track_path("sync", "scene"), "sync_scene.track");
    EXPECT_EQ(sync_track_path("sync", "fft_sampling_index"), "sync_fft_sampling_index.track");
    std::string long_name(600, 'x');
    EXPECT_EQ(sync_track_path("sync", long_name.c_str()), "sync_" + long_name + ".track");
}

TEST(SyncDevice, AskingTwiceGivesTheSameTrackReadOnce)
{
    ScratchDir dir;
    writeConstantTrack(dir, "sync_speed.track", 4.0f);
    DeviceIn in(dir);
    ASSERT_NE(in.device, nullptr);

    SyncTrack* first = sync_obtain_track(in.device, "speed");
    writeConstantTrack(dir, "sync_speed.track", 9.0f); // edits during a run are not seen
    SyncTrack* second = sync_obtain_track(in.device, "speed");
    EXPECT_EQ(first, second);
    EXPECT_EQ(sync_track_value(second, 0.0), 4.0f);

    // A missing file is not looked for again either.
    SyncTrack* absent = sync_obtain_track(in.device, "late");
    writeConstantTrack(dir, "sync_late.track", 1.0f);
    EXPECT_EQ(sync_obtain_track(in.device, "late"), absent);
    EXPECT_EQ(absent->key_count, 0);
    EXPECT_EQ(in.device->data.tracks.size(), 2u);
}

TEST(SyncDevice, NamesAreCaseSensitive)
{
    ScratchDir dir;
    writeConstantTrack(dir, "sync_speed.track", 1.0f);
    writeConstantTrack(dir, "sync_Speed.track", 2.0f);
    DeviceIn in(dir);

    SyncTrack* lower = sync_obtain_track(in.device, "speed");
    SyncTrack* upper = sync_obtain_track(in.device, "Speed");
    EXPECT_NE(lower, upper);
    EXPECT_EQ(sync_track_value(lower, 0.0), 1.0f);
    EXPECT_EQ(sync_track_value(upper, 0.0), 2.0f);
    EXPECT_EQ(sync_find_track(&in.device->data, "speed"), 0);
    EXPECT_EQ(sync_find_track(&in.device->data, "Speed"), 1);
    EXPECT_EQ(sync_find_track(&in.device->data, "SPEED"), -1);
}

TEST(SyncDevice, NameTooLongForAFileGivesAnEmptyTrackAndOneWarning)
{
    ScratchDir dir;
    DeviceIn in(dir);
    std::string name(300, 'n'); // longer than any file name the system allows

    SyncTrack* track = sync_obtain_track(in.device, name.c_str());
    std::string warning = in.console.takeErr();

    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->name, name);
    EXPECT_EQ(track->key_count, 0);
    EXPECT_EQ(warning, dir.path() + "/sync_" + name + ".track: track name too long for a file name\n");
}
