// The player's command line, parsed without a display.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

// Parses `arguments` (after the program name); the error text lands in `error`.
bool parse(std::vector<const char*> arguments, CommandLine& commandLine, std::string& error)
{
    arguments.insert(arguments.begin(), "demoplayer");
    return app::parseCommandLine(static_cast<int>(arguments.size()), arguments.data(), commandLine, error);
}

} // namespace

TEST(CommandLine, NoArgumentsPlaysTheCurrentFolderAsSpecified)
{
    CommandLine commandLine;
    std::string error;
    ASSERT_TRUE(parse({}, commandLine, error));
    EXPECT_TRUE(commandLine.demoDir.empty());
    EXPECT_FALSE(commandLine.help || commandLine.version || commandLine.hasStartRow || commandLine.live);
    EXPECT_EQ(commandLine.windowWidth, 0);
    EXPECT_EQ(commandLine.toolkitArguments, std::vector<std::string>{"demoplayer"});
}

TEST(CommandLine, ReadsFolderRowAndSizeInEitherSpelling)
{
    CommandLine commandLine;
    std::string error;
    ASSERT_TRUE(parse({"--row", "320.5", "demos/plasma", "--size=1280x720"}, commandLine, error)) << error;
    EXPECT_EQ(commandLine.demoDir, "demos/plasma");
    EXPECT_TRUE(commandLine.hasStartRow);
    EXPECT_DOUBLE_EQ(commandLine.startRow, 320.5);
    EXPECT_EQ(commandLine.windowWidth, 1280);
    EXPECT_EQ(commandLine.windowHeight, 720);

    ASSERT_TRUE(parse({"--row=0", "--size", "640X360"}, commandLine, error)) << error;
    EXPECT_TRUE(commandLine.hasStartRow);
    EXPECT_EQ(commandLine.windowHeight, 360);
}

TEST(CommandLine, ToolkitOptionsPassOnWithTheirValues)
{
    CommandLine commandLine;
    std::string error;
    ASSERT_TRUE(parse({"-display", ":3", "demo", "-geometry", "320x200+10+10", "-iconic"}, commandLine, error))
        << error;
    EXPECT_EQ(commandLine.demoDir, "demo");
    const std::vector<std::string> expected{"demoplayer", "-display", ":3", "-geometry", "320x200+10+10", "-iconic"};
    EXPECT_EQ(commandLine.toolkitArguments, expected);
}

TEST(CommandLine, DoubleDashEndsTheOptions)
{
    CommandLine commandLine;
    std::string error;
    ASSERT_TRUE(parse({"--", "--help"}, commandLine, error)) << error;
    EXPECT_FALSE(commandLine.help);
    EXPECT_EQ(commandLine.demoDir, "--help") << "a folder may be called anything after --";
}

TEST(CommandLine, HelpAndVersionAreRecognisedAnywhere)
{
    CommandLine commandLine;
    std::string error;
    ASSERT_TRUE(parse({"demo", "--help"}, commandLine, error));
    EXPECT_TRUE(commandLine.help);
    ASSERT_TRUE(parse({"--version"}, commandLine, error));
    EXPECT_TRUE(commandLine.version);
    EXPECT_NE(std::string(app::commandLineUsage()).find("Usage: demoplayer [options] [DEMO_DIR]"), std::string::npos);
}

TEST(CommandLine, ImportTakesTheExportAndTheDemoFolder)
{
    CommandLine commandLine;
    std::string error;
    ASSERT_TRUE(parse({"--import-shadertoy", "shader.json", "demos/new"}, commandLine, error)) << error;
    EXPECT_EQ(commandLine.importShadertoy, "shader.json");
    EXPECT_EQ(commandLine.demoDir, "demos/new");
    EXPECT_TRUE(commandLine.importPick.empty());
    ASSERT_TRUE(parse({"--import-shadertoy", "shader.json", "--shader=Ab12Cd", "demos/new"}, commandLine, error));
    EXPECT_EQ(commandLine.importPick, "Ab12Cd");
}

TEST(CommandLine, WrongUsageIsRefusedWithAReason)
{
    struct Case {
        std::vector<const char*> arguments;
        const char* expectedWord;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"-x"}, "unknown option -x"},
        {{"--row"}, "--row"},
        {{"--row", "-3"}, "--row"},
        {{"--row", "twelve"}, "--row"},
        {{"--row", "nan"}, "--row"},
        {{"--size", "1280"}, "--size"},
        {{"--size", "0x720"}, "--size"},
        {{"--size", "1280x720x3"}, "--size"},
        {{"--size", "99999x10"}, "--size"},
        {{"-display"}, "-display needs a value"},
        {{"one", "two"}, "two"},
        {{"--import-shadertoy", "shader.json"}, "needs the demo folder to write into"},
        {{"--shader", "Ab12Cd", "dir"}, "--shader chooses the shader that --import-shadertoy"},
        {{"--import-shadertoy", "shader.json", "--live", "dir"}, "plays nothing"},
        {{"--import-shadertoy", "shader.json", "--export", "a.mp4", "dir"}, "plays nothing"},
        {{""}, "empty"},
    };
    for (const Case& c : cases) {
        CommandLine commandLine;
        std::string error;
        EXPECT_FALSE(parse(c.arguments, commandLine, error)) << "accepted: " << c.arguments[0];
        EXPECT_NE(error.find(c.expectedWord), std::string::npos) << "error was: " << error;
    }
}

