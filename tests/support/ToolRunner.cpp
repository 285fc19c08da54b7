// Running the built tools through the system's command interpreter (sh, or
// cmd on Windows), output captured in files.
#include "ToolRunner.h"

#include <cstdlib>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include "ScratchDir.h"
#include "TestFiles.h"

namespace {

// The exit status of `command`, or -1 when it did not end normally.
int runCommand(const std::string& command)
{
#if defined(_WIN32)
    // cmd /c drops the first and the last quote of a line that starts with
    // one; a pair around the whole line keeps the command's own quotes.
    return std::system(("\"" + command + "\"").c_str()); // the program's own exit code
#else
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

} // namespace

bool toolsAvailable()
{
    return std::getenv("DEMOPLAYER_BINARY_DIR") != nullptr;
}

ToolRun runTool(const std::string& name, const std::string& arguments)
{
    ToolRun run;
    const char* binaryDir = std::getenv("DEMOPLAYER_BINARY_DIR");
    if (binaryDir == nullptr) {
        run.err = "DEMOPLAYER_BINARY_DIR must name the build folder that holds the tools";
        return run;
    }
    ScratchDir capture;
    const std::string command = shellQuoted(std::string(binaryDir) + "/" + name) + " " + arguments + " >" +
                                shellQuoted(capture.file("out")) + " 2>" + shellQuoted(capture.file("err"));
    run.status = runCommand(command);
    run.out = testsupport::unixLineEnds(capture.read("out"));
    run.err = testsupport::unixLineEnds(capture.read("err"));
    return run;
}

std::string shellQuoted(const std::string& text)
{
#if defined(_WIN32)
    // cmd takes a double-quoted word as it is; test paths hold no quotes.
    return "\"" + text + "\"";
#else
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
#endif
}
