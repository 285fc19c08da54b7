// Text tracks beside demo.json: read into their tracks, refused with file
// and line while the last good keys stay, and pointed out at start-up when
// their keys differ from the binary the player reads.
#include <filesystem>

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "TestFiles.h"
#include "app/TextTracks.h"
#include "sync/track.h"
#include "sync/track_text.h"

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

TEST_F(TextTracks, TextTracksWhoseKeysDifferFromTheirTracksAreNamedOnceEachWhateverTheTimes)
{
    const SyncKey one[] = {{0, 1.0f, 0}};
    std::string error;
    dir.write("tracks/copied.txt", "# as encoded\n0 1 step\n");
    ASSERT_TRUE(sync_write_track("sync_copied.track", one, 1, error)) << error;
    dir.write("tracks/edited.txt", "0 2 step\n");
    ASSERT_TRUE(sync_write_track("sync_edited.track", one, 1, error)) << error;
    dir.write("tracks/new.txt", "0 1 step\n");
    dir.write("tracks/broken.txt", "0 1 step\n0 2 step\n");
    dir.write("tracks/notes.md", "not a track\n");
    // A copy's times say nothing: the agreeing text is the newer one here.
    ASSERT_TRUE(testsupport::setFileTime(dir.file("tracks/copied.txt"), 3000000));
    ASSERT_TRUE(testsupport::setFileTime(dir.file("sync_copied.track"), 2000000));
    ASSERT_TRUE(testsupport::setFileTime(dir.file("tracks/edited.txt"), 1000000));

    EXPECT_EQ(app::textTrackNames(), (std::vector<std::string>{"broken", "copied", "edited", "new"}));
    testing::internal::CaptureStderr();
    app::warnAboutStaleTextTracks();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "tracks/broken.txt:2: rows must increase; the player reads sync_broken.track as it is\n"
              "tracks/edited.txt: its keys differ from sync_edited.track, which the player reads; `synctrack "
              "encode tracks .` brings it up to date (or play with --live)\n"
              "tracks/new.txt: has no sync_new.track, which the player would read; `synctrack encode tracks .` "
              "makes it (or play with --live)\n");
}

TEST_F(TextTracks, ABinaryIsRewrittenFromItsTextOnlyWhenItDiffers)
{
    dir.write("tracks/level.txt", "0 0.25 step\n40 0.5 linear\n");
    SyncTrack track;
    track.name = "level";
    std::string error;
    ASSERT_TRUE(app::loadTextTrack(&track, app::textTrackPath("level"), error)) << error;
    bool rewritten = false;
    ASSERT_TRUE(app::keepBinaryInStep(track, rewritten, error)) << error;
    EXPECT_TRUE(rewritten) << "there was no binary";
    std::string problem;
    EXPECT_EQ(sync_compare_text("tracks/level.txt", "sync_level.track", problem), SYNC_TEXT_AGREES);
    ASSERT_TRUE(app::keepBinaryInStep(track, rewritten, error)) << error;
    EXPECT_FALSE(rewritten) << "in step already";

    // A binary that cannot be written says why and is left as it was.
    std::filesystem::remove(dir.file("sync_level.track"));
    std::filesystem::create_directory(dir.file("sync_level.track"));
    EXPECT_FALSE(app::keepBinaryInStep(track, rewritten, error));
    EXPECT_NE(error, "");
}
