// Parsing the player's command line (see CommandLine.h). Pure; main thread.
#include "app/CommandLine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: demoplayer [options] [DEMO_DIR]\n"
    "\n"
    "Plays the demo that DEMO_DIR/demo.json describes (default: the current folder).\n"
    "\n"
    "Options:\n"
    "  --row N       start at row N instead of row 0\n"
    "  --size WxH    window size in pixels when the demo is not full screen\n"
    "                (default: the screen's size)\n"
    "  --live        live editing: every file of the demo reloads as it is saved,\n"
    "                errors show in the window, Tab toggles the heads-up display\n"
    "  --help        print this text and exit\n"
    "  --version     print the version and exit\n"
    "\n"
    "The toolkit's X options (-display NAME, -geometry WxH+X+Y, -iconic, ...) are\n"
    "passed on to it.\n"
    "\n"
    "Keys: Esc quits, space pauses and resumes, a / d jump back / forward.\n"
    "With --live also: Home to row 0, PageUp / PageDown to the previous / next\n"
    "scene, , / . one beat back / forward, [ / ] loop start / end, \\ no loop.\n";

const char kVersion[] = "demoplayer 0.2.0";

// The largest window side --size accepts, far beyond any screen.
constexpr int kLargestWindowSide = 16384;

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

// "WxH" with two whole numbers from 1 to kLargestWindowSide.
bool parseSize(const char* text, int& width, int& height)
{
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X'))
        return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0' || w < 1 || h < 1 || w > kLargestWindowSide || h > kLargestWindowSide)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
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

bool parseCommandLine(int argc, const char* const* argv, CommandLine& commandLine, std::string& error)
{
    commandLine = CommandLine();
    commandLine.toolkitArguments.push_back(argc > 0 ? argv[0] : "demoplayer");
    bool optionsEnded = false;
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
    return true;
}

const char* commandLineUsage()
{
    return kUsage;
}

const char* commandLineVersion()
{
    return kVersion;
}
