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

const char kVersion[] = "demoplayer 0.2.0";

// The largest window side --size accepts, far beyond any screen.
constexpr int kLargestWindowSide = 16384;
// The largest frame side of an export the parser lets through; the GL
// implementation's own limit is checked once a context exists.
constexpr int kLargestExportSide = 1 << 20;

// Where the usage's option descriptions start, after two spaces.
constexpr std::size_t kUsageNameColumn = 14;

// One option of the player.
struct PlayerOption {
    const char* name;              // "--row"
    const char* value;             // what follows it ("N"), or null for a switch
    bool exportOnly;               // only applies to an export (--export OUT)
    std::vector<std::string> help; // the usage's lines, in order
    std::string needs;             // the error when its value is missing or wrong
    // Sets the option in the command line from its value (null for a
    // switch); false when the value is wrong. Null: a second usage row of
    // the option above it, which parses it.
    bool (*apply)(const char* value, CommandLine& commandLine);
};

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

// Every option of the player, in the order the usage lists them: the usage
// text, the parser, its error messages and docs/command-line.md all come
// from here.
const std::vector<PlayerOption>& playerOptions()
{
    static const std::vector<PlayerOption> options = {
        {"--row",
         "N",
         false,
         {"start at row N instead of row 0"},
         "--row needs a row number of 0 or more",
         [](const char* value, CommandLine& line) { return line.hasStartRow = parseRow(value, line.startRow); }},
        {"--size",
         "WxH",
         false,
         {"window size in pixels when the demo is not full screen", "(default: the screen's size)"},
         "--size needs WIDTHxHEIGHT in pixels, for example 1280x720",
         [](const char* value, CommandLine& line) { return parseSize(value, line.windowWidth, line.windowHeight); }},
        {"--release",
         nullptr,
         false,
         {"play as a release does: full screen at the screen's",
          "resolution unless demo.json's \"release\" says otherwise"},
         "",
         [](const char*, CommandLine& line) { return line.release = true; }},
        {"--windowed",
         nullptr,
         false,
         {"play in a window (of --size), whatever demo.json says"},
         "",
         [](const char*, CommandLine& line) { return line.windowed = true; }},
        {"--live",
         nullptr,
         false,
         {"live editing: every file of the demo reloads as it is saved,",
          "errors show in the window, Tab toggles the heads-up display"},
         "",
         [](const char*, CommandLine& line) { return line.live = true; }},
        {"--edit",
         nullptr,
         false,
         {"live editing with the track editor beside the picture; F2", "shows and hides it (also with --live)"},
         "",
         [](const char*, CommandLine& line) { return line.live = line.edit = true; }},
        {"--export",
         "OUT",
         false,
         {"render the demo into OUT, no display needed: NAME.mp4 (H.264",
          "and AAC), NAME.mkv (the same in Matroska) or an image",
          "sequence such as shots/frame%05d.png (with shots/frame.wav);",
          "video needs a build with FFmpeg (the Windows build has none)"},
         "--export needs the name of the file to write, for example demo.mp4",
         [](const char* value, CommandLine& line) {
             line.exportOutput = value;
             return *value != '\0';
         }},
        {"--fps",
         "N",
         true,
         {"frames per second of the export (default 60)"},
         "--fps needs a whole number of frames per second from 1 to " + std::to_string(kMaxExportFps),
         [](const char* value, CommandLine& line) {
             return parseWholeNumber(value, 1, kMaxExportFps, line.exportFps);
         }},
        {"--rows",
         "A:B",
         true,
         {"export rows A up to B only (default: the whole demo; either", "side may be left out)"},
         "--rows needs A:B, rows of 0 or more with B after A (A or B may be left out)",
         [](const char* value, CommandLine& line) { return parseRowRange(value, line); }},
        {"--no-sound",
         nullptr,
         true,
         {"export the picture alone, without the tune's sound (without",
          "it, an export whose tune cannot be played stops at once)"},
         "",
         [](const char*, CommandLine& line) { return line.exportNoSound = true; }},
        {"--no-warmup",
         nullptr,
         false,
         {"with --rows or --row: do not first draw the earlier frames",
          "that feedback scenes grow from (faster; their frames may", "differ from a whole export)"},
         "",
         [](const char*, CommandLine& line) { return line.noWarmUp = true; }},
        {"--crf",
         "N",
         true,
         {"video quality of the export, 0 (lossless) to 51 (default 18)"},
         "--crf needs a whole number from 0 (lossless) to " + std::to_string(kMaxExportCrf),
         [](const char* value, CommandLine& line) {
             return parseWholeNumber(value, 0, kMaxExportCrf, line.exportCrf);
         }},
        {"--preset",
         "NAME",
         true,
         {"video encoding speed against file size: ultrafast, superfast,",
          "veryfast (default), faster, fast, medium, slow, slower,", "veryslow, placebo",
          "(with --export, --size is the frames' size, default 1280x720)"},
         "--preset needs one of ultrafast, superfast, veryfast, faster, fast, medium, slow, slower, veryslow, "
         "placebo",
         [](const char* value, CommandLine& line) {
             line.exportPreset = value;
             return isVideoPreset(value);
         }},
        {"--print",
         "name",
         false,
         {"print the demo's name and exit"},
         "--print needs what to print: files or name",
         [](const char* value, CommandLine& line) {
             line.print = value;
             return line.print == "files" || line.print == "name";
         }},
        {"--print",
         "files",
         false,
         {"print the files the demo reads, one a line, and exit (status 1",
          "when one is missing, each named on standard error)"},
         "--print needs what to print: files or name",
         nullptr},
        {"--import-shadertoy",
         "FILE.json",
         false,
         {"import a shader from the shader site's", "JSON export: its passes' files and a scene in DEMO_DIR (a",
          "new demo where DEMO_DIR has no demo.json); prints what it", "wrote and exits"},
         "--import-shadertoy needs the export's file: --import-shadertoy FILE.json DEMO_DIR",
         [](const char* value, CommandLine& line) {
             line.importShadertoy = value;
             return *value != '\0';
         }},
        {"--shader",
         "NAME",
         false,
         {"with --import-shadertoy: the export's shader of that name or", "id (default: its first)"},
         "--shader needs the name or id of a shader of the export",
         [](const char* value, CommandLine& line) {
             line.importPick = value;
             return *value != '\0';
         }},
        {"--help",
         nullptr,
         false,
         {"print this text and exit"},
         "",
         [](const char*, CommandLine& line) { return line.help = true; }},
        {"--version",
         nullptr,
         false,
         {"print the version and exit"},
         "",
         [](const char*, CommandLine& line) { return line.version = true; }},
    };
    return options;
}

