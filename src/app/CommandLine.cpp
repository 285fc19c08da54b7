// Parsing the player's command line (see CommandLine.h). Pure; main thread.
#include "app/CommandLine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "Usage: demoplayer [options] [DEMO_DIR]\n"
    "       demoplayer --export OUT [--size WxH] [--fps N] [--rows A:B] [--crf N]\n"
    "                  [--preset NAME] [--no-sound] [DEMO_DIR]\n"
    "\n"
    "Plays the demo that DEMO_DIR/demo.json describes (default: the current folder),\n"
    "or renders it offline into a video file or an image sequence.\n"
    "\n"
    "Options:\n"
    "  --row N       start at row N instead of row 0\n"
    "  --size WxH    window size in pixels when the demo is not full screen\n"
    "                (default: the screen's size)\n"
    "  --release     play as a release does: full screen at the screen's\n"
    "                resolution unless demo.json's \"release\" says otherwise\n"
    "  --windowed    play in a window (of --size), whatever demo.json says\n"
    "  --live        live editing: every file of the demo reloads as it is saved,\n"
    "                errors show in the window, Tab toggles the heads-up display\n"
    "  --edit        live editing with the track editor beside the picture; F2\n"
    "                shows and hides it (also with --live)\n"
    "  --export OUT  render the demo into OUT, no display needed: NAME.mp4 (H.264\n"
    "                and AAC), NAME.mkv (the same in Matroska) or an image\n"
    "                sequence such as shots/frame%05d.png (with shots/frame.wav);\n"
    "                video needs a build with FFmpeg (the Windows build has none)\n"
    "  --fps N       frames per second of the export (default 60)\n"
    "  --rows A:B    export rows A up to B only (default: the whole demo; either\n"
    "                side may be left out)\n"
    "  --no-sound    export the picture alone, without the tune's sound (without\n"
    "                it, an export whose tune cannot be played stops at once)\n"
    "  --crf N       video quality of the export, 0 (lossless) to 51 (default 18)\n"
    "  --preset NAME video encoding speed against file size: ultrafast, superfast,\n"
    "                veryfast (default), faster, fast, medium, slow, slower, veryslow\n"
    "                (with --export, --size is the frames' size, default 1280x720)\n"
    "  --print name  print the demo's name and exit\n"
    "  --print files print the files the demo reads, one a line, and exit (status 1\n"
    "                when one is missing, each named on standard error)\n"
    "  --help        print this text and exit\n"
    "  --version     print the version and exit\n"
    "\n"
    "The toolkit's X options (-display NAME, -geometry WxH+X+Y, -iconic, ...) are\n"
    "passed on to it.\n"
    "\n"
    "Keys: Esc quits, space pauses and resumes, a / d jump back / forward.\n"
    "With --live also: Home to row 0, PageUp / PageDown to the previous / next\n"
    "scene, , / . one beat back / forward, [ / ] loop start / end, \\ no loop,\n"
    "F2 the track editor (its keys are in the README).\n";

const char kVersion[] = "demoplayer 0.2.0";

// The largest window side --size accepts, far beyond any screen.
constexpr int kLargestWindowSide = 16384;
// The largest frame side of an export the parser lets through; the GL
// implementation's own limit is checked once a context exists.
constexpr int kLargestExportSide = 1 << 20;

// The toolkit's options and whether each takes a value, as it reads them.
struct ToolkitOption {
    const char* name;
    bool takesValue;
};
const ToolkitOption kToolkitOptions[] = {
    {"-display", true}, {"-geometry", true}, {"-direct", false}, {"-indirect", false},
    {"-iconic", false}, {"-gldebug", false}, {"-sync", false},
};

const ToolkitOption* findToolkitOption(const char* argument)
{
    for (const ToolkitOption& option : kToolkitOptions)
        if (std::strcmp(argument, option.name) == 0)
            return &option;
    return nullptr;
}

bool parseRow(const char* text, double& row)
{
    char* end = nullptr;
    row = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(row) && row >= 0.0;
}

