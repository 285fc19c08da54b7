// `demoplayer --print WHAT`: what a script needs to know of a demo without
// playing it (scripts/release asks for both): its name, or the files it
// reads. Needs no display. Main thread, in the demo's folder.
#pragma once

#include <string>

namespace app {

// Prints the demo's name ("name") or the files it reads ("files", one a
// line, relative to its folder; see demo/DemoFiles.h) on standard output.
// Each file the demo needs that is missing or not a regular file is one line
// on standard error, naming what reads it. Returns the exit status: 0, or 1
// when a needed file is missing or demo.json cannot be read or is refused.
int printDemo(const std::string& what);

} // namespace app
