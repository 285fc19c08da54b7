// Windows' own kinds of special files are refused with a reason: the NUL
// device, and a named pipe that a server holds open.
#include <cstdint>
#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/platform.h"

TEST(PlatformOpenRegularFile, RefusesDevicesAndPipes)
{
    uint64_t size = 0;
    std::string problem;
    EXPECT_EQ(platform_open_regular_file("NUL", size, problem), nullptr);
    EXPECT_EQ(problem, "is a device");

    const char* pipeName = "\\\\.\\pipe\\demoplayer-platform-test";
    HANDLE server = CreateNamedPipeA(pipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 2, 512, 512, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    problem.clear();
    EXPECT_EQ(platform_open_regular_file(pipeName, size, problem), nullptr);
    EXPECT_EQ(problem, "is a named pipe");
    CloseHandle(server);
}
