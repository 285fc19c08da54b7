// Which of a demo's files changed: through the system's notification and by
// polling, for the ways editors save.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "platform/FileWatcher.h"
#include "platform/platform.h"

namespace {

using Changes = std::vector<std::string>;

// Saves `text` into `path` the way many editors do: a temporary file beside
// it, renamed into place.
void saveByRename(const ScratchDir& dir, const std::string& name, const std::string& text)
{
    const std::string temporary = dir.write(name + ".swp", text);
    // std::filesystem's rename replaces the old file on every system
    // (std::rename does not on Windows).
    std::error_code error;
    std::filesystem::rename(std::filesystem::u8path(temporary), std::filesystem::u8path(dir.file(name)), error);
    ASSERT_FALSE(error) << error.message();
}

class FileWatcherTest : public testing::TestWithParam<FileWatcher::Method> {
protected:
    ScratchDir dir;
};

} // namespace

TEST_P(FileWatcherTest, EverySaveBetweenTwoLooksIsOneChange)
{
    const std::string shader = dir.write("plasma.fsh", "void main() {}\n");
    const std::string track = dir.write("sync_speed.track", "keys");
    FileWatcher watcher(GetParam());
    watcher.add(shader);
    watcher.add(track);
    watcher.add(shader);
    EXPECT_EQ(watcher.changes(), Changes{});

    saveByRename(dir, "plasma.fsh", "void main() { /* 1 */ }\n");
    EXPECT_EQ(watcher.changes(), Changes{shader});
    EXPECT_EQ(watcher.changes(), Changes{}) << "a change is reported once";

    // A second save in the same second, with a look between: seen again.
    dir.write("plasma.fsh", "void main() { /* 22 */ }\n");
    EXPECT_EQ(watcher.changes(), Changes{shader});

    // A burst for one save (written, touched, renamed over): one change.
    dir.write("sync_speed.track", "keys 2");
    saveByRename(dir, "sync_speed.track", "keys 33");
    dir.write("unrelated.txt", "not watched");
    EXPECT_EQ(watcher.changes(), Changes{track});
}

TEST_P(FileWatcherTest, DeletingAndRecreatingAreChanges)
{
    const std::string image = dir.write("noise.png", "png");
    FileWatcher watcher(GetParam());
    watcher.add(image);
    ASSERT_EQ(std::remove(image.c_str()), 0);
    EXPECT_EQ(watcher.changes(), Changes{image});
    EXPECT_EQ(watcher.changes(), Changes{});
    dir.write("noise.png", "png again");
    EXPECT_EQ(watcher.changes(), Changes{image});

    watcher.clear();
    dir.write("noise.png", "png once more");
    EXPECT_EQ(watcher.changes(), Changes{}) << "nothing is watched after clear";
}

TEST_P(FileWatcherTest, AFileMissingAtFirstIsSeenWhenItAppears)
{
    FileWatcher watcher(GetParam());
    watcher.add(dir.file("demo.json"));
    EXPECT_EQ(watcher.changes(), Changes{});
    dir.write("demo.json", "{}");
    EXPECT_EQ(watcher.changes(), Changes{dir.file("demo.json")});
}

TEST_P(FileWatcherTest, WatchingAgainLosesNoSave)
{
    const std::string shader = dir.write("plasma.fsh", "void main() {}\n");
    const std::string image = dir.write("noise.png", "png");
    FileWatcher watcher(GetParam());
    watcher.add(shader);
    watcher.add(image);
    // Saved while the description loads, then watched again with a new file
    // that was saved after the load read it.
    dir.write("plasma.fsh", "void main() { /* 1 */ }\n");
    const std::string added = dir.write("glow.fsh", "void main() {}\n");
    const std::string older = dir.write("blur.fsh", "void main() {}\n");
    int64_t addedTime = 0, olderTime = 0;
    ASSERT_TRUE(platform_file_time_ns(added.c_str(), addedTime));
    ASSERT_TRUE(platform_file_time_ns(older.c_str(), olderTime));
    watcher.keepOnly({shader, added, older});
    watcher.add(shader, 0);
    watcher.add(added, addedTime);     // saved at the moment it was read
    watcher.add(older, olderTime + 1); // read after it was saved
    EXPECT_EQ(watcher.changes(), (Changes{shader, added}));
    dir.write("noise.png", "png 2");
    EXPECT_EQ(watcher.changes(), Changes{}) << "an image no longer watched";
}

INSTANTIATE_TEST_SUITE_P(BothMethods, FileWatcherTest,
                         testing::Values(FileWatcher::Method::Notification, FileWatcher::Method::Polling),
                         [](const testing::TestParamInfo<FileWatcher::Method>& info) {
                             return info.param == FileWatcher::Method::Polling ? "Polling" : "Notification";
                         });