// "WxH" with two whole numbers from 1 to kLargestExportSide.
bool parseSize(const char* text, int& width, int& height)
{
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X'))
        return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0' || w < 1 || h < 1 || w > kLargestExportSide || h > kLargestExportSide)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

// A whole number from `lowest` to `highest`.
bool parseWholeNumber(const char* text, int lowest, int highest, int& number)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < lowest || value > highest)
        return false;
    number = static_cast<int>(value);
    return true;
}

// "A:B", "A:" or ":B": rows of 0 or more, B after A when both are given.
bool parseRowRange(const char* text, CommandLine& commandLine)
{
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr)
        return false;
    const std::string first(text, colon);
    const std::string end(colon + 1);
    commandLine.exportFirstRow = 0.0;
    if (!first.empty() && !parseRow(first.c_str(), commandLine.exportFirstRow))
        return false;
    commandLine.hasExportEndRow = !end.empty();
    if (commandLine.hasExportEndRow &&
        (!parseRow(end.c_str(), commandLine.exportEndRow) || commandLine.exportEndRow <= commandLine.exportFirstRow))
        return false;
    return true;
}

// The value of the option at argv[i] ("--name VALUE" or "--name=VALUE"),
// advancing i past it; nullptr when there is none.
const char* optionValue(int argc, const char* const* argv, int& i, const std::string& name)
{
    const std::string argument = argv[i];
    if (argument.size() > name.size() && argument.compare(0, name.size() + 1, name + "=") == 0)
        return argv[i] + name.size() + 1;
    if (i + 1 >= argc)
        return nullptr;
    return argv[++i];
}

} // namespace

