// Reading shader sources and noticing edited shader files; no GL needed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "CapturedConsole.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "platform/FileWarnings.h"
#include "platform/FileStamp.h"
#include "render/DemoShader.h"
#include "render/ShaderProgram.h"

namespace {

std::string header(const std::string& path)
{
    return "---------------------\nOpening shader file: " + path + "\n---------------------\n\n";
}

// The text read from `path`; `printed` gets the account, `warned` the warnings.
std::string readInAccount(const std::string& path, std::string& printed, std::string* warned = nullptr)
{
    CapturedConsole console;
    std::string text = render::readShaderSource(path.c_str(), console.sink);
    printed = console.takeOut();
    if (warned != nullptr)
        *warned = console.takeErr();
    return text;
}

} // namespace

TEST(ReadShaderSource, LineEndsBecomeSingleLineFeeds)
{
    ScratchDir dir;
    std::string printed;
    // CRLF, then a last line without any end.
    const std::string crlf = dir.write("crlf.fsh", "void main()\r\n{}");
    EXPECT_EQ(readInAccount(crlf, printed), "void main()\n{}\n");
    EXPECT_EQ(printed, header(crlf) + "\n\n\n");

    // A file that ends with its line end gets no extra empty line; a lone
    // carriage return inside a line is kept.
    const std::string lf = dir.write("lf.fsh", "a\rb\n\nc\n");
    EXPECT_EQ(readInAccount(lf, printed), "a\rb\n\nc\n");
}

TEST(ReadShaderSource, MissingOrEmptyFileGivesHeaderAndEmptyText)
{
    ScratchDir dir;
    std::string printed;
    const std::string missing = dir.file("missing.vsh");
    EXPECT_EQ(readInAccount(missing, printed), "");
    EXPECT_EQ(printed, header(missing) + "\n\n\n");

    EXPECT_EQ(readInAccount(dir.write("empty.vsh", ""), printed), "");
}

TEST(ReadShaderSource, AFileThatCannotBeReadIsNamedOncePerChangeOfItsProblem)
{
    ScratchDir dir;
    const std::string path = dir.file("edit.fsh");
    FileWarnings warnings;
    std::string printed;
    const auto read = [&] {
        CapturedConsole console;
        const std::string text = render::readShaderSource(path.c_str(), console.sink, &warnings);
        printed = console.takeOut();
        EXPECT_EQ(printed, header(path) + "\n\n\n") << "the account stays as it is";
        return text + "|" + console.takeErr();
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
    std::string warned;
    readInAccount(path, printed, &warned);
    EXPECT_EQ(warned, missing);
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
    const std::string text = readInAccount(path, printed);
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
    FileStamp file(path, FileStamp::Detail::WholeSeconds);
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
    CapturedConsole console;
    DemoShader entry(vertex, fragment, nullptr, &console.sink);
    std::remove(fragment.c_str());
    EXPECT_TRUE(entry.checkForChanges(console.sink));
    EXPECT_FALSE(entry.checkForChanges(console.sink));
    EXPECT_EQ(console.takeOut(), "error with file: " + fragment +
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

    CapturedConsole console;
    DemoShader entry(vertex, fragment, nullptr, &console.sink);
    EXPECT_FALSE(entry.checkForChanges(console.sink));
    EXPECT_EQ(console.takeOut(), "");

    // Both changed: both are reported, vertex first, then one summary line;
    // the next check sees nothing new.
    ASSERT_TRUE(testsupport::setFileTime(vertex, 101));
    ASSERT_TRUE(testsupport::setFileTime(fragment, 201));
    EXPECT_TRUE(entry.checkForChanges(console.sink));
    EXPECT_FALSE(entry.checkForChanges(console.sink));
    EXPECT_EQ(console.takeOut(),
              "timestamp is different, file has been modified\n"
              "timestamp is different, file has been modified\n"
              "source is diff\n");
}

TEST(ShaderFileChanges, ConstructorReportsUnreadableFiles)
{
    ScratchDir dir;
    CapturedConsole console;
    DemoShader entry(dir.file("no.vsh"), dir.file("no.fsh"), nullptr, &console.sink);
    EXPECT_EQ(console.takeOut(),
              "error with file: " + dir.file("no.vsh") + "\nerror with file: " + dir.file("no.fsh") + "\n");
    // Both times are 0 already, so nothing has changed.
    EXPECT_FALSE(entry.checkForChanges(console.sink));
}
