// Running the built tools through the shell, output captured in files.
#include "ToolRunner.h"

#include <cstdlib>

#include <sys/wait.h>

#include "ScratchDir.h"

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
    const int raw = std::system(command.c_str());
    run.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = capture.read("out");
    run.err = capture.read("err");
    return run;
}

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}
