// The player's command line: `demoplayer [options] [DEMO_DIR]`.
//
// Parsing is a pure function of the arguments, so it runs before the
// windowing toolkit starts (--help and a wrong option need no display) and
// can be checked without one. Options are long names with two dashes; the
// toolkit's own X options (-display NAME, -geometry WxH+X+Y, -direct, ...) are
// passed on to it untouched. Main thread.
#pragma once

#include <string>
#include <vector>

#include "demo/ReleaseWindow.h"
#include "export/ExportDefaults.h"

struct CommandLine {
    bool help = false;        // --help: print the usage and exit 0
    bool version = false;     // --version: print the version and exit 0
    bool live = false;        // --live: reload every file of the demo as it is saved
    bool edit = false;        // --edit: live, with the track editor open
    std::string demoDir;      // the demo folder; empty: the current folder
    bool hasStartRow = false; // --row was given
    double startRow = 0.0;    // --row N: the row the first frame shows
    int windowWidth = 0;      // --size WxH: the window's size when not full
    int windowHeight = 0;     // screen; 0 x 0: the screen's size (with --export: the
                              // frames' size, 0 x 0: kDefaultExportWidth x kDefaultExportHeight)
    // --export OUT: render the demo offline into OUT instead of playing it.
    std::string exportOutput;          // empty: play
    int exportFps = kDefaultExportFps; // --fps N: frames per second of the export
    int exportCrf = kDefaultExportCrf; // --crf N: video quality, 0 (lossless) .. kMaxExportCrf
    std::string exportPreset;          // --preset NAME: encoding speed against size; empty: the exporter's
    double exportFirstRow = 0.0;       // --rows A:B: the first row exported (A)
    bool hasExportEndRow = false;      // B was given; otherwise the demo's end
    double exportEndRow = 0.0;         // the row the export stops before (B)
    bool exportNoSound = false;        // --no-sound: none written; else an unplayable tune fails
    // --no-warmup: an export's range (or a start at --row) does not draw the
    // frames before it that feedback scenes grow from.
    bool noWarmUp = false;
    // --print WHAT: print the demo's "name" or the "files" it reads, one a
    // line, and exit without playing.
    std::string print; // empty: play
    // --import-shadertoy FILE.json: turn the shader site's export into files
    // and a scene in DEMO_DIR (which must be given) instead of playing.
    std::string importShadertoy; // empty: play
    std::string importPick;      // --shader NAME: the export's shader of that name or id; empty: its first
    bool release = false;        // --release: as the release's launchers play it (see planWindow)
    bool windowed = false;       // --windowed: a window, whatever the description asks
    // What the windowing toolkit receives: the program name and its own options.
    std::vector<std::string> toolkitArguments;
};

// How the window is shown once the description has loaded.
struct WindowPlan {
    bool asDescribed = true; // full screen as "fullscreen" in demo.json says (the
                             // specified player); the fields below do not count
    bool fullscreen = false; // full screen at the screen's resolution
    int width = 0;           // the window's size when not full screen;
    int height = 0;          // 0 x 0: the screen's
};

namespace app {

// Reads `argc` / `argv` into `commandLine`. Returns false for wrong usage,
// with `error` saying what is wrong in one line (without the program name).
bool parseCommandLine(int argc, const char* const* argv, CommandLine& commandLine, std::string& error);

// The window that `commandLine` asks for, given the demo's release
// settings. Without --release or --windowed: as described. --windowed: a
// window. --release: full screen unless the release settings ask for a
// window or --size is given; the window's size is --size, else the
// release's, else the screen's.
WindowPlan planWindow(const CommandLine& commandLine, const ReleaseWindow& release);

// The usage text that --help prints (and wrong usage prints on standard error).
const char* commandLineUsage();

// The options' reference as a Markdown table, from the same table as the
// usage and the parser (docs/command-line.md holds it).
std::string commandLineReference();

// "demoplayer " and the version.
const char* commandLineVersion();

} // namespace app
