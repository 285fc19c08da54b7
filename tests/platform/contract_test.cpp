// What every platform implementation promises: regular files open with their
// size and anything else is refused with a reason, file times are the low 32
// bits of the Unix seconds or, at full resolution, the nanoseconds, UTF-8
// paths work, a console that is not a terminal gets no colour, and a file is
// no terminal for the process calls either. Built once against the chosen implementation and once against the
// null one.
#include <cstdint>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "TestFiles.h"
#include "platform/gl_context.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace {

std::string readAll(std::FILE* file)
{
    std::string text;
    char buffer[64];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, count);
    return text;
}

} // namespace

TEST(PlatformOpenRegularFile, OpensForBinaryReadingWithTheSize)
{
    ScratchDir dir;
    const std::string path = dir.write("keys.track", std::string("a\r\nb\0c", 6));
    uint64_t size = 0;
    std::string problem;
    std::FILE* file = platform_open_regular_file(path.c_str(), size, problem);
    ASSERT_NE(file, nullptr) << problem;
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(readAll(file), std::string("a\r\nb\0c", 6)) << "no newline translation, nothing cut at a zero";
    std::fclose(file);
}

TEST(PlatformOpenRegularFile, RefusesDirectoriesAndMissingFilesWithAReason)
{
    ScratchDir dir;
    uint64_t size = 77;
    std::string problem;
    EXPECT_EQ(platform_open_regular_file(dir.path().c_str(), size, problem), nullptr);
    EXPECT_EQ(problem, "is a directory");

    problem.clear();
    const std::string missing = dir.file("missing.track");
    EXPECT_EQ(platform_open_regular_file(missing.c_str(), size, problem), nullptr);
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(problem.find("missing.track"), std::string::npos) << "the caller names the file: " << problem;
    EXPECT_EQ(size, 77u) << "a refused file leaves the size alone";
}

TEST(PlatformFileTime, IsTheLow32BitsOfTheUnixSeconds)
{
    ScratchDir dir;
    const std::string path = dir.write("a.fsh", "x");
    int32_t time = 0;

    ASSERT_TRUE(testsupport::setFileTime(path, 1000));
    ASSERT_TRUE(platform_file_time(path.c_str(), time));
    EXPECT_EQ(time, 1000);

    // 2106-02-07, past the 32-bit range: only the low bits remain.
    if (testsupport::setFileTime(path, (1LL << 32) + 7)) {
        ASSERT_TRUE(platform_file_time(path.c_str(), time));
        EXPECT_EQ(time, 7);
    }
    // 2038-01-19 03:14:08, the first second a signed 32-bit count cannot hold.
    if (testsupport::setFileTime(path, 1LL << 31)) {
        ASSERT_TRUE(platform_file_time(path.c_str(), time));
        EXPECT_EQ(static_cast<uint32_t>(time), 1u << 31);
    }
}

TEST(PlatformFileTime, FullResolutionTellsApartWritesWithinOneSecond)
{
    // A text saved a moment after its binary was made, within the same second.
    ScratchDir dir;
    const std::string binary = dir.write("sync_level.track", "b");
    const std::string text = dir.write("level.txt", "t");
    ASSERT_TRUE(testsupport::setFileTime(binary, 1700000000, 250000000));
    ASSERT_TRUE(testsupport::setFileTime(text, 1700000000, 750000000));

    int64_t binaryNs = 0;
    int64_t textNs = 0;
    ASSERT_TRUE(platform_file_time_ns(binary.c_str(), binaryNs));
    ASSERT_TRUE(platform_file_time_ns(text.c_str(), textNs));
    EXPECT_EQ(binaryNs, 1700000000250000000LL);
    EXPECT_EQ(textNs, 1700000000750000000LL);

    int32_t seconds = 0;
    ASSERT_TRUE(platform_file_time(text.c_str(), seconds));
    EXPECT_EQ(seconds, 1700000000) << "whole seconds are cut, not rounded";
}

TEST(PlatformFileTime, MissingFileLeavesTheTimeAlone)
{
    ScratchDir dir;
    int32_t time = 42;
    EXPECT_FALSE(platform_file_time(dir.file("gone.vsh").c_str(), time));
    EXPECT_EQ(time, 42);
    int64_t timeNs = 42;
    EXPECT_FALSE(platform_file_time_ns(dir.file("gone.vsh").c_str(), timeNs));
    EXPECT_EQ(timeNs, 42);
}

TEST(PlatformPaths, Utf8NamesOpenAndHaveTimes)
{
    ScratchDir dir;
    // "Füße-日本.fsh", spelled in UTF-8 bytes.
    const std::string path = dir.write(
        "F\xC3\xBC\xC3\x9F"
        "e-\xE6\x97\xA5\xE6\x9C\xAC.fsh",
        "void main() {}\n");
    uint64_t size = 0;
    std::string problem;
    std::FILE* file = platform_open_regular_file(path.c_str(), size, problem);
    ASSERT_NE(file, nullptr) << problem;
    EXPECT_EQ(size, 15u);
    std::fclose(file);

    ASSERT_TRUE(testsupport::setFileTime(path, 123456));
    int32_t time = 0;
    ASSERT_TRUE(platform_file_time(path.c_str(), time));
    EXPECT_EQ(time, 123456);
}

TEST(PlatformConsole, OutputThatIsNoTerminalGetsNoColour)
{
    // Captured standard output is a file, as when the player's output is redirected.
    testing::internal::CaptureStdout();
    PlatformConsole console;
    platform_console_open(console);
    platform_console_set_colour(console, PLATFORM_COLOUR_LIGHT_RED);
    platform_console_set_colour(console, PLATFORM_COLOUR_BRIGHT_WHITE);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(console.coloured);
}

TEST(PlatformGlContext, NoneIsCurrentBeforeAWindowExists)
{
    EXPECT_FALSE(platform_gl_context_current());
    platform_swap_interval(1); // without a context: nothing to set, and no crash
}

TEST(PlatformProcess, FilesAreNotTerminalsAndTheProcessHasANumber)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(platform_stream_is_terminal(file));
    EXPECT_FALSE(platform_stream_is_terminal(nullptr));
    std::fclose(file);
    const std::string number = platform_process_id();
    EXPECT_FALSE(number.empty());
    EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << number;
}