TEST(CommandLine, ExportTakesItsOptionsWithDefaultsAndOpenRanges)
{
    CommandLine commandLine;
    std::string error;
    ASSERT_TRUE(parse({"--export", "demo.mp4", "demos/plasma"}, commandLine, error)) << error;
    EXPECT_EQ(commandLine.exportOutput, "demo.mp4");
    EXPECT_EQ(commandLine.exportFps, 60);
    EXPECT_EQ(commandLine.exportCrf, 18);
    EXPECT_EQ(commandLine.exportPreset, "") << "empty: the exporter's own default";
    EXPECT_EQ(commandLine.exportFirstRow, 0.0);
    EXPECT_FALSE(commandLine.hasExportEndRow);

    EXPECT_FALSE(commandLine.exportNoSound);

    ASSERT_TRUE(parse({"--export=shots/f%05d.png", "--fps", "25", "--crf=0", "--preset", "slow", "--rows", "120.5:400",
                       "--size", "20000x100", "--no-sound"},
                      commandLine, error))
        << error;
    EXPECT_EQ(commandLine.exportFps, 25);
    EXPECT_EQ(commandLine.exportCrf, 0);
    EXPECT_EQ(commandLine.exportPreset, "slow");
    EXPECT_DOUBLE_EQ(commandLine.exportFirstRow, 120.5);
    EXPECT_TRUE(commandLine.hasExportEndRow);
    EXPECT_DOUBLE_EQ(commandLine.exportEndRow, 400.0);
    EXPECT_EQ(commandLine.windowWidth, 20000) << "the GL implementation judges an export's size";
    EXPECT_TRUE(commandLine.exportNoSound);

    ASSERT_TRUE(parse({"--export", "a.mkv", "--rows", ":80"}, commandLine, error)) << error;
    EXPECT_EQ(commandLine.exportFirstRow, 0.0);
    EXPECT_DOUBLE_EQ(commandLine.exportEndRow, 80.0);
    ASSERT_TRUE(parse({"--export", "a.mkv", "--rows", "80:"}, commandLine, error)) << error;
    EXPECT_DOUBLE_EQ(commandLine.exportFirstRow, 80.0);
    EXPECT_FALSE(commandLine.hasExportEndRow);
}

TEST(CommandLine, WrongExportUsageIsRefusedWithAReason)
{
    struct Case {
        std::vector<const char*> arguments;
        const char* expectedWord;
    };
    const Case cases[] = {
        {{"--export"}, "--export"},
        {{"--export="}, "--export"},
        {{"--export", "a.mp4", "--fps", "0"}, "--fps"},
        {{"--export", "a.mp4", "--fps", "1001"}, "--fps"},
        {{"--export", "a.mp4", "--fps", "29.97"}, "--fps"},
        {{"--export", "a.mp4", "--crf", "52"}, "--crf"},
        {{"--export", "a.mp4", "--crf", "-1"}, "--crf"},
        {{"--export", "a.mp4", "--preset", "turbo"}, "--preset"},
        {{"--export", "a.mp4", "--preset", "Medium"}, "--preset"},
        {{"--export", "a.mp4", "--preset"}, "--preset"},
        {{"--preset", "fast"}, "only applies to an export"},
        {{"--export", "a.mp4", "--rows", "10"}, "--rows"},
        {{"--export", "a.mp4", "--rows", "10:10"}, "--rows"},
        {{"--export", "a.mp4", "--rows", "20:10"}, "--rows"},
        {{"--export", "a.mp4", "--rows", "-5:10"}, "--rows"},
        {{"--fps", "30"}, "--fps only applies to an export"},
        {{"--rows", "0:10", "demo"}, "--rows only applies to an export"},
        {{"--no-sound"}, "--no-sound only applies to an export"},
        {{"--export", "a.mp4", "--no-sound=yes"}, "unknown option --no-sound=yes"},
        {{"--export", "a.mp4", "--row", "100"}, "--rows A:B"},
        {{"--live", "--export", "a.mp4"}, "--live"},
        {{"--edit", "--export", "a.mp4"}, "--edit"},
    };
    for (const Case& c : cases) {
        CommandLine commandLine;
        std::string error;
        EXPECT_FALSE(parse(c.arguments, commandLine, error)) << "accepted: " << c.arguments.back();
        EXPECT_NE(error.find(c.expectedWord), std::string::npos) << "error was: " << error;
    }
}