bool app::parseCommandLine(int argc, const char* const* argv, CommandLine& commandLine, std::string& error)
{
    commandLine = CommandLine();
    commandLine.toolkitArguments.push_back(argc > 0 ? argv[0] : "demoplayer");
    bool optionsEnded = false;
    std::vector<std::string> exportOptions; // the export's own options, as given
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const std::string name = argument.substr(0, argument.find('='));
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == "--help") {
            commandLine.help = true;
        } else if (!optionsEnded && argument == "--version") {
            commandLine.version = true;
        } else if (!optionsEnded && argument == "--live") {
            commandLine.live = true;
        } else if (!optionsEnded && argument == "--edit") {
            commandLine.live = true;
            commandLine.edit = true;
        } else if (!optionsEnded && argument == "--release") {
            commandLine.release = true;
        } else if (!optionsEnded && argument == "--windowed") {
            commandLine.windowed = true;
        } else if (!optionsEnded && name == "--print") {
            const char* value = optionValue(argc, argv, i, name);
            if (value == nullptr || (std::strcmp(value, "files") != 0 && std::strcmp(value, "name") != 0)) {
                error = "--print needs what to print: files or name";
                return false;
            }
            commandLine.print = value;
        } else if (!optionsEnded && name == "--row") {
            const char* value = optionValue(argc, argv, i, name);
            if (value == nullptr || !parseRow(value, commandLine.startRow)) {
                error = "--row needs a row number of 0 or more";
                return false;
            }
            commandLine.hasStartRow = true;
        } else if (!optionsEnded && name == "--size") {
            const char* value = optionValue(argc, argv, i, name);
            if (value == nullptr || !parseSize(value, commandLine.windowWidth, commandLine.windowHeight)) {
                error = "--size needs WIDTHxHEIGHT in pixels, for example 1280x720";
                return false;
            }
        } else if (!optionsEnded && name == "--export") {
            const char* value = optionValue(argc, argv, i, name);
            if (value == nullptr || *value == '\0') {
                error = "--export needs the name of the file to write, for example demo.mp4";
                return false;
            }
            commandLine.exportOutput = value;
        } else if (!optionsEnded && name == "--fps") {
            const char* value = optionValue(argc, argv, i, name);
            if (value == nullptr || !parseWholeNumber(value, 1, kMaxExportFps, commandLine.exportFps)) {
                error = "--fps needs a whole number of frames per second from 1 to " + std::to_string(kMaxExportFps);
                return false;
            }
            exportOptions.push_back(name);
        } else if (!optionsEnded && name == "--crf") {
            const char* value = optionValue(argc, argv, i, name);
            if (value == nullptr || !parseWholeNumber(value, 0, kMaxExportCrf, commandLine.exportCrf)) {
                error = "--crf needs a whole number from 0 (lossless) to " + std::to_string(kMaxExportCrf);
                return false;
            }
            exportOptions.push_back(name);
        } else if (!optionsEnded && name == "--preset") {
            const char* value = optionValue(argc, argv, i, name);
            if (value == nullptr || !isVideoPreset(value)) {
                error =
                    "--preset needs one of ultrafast, superfast, veryfast, faster, fast, medium, slow, slower, "
                    "veryslow, placebo";
                return false;
            }
            commandLine.exportPreset = value;
            exportOptions.push_back(name);
        } else if (!optionsEnded && argument == "--no-sound") {
            commandLine.exportNoSound = true;
            exportOptions.push_back(argument);
        } else if (!optionsEnded && name == "--rows") {
            const char* value = optionValue(argc, argv, i, name);
            if (value == nullptr || !parseRowRange(value, commandLine)) {
                error = "--rows needs A:B, rows of 0 or more with B after A (A or B may be left out)";
                return false;
            }
            exportOptions.push_back(name);
        } else if (const ToolkitOption* option = optionsEnded ? nullptr : findToolkitOption(argv[i])) {
            commandLine.toolkitArguments.push_back(argument);
            if (option->takesValue) {
                if (i + 1 >= argc) {
                    error = argument + " needs a value";
                    return false;
                }
                commandLine.toolkitArguments.push_back(argv[++i]);
            }
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            error = "unknown option " + argument;
            return false;
        } else if (argument.empty()) {
            error = "the demo folder's name is empty";
            return false;
        } else if (commandLine.demoDir.empty()) {
            commandLine.demoDir = argument;
        } else {
            error = "only one demo folder can be played, not also \"" + argument + "\"";
            return false;
        }
    }
    if (!commandLine.exportOutput.empty() && commandLine.live) {
        error = std::string(commandLine.edit ? "--edit" : "--live") +
                " watches a playing demo; an export (--export OUT) renders it once";
        return false;
    }
    if (!commandLine.exportOutput.empty() && commandLine.hasStartRow) {
        error = "--row sets where playing starts; an export takes its rows with --rows A:B";
        return false;
    }
    if (!commandLine.exportOutput.empty() && (commandLine.release || commandLine.windowed)) {
        error = std::string(commandLine.release ? "--release" : "--windowed") +
                " sets how the demo plays on screen; an export (--export OUT) has no window";
        return false;
    }
    if (commandLine.exportOutput.empty() && !exportOptions.empty()) {
        error = exportOptions.front() + " only applies to an export (--export OUT)";
        return false;
    }
    if (commandLine.exportOutput.empty() &&
        (commandLine.windowWidth > kLargestWindowSide || commandLine.windowHeight > kLargestWindowSide)) {
        error = "--size needs WIDTHxHEIGHT in pixels, for example 1280x720";
        return false;
    }
    return true;
}

WindowPlan app::planWindow(const CommandLine& commandLine, const ReleaseWindow& release)
{
    WindowPlan plan;
    if (!commandLine.release && !commandLine.windowed)
        return plan;
    plan.asDescribed = false;
    const bool sized = commandLine.windowWidth > 0 && commandLine.windowHeight > 0;
    plan.fullscreen = commandLine.release && !commandLine.windowed && !sized && release.fullscreen;
    plan.width = sized ? commandLine.windowWidth : commandLine.release ? release.width : 0;
    plan.height = sized ? commandLine.windowHeight : commandLine.release ? release.height : 0;
    return plan;
}

const char* app::commandLineUsage()
{
    return kUsage;
}

const char* app::commandLineVersion()
{
    return kVersion;
}
