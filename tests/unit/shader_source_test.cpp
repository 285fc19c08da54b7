// Reading shader sources and noticing edited shader files; no GL needed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "TestFiles.h"
#include "render/DemoShader.h"
#include "render/ShaderProgram.h"

using testsupport::TempDir;

namespace {

std::string header(const std::string& path)
{
    return "---------------------\nOpening shader file: " + path +
           "\n---------------------\n\n";
}

std::string readCapturingStdout(const std::string& path, std::string& printed)
{
    testing::internal::CaptureStdout();
    std::string text = readShaderSource(path.c_str());
    std::fflush(stdout);
    printed = testing::internal::GetCapturedStdout();
    return text;
}

} // namespace

TEST(ReadShaderSource, LineEndsBecomeSingleLineFeeds)
{
    TempDir dir;
    std::string printed;
    // CRLF, then a last line without any end.
    const std::string crlf = dir.write("crlf.fsh", "void main()\r\n{}");
    EXPECT_EQ(readCapturingStdout(crlf, printed), "void main()\n{}\n");
    EXPECT_EQ(printed, header(crlf) + "\n\n\n");

    // A file that ends with its line end gets no extra empty line; a lone
    // carriage return inside a line is kept.
    const std::string lf = dir.write("lf.fsh", "a\rb\n\nc\n");
    EXPECT_EQ(readCapturingStdout(lf, printed), "a\rb\n\nc\n");
}

TEST(ReadShaderSource, MissingOrEmptyFileGivesHeaderAndEmptyText)
{
    TempDir dir;
    std::string printed;
    const std::string missing = dir.path("missing.vsh");
    EXPECT_EQ(readCapturingStdout(missing, printed), "");
    EXPECT_EQ(printed, header(missing) + "\n\n\n");

    EXPECT_EQ(readCapturingStdout(dir.write("empty.vsh", ""), printed), "");
}

TEST(ReadShaderSource, WriteProtectedFileLoads)
{
    TempDir dir;
    const std::string path = dir.write("locked.fsh", "void main() {}\n");
    namespace fs = std::filesystem;
    fs::permissions(fs::u8path(path), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(fs::u8path(dir.root()), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                fs::perms::others_read | fs::perms::others_exec);

#if !defined(_WIN32)
    // Root may write anything; read as an ordinary user so the protection
    // counts.
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(seteuid(65534), 0);
    }
#endif
    std::string printed;
    const std::string text = readCapturingStdout(path, printed);
#if !defined(_WIN32)
    if (asRoot) {
        ASSERT_EQ(seteuid(0), 0);
    }
#endif
    EXPECT_EQ(text, "void main() {}\n");
}

TEST(ShaderFileChanges, OnlyADifferentTimeCountsAsAChange)
{
    TempDir dir;
    const std::string path = dir.write("a.fsh", "x");
    ASSERT_TRUE(testsupport::setFileTime(path, 1000));

    int32_t recorded = 1000;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(fileChanged(path.c_str(), recorded));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    // An older time (a restored copy) is a change as much as a newer one.
    ASSERT_TRUE(testsupport::setFileTime(path, 999));
    testing::internal::CaptureStdout();
    EXPECT_TRUE(fileChanged(path.c_str(), recorded));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "timestamp is different, file has been modified\n");
    EXPECT_EQ(recorded, 999);
}

TEST(ShaderFileChanges, MissingFileCountsAsTimeZero)
{
    TempDir dir;
    const std::string path = dir.path("gone.vsh");
    int32_t recorded = 1234;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(fileChanged(path.c_str(), recorded));
    EXPECT_FALSE(fileChanged(path.c_str(), recorded));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "error with file: " + path + "\ntimestamp is different, file has been modified\n" +
                  "error with file: " + path + "\n");
    EXPECT_EQ(recorded, 0);
}

TEST(ShaderFileChanges, EntryExaminesBothFilesAndRecordsBothTimes)
{
    TempDir dir;
    const std::string vertex = dir.write("v.vsh", "v");
    const std::string fragment = dir.write("f.fsh", "f");
    ASSERT_TRUE(testsupport::setFileTime(vertex, 100));
    ASSERT_TRUE(testsupport::setFileTime(fragment, 200));

    testing::internal::CaptureStdout();
    DemoShader entry(vertex, fragment);
    EXPECT_FALSE(entry.checkForChanges());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    // Both changed: both are reported, vertex first, then one summary line;
    // the next check sees nothing new.
    ASSERT_TRUE(testsupport::setFileTime(vertex, 101));
    ASSERT_TRUE(testsupport::setFileTime(fragment, 201));
    testing::internal::CaptureStdout();
    EXPECT_TRUE(entry.checkForChanges());
    EXPECT_FALSE(entry.checkForChanges());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "timestamp is different, file has been modified\n"
              "timestamp is different, file has been modified\n"
              "source is diff\n");
}

TEST(ShaderFileChanges, ConstructorReportsUnreadableFiles)
{
    TempDir dir;
    testing::internal::CaptureStdout();
    DemoShader entry(dir.path("no.vsh"), dir.path("no.fsh"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "error with file: " + dir.path("no.vsh") + "\nerror with file: " +
                  dir.path("no.fsh") + "\n");
    // Both times are 0 already, so nothing has changed.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(entry.checkForChanges());
    testing::internal::GetCapturedStdout();
}
