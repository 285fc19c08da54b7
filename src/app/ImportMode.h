// `demoplayer --import-shadertoy FILE.json DEMO_DIR`: writes the plan that
// demo::planShadertoyImport makes of the shader site's export into the demo
// folder (made when missing): the passes' sources, a silent tune for a new
// demo, and demo.json last, so that a failure before it leaves the folder's
// description as it was. Needs no display. Main thread.
#pragma once

#include <string>

namespace app {

// Imports the export at `exportPath` into the folder `demoDir` (both as the
// user gave them, seen from the working folder). Prints what it wrote on
// standard output, one line per file, and each warning (a missing image, an
// input the player lacks) on standard error. Returns the exit status: 0, or
// 1 when the export cannot be read or is malformed, the folder's demo.json
// cannot take the shader, or a file cannot be written.
// `pick` names the export's shader to import ("" for its first).
int importShadertoy(const std::string& exportPath, const std::string& pick, const std::string& demoDir);

} // namespace app