TEST(CommandLine, LiveGoesWithTheOtherOptions)
{
    CommandLine commandLine;
    std::string error;
    ASSERT_TRUE(parse({"--live", "--row", "40", "mydemo"}, commandLine, error)) << error;
    EXPECT_TRUE(commandLine.live);
    EXPECT_EQ(commandLine.demoDir, "mydemo");
    EXPECT_DOUBLE_EQ(commandLine.startRow, 40.0);
    EXPECT_NE(std::string(app::commandLineUsage()).find("--live"), std::string::npos);
    // --edit is live mode with the track editor.
    CommandLine edit;
    ASSERT_TRUE(parse({"--edit"}, edit, error)) << error;
    EXPECT_TRUE(edit.live && edit.edit);
    // After "--" it is a folder's name.
    CommandLine folder;
    ASSERT_TRUE(parse({"--", "--live"}, folder, error)) << error;
    EXPECT_FALSE(folder.live);
    EXPECT_EQ(folder.demoDir, "--live");
}

TEST(CommandLine, ReleaseAndWindowedChooseTheWindowOverTheDescription)
{
    CommandLine commandLine;
    std::string error;
    ReleaseWindow fullscreen;
    ReleaseWindow window;
    window.fullscreen = false;
    window.width = 1024;
    window.height = 576;

    ASSERT_TRUE(parse({}, commandLine, error));
    EXPECT_TRUE(app::planWindow(commandLine, window).asDescribed) << "without the options: as specified";

    ASSERT_TRUE(parse({"--release"}, commandLine, error)) << error;
    WindowPlan plan = app::planWindow(commandLine, fullscreen);
    EXPECT_TRUE(!plan.asDescribed && plan.fullscreen);
    plan = app::planWindow(commandLine, window);
    EXPECT_TRUE(!plan.fullscreen && plan.width == 1024 && plan.height == 576) << "the demo's own release window";

    ASSERT_TRUE(parse({"--release", "--size", "800x600"}, commandLine, error)) << error;
    plan = app::planWindow(commandLine, fullscreen);
    EXPECT_TRUE(!plan.fullscreen && plan.width == 800 && plan.height == 600) << "a size asks for a window";

    ASSERT_TRUE(parse({"--windowed", "--release"}, commandLine, error)) << error;
    plan = app::planWindow(commandLine, window);
    EXPECT_TRUE(!plan.asDescribed && !plan.fullscreen && plan.width == 1024);
    ASSERT_TRUE(parse({"--windowed"}, commandLine, error)) << error;
    plan = app::planWindow(commandLine, window);
    EXPECT_TRUE(!plan.asDescribed && !plan.fullscreen && plan.width == 0) << "release settings need --release";

    EXPECT_FALSE(parse({"--release", "--export", "a.mp4"}, commandLine, error));
    EXPECT_EQ(error, "--release sets how the demo plays on screen; an export (--export OUT) has no window");
}

TEST(CommandLine, PrintTakesNameOrFiles)
{
    CommandLine commandLine;
    std::string error;
    ASSERT_TRUE(parse({"--print", "files", "demo"}, commandLine, error)) << error;
    EXPECT_EQ(commandLine.print, "files");
    EXPECT_EQ(commandLine.demoDir, "demo");
    ASSERT_TRUE(parse({"--print=name"}, commandLine, error)) << error;
    EXPECT_EQ(commandLine.print, "name");
    EXPECT_FALSE(parse({"--print", "shaders"}, commandLine, error));
    EXPECT_EQ(error, "--print needs what to print: files or name");
}

TEST(CommandLine, EveryPresetTheParserTakesIsInTheUsage)
{
    const std::string usage = app::commandLineUsage();
    for (const char* preset :
         {"ultrafast", "superfast", "veryfast", "faster", "fast", "medium", "slow", "slower", "veryslow", "placebo"}) {
        CommandLine commandLine;
        std::string error;
        EXPECT_TRUE(parse({"--export", "a.mp4", "--preset", preset}, commandLine, error)) << error;
        EXPECT_NE(usage.find(std::string(" ") + preset), std::string::npos) << preset << " missing from the usage";
    }
}

// The usage is read in a terminal: no line wraps at 80 columns.
TEST(CommandLine, TheUsageFitsAnEightyColumnTerminal)
{
    std::istringstream usage(app::commandLineUsage());
    for (std::string line; std::getline(usage, line);)
        EXPECT_LE(line.size(), 80u) << line;
}

TEST(CommandLine, TheDocsPageListsTheOptionsAsTheTableDoes)
{
    const char* source = std::getenv("DEMOPLAYER_SOURCE_DIR");
    const std::string path = std::string(source != nullptr ? source : ".") + "/docs/command-line.md";
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file) << "cannot read " << path;
    const std::string page{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::string table = app::commandLineReference();
    EXPECT_NE(page.find(table), std::string::npos) << path << " should hold this table, as the options are now:\n"
                                                   << table;
}
