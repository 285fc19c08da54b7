// Reading shader sources and noticing edited shader files; no GL needed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "ScratchDir.h"
#include "TestFiles.h"
#include "platform/FileWarnings.h"
#include "platform/WatchedFile.h"
#include "render/DemoShader.h"
#include "render/ShaderProgram.h"

namespace {

std::string header(const std::string& path)
{
    return "---------------------\nOpening shader file: " + path + "\n---------------------\n\n";
}

std::string readCapturingStdout(const std::string& path, std::string& printed)
{
    testing::internal::CaptureStdout();
    std::string text = render::readShaderSource(path.c_str());
    std::fflush(stdout);
    printed = testing::internal::GetCapturedStdout();
    return text;
}

} // namespace

TEST(ReadShaderSource, LineEndsBecomeSingleLineFeeds)
{
    ScratchDir dir;
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
    ScratchDir dir;
    std::string printed;
    const std::string missing = dir.file("missing.vsh");
    EXPECT_EQ(readCapturingStdout(missing, printed), "");
    EXPECT_EQ(printed, header(missing) + "\n\n\n");

    EXPECT_EQ(readCapturingStdout(dir.write("empty.vsh", ""), printed), "");
}

TEST(ReadShaderSource, AFileThatCannotBeReadIsNamedOncePerChangeOfItsProblem)
{
    ScratchDir dir;
    const std::string path = dir.file("edit.fsh");
    FileWarnings warnings;
    std::string printed;
    const auto read = [&] {
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        const std::string text = render::readShaderSource(path.c_str(), &warnings);
        std::fflush(stdout);
        printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(printed, header(path) + "\n\n\n") << "standard output keeps its account";
        return text + "|" + testing::internal::GetCapturedStderr();
    };
    const std::string missing = path + ": cannot open: No such file or directory\n";
    EXPECT_EQ(read(), "|" + missing);
    EXPECT_EQ(read(), "|") << "the same problem again says nothing";
#if !defined(_WIN32)
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(read(), "|" + path + ": is a named pipe\n") << "a pipe is refused without waiting for a writer";
    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(read(), "|" + missing);
#endif
    dir.write("edit.fsh", "void main() {}\n");
    EXPECT_EQ(read(), "void main() {}\n|");
    ASSERT_EQ(std::remove(path.c_str()), 0);
    EXPECT_EQ(read(), "|" + missing) << "after a good read the problem is new again";

    // Without a tracker every read names the problem.
    testing::internal::CaptureStderr();
    readCapturingStdout(path, printed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), missing);
}

TEST(ReadShaderSource, WriteProtectedFileLoads)
{
    ScratchDir dir;
    const std::string path = dir.write("locked.fsh", "void main() {}\n");
    namespace fs = std::filesystem;
    fs::permissions(fs::u8path(path), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(fs::u8path(dir.path()), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
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

TEST(ShaderFileChanges, InWholeSecondsOnlyADifferentTimeCounts)
{
    ScratchDir dir;
    const std::string path = dir.write("a.fsh", "x");
    ASSERT_TRUE(testsupport::setFileTime(path, 1000));
    WatchedFile file(path, WatchedFile::Detail::WholeSeconds);
    EXPECT_FALSE(file.changed());

    // A rewrite within the same second is not seen; an older time (a
    // restored copy) is a change as much as a newer one.
    dir.write("a.fsh", "longer");
    ASSERT_TRUE(testsupport::setFileTime(path, 1000, 500000000));
    EXPECT_FALSE(file.changed());
    ASSERT_TRUE(testsupport::setFileTime(path, 999));
    EXPECT_TRUE(file.changed());
    EXPECT_FALSE(file.changed());
}

TEST(ShaderFileChanges, AMissingFileIsTimeZeroAndSaidAtEveryLook)
{
    ScratchDir dir;
    const std::string vertex = dir.write("v.vsh", "v");
    const std::string fragment = dir.write("f.fsh", "f");
    testing::internal::CaptureStdout();
    DemoShader entry(vertex, fragment);
    std::remove(fragment.c_str());
    EXPECT_TRUE(entry.checkForChanges());
    EXPECT_FALSE(entry.checkForChanges());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error with file: " + fragment +
                                                          "\ntimestamp is different, file has been modified\n"
                                                          "source is diff\n"
                                                          "error with file: " +
                                                          fragment + "\n");
}

TEST(ShaderFileChanges, EntryExaminesBothFilesAndRecordsBothTimes)
{
    ScratchDir dir;
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
    ScratchDir dir;
    testing::internal::CaptureStdout();
    DemoShader entry(dir.file("no.vsh"), dir.file("no.fsh"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "error with file: " + dir.file("no.vsh") + "\nerror with file: " + dir.file("no.fsh") + "\n");
    // Both times are 0 already, so nothing has changed.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(entry.checkForChanges());
    testing::internal::GetCapturedStdout();
}
