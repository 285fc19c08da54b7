// Warning lines on standard error.
#include "platform/warning.h"

#include <cstdio>
#include <iostream>

void platform_warn(const std::string& file, const std::string& message)
{
    std::cout.flush();
    // One write of the whole line keeps it in one piece.
    const std::string line = file + ": " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
