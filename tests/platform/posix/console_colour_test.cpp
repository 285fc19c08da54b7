// Console colours: escapes only on a terminal without NO_COLOR, only when the
// colour changes, and the terminal's colours restored at exit. Each case runs
// in a child process whose standard output is a pseudo-terminal or a pipe.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

enum class Output { Terminal, Pipe };

// The frames' colour changes: found, found, missing, missing, found.
void colourLikeFiveFrames()
{
    PlatformConsole console;
    platform_console_open(console);
    platform_console_set_colour(console, PLATFORM_COLOUR_BRIGHT_WHITE);
    platform_console_set_colour(console, PLATFORM_COLOUR_BRIGHT_WHITE);
    platform_console_set_colour(console, PLATFORM_COLOUR_LIGHT_RED);
    platform_console_set_colour(console, PLATFORM_COLOUR_LIGHT_RED);
    platform_console_set_colour(console, PLATFORM_COLOUR_BRIGHT_WHITE);
}

// Everything a child wrote to its standard output while running `body` and
// exiting normally. `noColor` is NO_COLOR's value, or nullptr for unset.
std::string childOutput(Output output, const char* noColor, void (*body)())
{
    int readEnd = -1;
    int writeEnd = -1;
    if (output == Output::Terminal) {
        readEnd = posix_openpt(O_RDWR | O_NOCTTY);
        if (readEnd < 0 || grantpt(readEnd) != 0 || unlockpt(readEnd) != 0)
            return "no pseudo-terminal";
        writeEnd = open(ptsname(readEnd), O_RDWR | O_NOCTTY);
    } else {
        int ends[2];
        if (pipe(ends) != 0)
            return "no pipe";
        readEnd = ends[0];
        writeEnd = ends[1];
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(writeEnd, STDOUT_FILENO);
        if (noColor != nullptr)
            setenv("NO_COLOR", noColor, 1);
        else
            unsetenv("NO_COLOR");
        body();
        std::exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(writeEnd);

    std::string text;
    char buffer[256];
    pollfd readable{readEnd, POLLIN, 0};
    while (poll(&readable, 1, 0) > 0 && (readable.revents & POLLIN) != 0) {
        const ssize_t count = read(readEnd, buffer, sizeof buffer);
        if (count <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(count));
    }
    close(readEnd);
    return text;
}

} // namespace

TEST(ConsoleColour, TerminalGetsEachChangeOnceAndAResetAtExit)
{
    EXPECT_EQ(childOutput(Output::Terminal, nullptr, colourLikeFiveFrames), "\033[97;40m\033[91;40m\033[97;40m\033[0m");
}

TEST(ConsoleColour, PipesAndNoColorGetNoEscapes)
{
    EXPECT_EQ(childOutput(Output::Pipe, nullptr, colourLikeFiveFrames), "");
    EXPECT_EQ(childOutput(Output::Terminal, "1", colourLikeFiveFrames), "");
    EXPECT_EQ(childOutput(Output::Terminal, "", colourLikeFiveFrames), "\033[97;40m\033[91;40m\033[97;40m\033[0m")
        << "an empty NO_COLOR does not count";
}

TEST(ConsoleColour, NothingIsResetWhenNoColourWasSet)
{
    EXPECT_EQ(childOutput(Output::Terminal, nullptr,
                          [] {
                              PlatformConsole console;
                              platform_console_open(console);
                          }),
              "");
}

TEST(ConsoleColour, InterruptRestoresTheTerminalColours)
{
    EXPECT_EQ(childOutput(Output::Terminal, nullptr,
                          [] {
                              PlatformConsole console;
                              platform_console_open(console);
                              platform_console_set_colour(console, PLATFORM_COLOUR_LIGHT_RED);
                              std::fflush(stdout);
                              raise(SIGINT);
                          }),
              "\033[91;40m\033[0m");
}
