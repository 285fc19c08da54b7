// Capped file reading and the file warnings: what is read, what is refused
// and with which reason, and how often a file's problem is reported.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "CapturedConsole.h"
#include "ScratchDir.h"
#include "platform/FileWarnings.h"
#include "platform/file_read.h"

namespace {

struct Read {
    PlatformReadStatus status;
    std::string bytes;
    std::string problem;
};

Read readFile(const std::string& path, uint64_t maxBytes)
{
    Read read{PLATFORM_READ_OK, "stale", ""};
    read.status = platform_read_file(path.c_str(), maxBytes, read.bytes, read.problem);
    return read;
}

} // namespace

TEST(PlatformReadFile, ReadsAWholeFileUpToItsCap)
{
    ScratchDir dir;
    const std::string binary("a\0b\r\n\xff", 6);
    Read read = readFile(dir.write("f.bin", binary), 6);
    EXPECT_EQ(read.status, PLATFORM_READ_OK);
    EXPECT_EQ(read.bytes, binary);

    read = readFile(dir.file("f.bin"), 5);
    EXPECT_EQ(read.status, PLATFORM_READ_TOO_LARGE);
    EXPECT_EQ(read.bytes, "") << "nothing is kept of a refused file";
    EXPECT_EQ(read.problem, "too large (6 bytes; at most 5 bytes)");

    read = readFile(dir.write("empty", std::string()), 0);
    EXPECT_EQ(read.status, PLATFORM_READ_OK);
    EXPECT_EQ(read.bytes, "");
}

TEST(PlatformReadFile, RefusesWhatIsNotARegularFileWithoutBlocking)
{
    ScratchDir dir;
    struct Case {
        std::string path;
        PlatformReadStatus status;
        const char* problem;
    };
    std::vector<Case> cases = {
        {dir.file("missing"), PLATFORM_READ_MISSING, "cannot open: No such file or directory"},
        {dir.path(), PLATFORM_READ_FAILED, "is a directory"},
    };
#if !defined(_WIN32)
    // The system's own special files (Windows' devices and pipes are the
    // platform tests' matter).
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string loop = dir.file("loop");
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
    const std::string dangling = dir.file("dangling");
    ASSERT_EQ(symlink(dir.file("nowhere").c_str(), dangling.c_str()), 0);
    cases.push_back({dangling, PLATFORM_READ_MISSING, "cannot open: No such file or directory"});
    cases.push_back({pipe, PLATFORM_READ_FAILED, "is a named pipe"});
    cases.push_back({"/dev/zero", PLATFORM_READ_FAILED, "is a device"});
    cases.push_back({loop, PLATFORM_READ_FAILED, "cannot open: Too many levels of symbolic links"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const Read read = readFile(c.path, 1024);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.problem, c.problem);
        EXPECT_EQ(read.bytes, "");
    }
}

TEST(PlatformReadFile, StartOfAFileComesWithTheFileSize)
{
    ScratchDir dir;
    const std::string path = dir.write("f", std::string("0123456789"));
    std::string bytes;
    uint64_t size = 0;
    std::string problem;
    ASSERT_EQ(platform_read_file_start(path.c_str(), 4, bytes, size, problem), PLATFORM_READ_OK);
    EXPECT_EQ(bytes, "0123");
    EXPECT_EQ(size, 10u);
    ASSERT_EQ(platform_read_file_start(path.c_str(), 100, bytes, size, problem), PLATFORM_READ_OK);
    EXPECT_EQ(bytes, "0123456789");
#if !defined(_WIN32)
    EXPECT_EQ(platform_read_file_start("/dev/zero", 4, bytes, size, problem), PLATFORM_READ_FAILED);
    EXPECT_EQ(bytes, "");
#endif
}

TEST(PlatformReadFile, SizesReadAsPeopleWriteThem)
{
    EXPECT_EQ(platform_size_text(16u * 1024 * 1024), "16 MB");
    EXPECT_EQ(platform_size_text(1), "1 byte");
    EXPECT_EQ(platform_size_text(1024 * 1024 + 1), "1048577 bytes");
}

TEST(FileWarnings, AProblemIsReportedOncePerChange)
{
    FileWarnings warnings;
    CapturedConsole console;
    warnings.report(console.sink, "a.fsh", "cannot open: No such file or directory");
    warnings.report(console.sink, "a.fsh", "cannot open: No such file or directory");
    warnings.report(console.sink, "b.vsh", "cannot open: No such file or directory"); // another file: its own line
    warnings.report(console.sink, "a.fsh", "is a named pipe");                        // a new problem
    warnings.clear("a.fsh");                                                          // read fine in between
    warnings.report(console.sink, "a.fsh", "is a named pipe");
    EXPECT_EQ(console.takeErr(),
              "a.fsh: cannot open: No such file or directory\n"
              "b.vsh: cannot open: No such file or directory\n"
              "a.fsh: is a named pipe\n"
              "a.fsh: is a named pipe\n");
}
