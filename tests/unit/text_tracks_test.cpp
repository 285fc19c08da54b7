// Text tracks beside demo.json: read into their tracks, refused with file
// and line while the last good keys stay, and pointed out at start-up when
// newer than the binary the player reads.
#include <filesystem>

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "TestFiles.h"
#include "app/TextTracks.h"
#include "sync/track.h"

namespace {

// Runs a test inside a scratch demo folder, where tracks/ is looked for.
class TextTracks : public testing::Test {
protected:
    void SetUp() override
    {
        previous = std::filesystem::current_path();
        std::filesystem::create_directory(dir.file("tracks"));
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override { std::filesystem::current_path(previous); }

    ScratchDir dir;
    std::filesystem::path previous;
};

} // namespace

TEST_F(TextTracks, ReadsKeysAndKeepsThemWhenTheTextIsBroken)
{
    dir.write("tracks/level.txt", "# level\n0 0 linear\n10 1 step\n");
    SyncTrack track;
    std::string error;
    ASSERT_TRUE(app::loadTextTrack(&track, app::textTrackPath("level"), error)) << error;
    ASSERT_EQ(track.key_count, 2);
    EXPECT_FLOAT_EQ(sync_track_value(&track, 5.0), 0.5f);

    dir.write("tracks/level.txt", "0 0 linear\n\n20 2 linear\n10 1 step\n");
    EXPECT_FALSE(app::loadTextTrack(&track, app::textTrackPath("level"), error));
    EXPECT_EQ(error.rfind("tracks/level.txt:4: ", 0), 0u) << error;
    EXPECT_EQ(track.key_count, 2);
    EXPECT_FLOAT_EQ(sync_track_value(&track, 5.0), 0.5f);

    EXPECT_FALSE(app::loadTextTrack(&track, app::textTrackPath("missing"), error));
    EXPECT_EQ(error.rfind("tracks/missing.txt: ", 0), 0u) << error;
    EXPECT_EQ(track.key_count, 2);

    // An empty text is a track without keys.
    dir.write("tracks/level.txt", "# nothing yet\n");
    ASSERT_TRUE(app::loadTextTrack(&track, app::textTrackPath("level"), error)) << error;
    EXPECT_EQ(track.key_count, 0);
}

TEST_F(TextTracks, StaleTextTracksAreNamedOnceEach)
{
    dir.write("tracks/fresh.txt", "0 1 step\n");
    dir.write("sync_fresh.track", "");
    dir.write("tracks/edited.txt", "0 1 step\n");
    dir.write("sync_edited.track", "");
    dir.write("tracks/new.txt", "0 1 step\n");
    dir.write("tracks/notes.md", "not a track\n");
    ASSERT_TRUE(testsupport::setFileTime(dir.file("tracks/fresh.txt"), 1000000));
    ASSERT_TRUE(testsupport::setFileTime(dir.file("sync_fresh.track"), 2000000));
    ASSERT_TRUE(testsupport::setFileTime(dir.file("tracks/edited.txt"), 3000000));
    ASSERT_TRUE(testsupport::setFileTime(dir.file("sync_edited.track"), 2000000));

    EXPECT_EQ(app::textTrackNames(), (std::vector<std::string>{"edited", "fresh", "new"}));
    testing::internal::CaptureStderr();
    app::warnAboutStaleTextTracks();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "tracks/edited.txt: newer than sync_edited.track, which the player reads; `synctrack encode "
              "tracks .` brings it up to date (or play with --live)\n"
              "tracks/new.txt: newer than sync_new.track, which the player reads; `synctrack encode "
              "tracks .` brings it up to date (or play with --live)\n");
}
