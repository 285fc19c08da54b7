// Export mode in a build without the export (the Windows build has neither
// FFmpeg nor EGL): --export says so in one line. Main thread.
#include "app/ExportMode.h"

#include <cstdio>

int app::exportDemo(const CommandLine&)
{
    std::fputs("demoplayer: --export is not part of this build (it needs FFmpeg's libraries and EGL)\n", stderr);
    return kExitWrongUsage;
}