// The option `argument` (named `name` before any "=") gives, or null.
const PlayerOption* findPlayerOption(const std::string& argument, const std::string& name)
{
    for (const PlayerOption& option : playerOptions()) {
        if (option.apply == nullptr) // a second usage row of the option above it
            continue;
        if (option.value == nullptr ? argument == option.name : name == option.name)
            return &option;
    }
    return nullptr;
}

// The option's name as the usage's left column shows it: "--row N".
std::string shownName(const PlayerOption& option)
{
    return option.value == nullptr ? option.name : option.name + std::string(" ") + option.value;
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
        const PlayerOption* option = optionsEnded ? nullptr : findPlayerOption(argument, name);
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (option != nullptr) {
            const char* value = option->value == nullptr ? nullptr : optionValue(argc, argv, i, name);
            if ((option->value != nullptr && value == nullptr) || !option->apply(value, commandLine)) {
                error = option->needs;
                return false;
            }
            if (option->exportOnly)
                exportOptions.push_back(option->name);
        } else if (const ToolkitOption* toolkit = optionsEnded ? nullptr : findToolkitOption(argv[i])) {
            commandLine.toolkitArguments.push_back(argument);
            if (toolkit->takesValue) {
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
    if (!commandLine.importPick.empty() && commandLine.importShadertoy.empty()) {
        error = "--shader chooses the shader that --import-shadertoy FILE.json imports";
        return false;
    }
    if (!commandLine.importShadertoy.empty()) {
        const bool alone = commandLine.exportOutput.empty() && !commandLine.live && commandLine.print.empty() &&
                           !commandLine.hasStartRow && !commandLine.release && !commandLine.windowed;
        if (!alone) {
            error = "--import-shadertoy writes a demo and plays nothing; give it alone with FILE.json and DEMO_DIR";
            return false;
        }
        if (commandLine.demoDir.empty()) {
            error = "--import-shadertoy needs the demo folder to write into: --import-shadertoy FILE.json DEMO_DIR";
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
    static const std::string usage = [] {
        std::string text =
            "Usage: demoplayer [options] [DEMO_DIR]\n"
            "       demoplayer --export OUT [--size WxH] [--fps N] [--rows A:B] [--crf N]\n"
            "                  [--preset NAME] [--no-sound] [--no-warmup] [DEMO_DIR]\n"
            "       demoplayer --import-shadertoy FILE.json [--shader NAME] DEMO_DIR\n"
            "\n"
            "Plays the demo that DEMO_DIR/demo.json describes (default: the current folder),\n"
            "or renders it offline into a video file or an image sequence, or adds a shader\n"
            "from the shader site's JSON export to a demo.\n"
            "\n"
            "Options:\n";
        for (const PlayerOption& option : playerOptions()) {
            std::string shown = shownName(option);
            shown.resize(std::max<std::size_t>(shown.size() + 1, kUsageNameColumn), ' ');
            for (std::size_t line = 0; line < option.help.size(); ++line)
                text += (line == 0 ? "  " + shown : std::string(kUsageNameColumn + 2, ' ')) + option.help[line] + "\n";
        }
        text +=
            "\n"
            "The toolkit's X options (-display NAME, -geometry WxH+X+Y, -iconic, ...) are\n"
            "passed on to it.\n"
            "\n"
            "Keys: Esc quits, space pauses and resumes, a / d jump back / forward.\n"
            "With --live also: Home to row 0, PageUp / PageDown to the previous / next\n"
            "scene, , / . one beat back / forward, [ / ] loop start / end, \\ no loop,\n"
            "F2 the track editor (its keys are in the README).\n";
        return text;
    }();
    return usage.c_str();
}

std::string app::commandLineReference()
{
    std::string text = "| option | what it does | only with --export |\n|---|---|---|\n";
    for (const PlayerOption& option : playerOptions()) {
        std::string help;
        for (const std::string& line : option.help)
            help += (help.empty() ? "" : " ") + line;
        for (std::size_t bar = help.find('|'); bar != std::string::npos; bar = help.find('|', bar + 2))
            help.replace(bar, 1, "\\|");
        text += "| `" + shownName(option) + "` | " + help + " | " + (option.exportOnly ? "yes" : "") + " |\n";
    }
    return text;
}

const char* app::commandLineVersion()
{
    return kVersion;
}
