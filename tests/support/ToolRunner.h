// Running the built programs (the tools) from a test: the one way tests
// start another program. The programs are found in $DEMOPLAYER_BINARY_DIR,
// which CTest sets to the build folder. Main thread only.
#pragma once

#include <string>

// What a run left behind.
struct ToolRun {
    int status = -1; // exit status; -1 when it did not exit normally or could not run
    std::string out; // standard output
    std::string err; // standard error
};

// Whether $DEMOPLAYER_BINARY_DIR is set (tests skip themselves without it).
bool toolsAvailable();

// Runs program `name` from the build folder with `arguments`, which are
// given to the command interpreter as they are (quote paths with shellQuoted).
// Standard output and error come back with LF line ends on every system.
ToolRun runTool(const std::string& name, const std::string& arguments);

// `text` quoted for the command interpreter (sh, or cmd on Windows).
std::string shellQuoted(const std::string& text);
