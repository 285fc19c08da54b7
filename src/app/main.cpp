// Process entry of the demo player: the command line, the start-up steps in
// their order, the toolkit's main loop, and the shutdown. Plays the demo in
// DEMO_DIR (default: the current folder); the toolkit's own options go to
// it. Exit status 0 after Esc, the end row or a closed window; 1 when the
// demo folder cannot be entered, the GL entry points cannot be loaded, the
// description fails to load or a render target cannot be drawn into; 2 for
// wrong usage. With --export OUT it renders
// the demo into OUT instead, without a window (see ExportMode.h); with
// --import-shadertoy it writes a shader of the site into a demo (ImportMode.h).
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/BuildFailures.h"
#include "app/CommandLine.h"
#include "app/MistakeWarnings.h"
#include "app/DemoSetup.h"
#include "app/EditMode.h"
#include "app/ExportMode.h"
#include "app/ImportMode.h"
#include "app/Keyboard.h"
#include "app/LiveMode.h"
#include "app/PrintDemo.h"
#include "app/TextTracks.h"
#include "app/ToolkitCallbacks.h"
#include "app/Window.h"
#include "platform/ConsoleSink.h"
#include "platform/platform.h"

namespace {

// Handles --help, --version and wrong usage, which need no window. Returns
// the exit status when the program is done, or -1 to go on and play.
int answerWithoutPlaying(bool parsed, const CommandLine& commandLine, const std::string& error)
{
    if (!parsed) {
        std::fprintf(stderr, "demoplayer: %s\n%s", error.c_str(), app::commandLineUsage());
        return 2;
    }
    if (commandLine.help) {
        std::cout << app::commandLineUsage();
        return 0;
    }
    if (commandLine.version) {
        std::cout << app::commandLineVersion() << "\n";
        return 0;
    }
    return -1;
}

// Makes the demo folder the working folder, where the demo's files are found.
bool enterDemoFolder(const std::string& folder)
{
    if (folder.empty())
        return true;
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (error) {
        std::fprintf(stderr, "%s: cannot play the demo in this folder: %s\n", folder.c_str(), error.message().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Every line of the account goes out as it is written, so whatever ends
    // the process, its output shows how far it got.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);

    CommandLine commandLine;
    std::string error;
    const bool parsed = app::parseCommandLine(argc, argv, commandLine, error);
    const int answered = answerWithoutPlaying(parsed, commandLine, error);
    if (answered >= 0)
        return answered;
    if (!commandLine.importShadertoy.empty())
        return app::importShadertoy(commandLine.importShadertoy, commandLine.importPick, commandLine.demoDir);
    if (!commandLine.exportOutput.empty()) {
        // OUT names a place seen from where the program was started.
        std::error_code ignored;
        const std::filesystem::path output = std::filesystem::absolute(commandLine.exportOutput, ignored);
        if (!output.empty())
            commandLine.exportOutput = output.string();
    }
    if (!enterDemoFolder(commandLine.demoDir))
        return 1;
    if (!commandLine.print.empty())
        return app::printDemo(commandLine.print);
    // Everything the layers say goes through this sink.
    ConsoleSink console(std::cout, std::cerr);
    if (!commandLine.exportOutput.empty())
        return app::exportDemo(commandLine, console);
    if (commandLine.release)
        platform_console_hide_own_window();

    std::vector<char*> toolkitArguments;
    for (std::string& argument : commandLine.toolkitArguments)
        toolkitArguments.push_back(&argument[0]);
    toolkitArguments.push_back(nullptr);
    int toolkitArgumentCount = static_cast<int>(toolkitArguments.size()) - 1;
    glutInitErrorFunc(app::onToolkitError);
    glutInit(&toolkitArgumentCount, toolkitArguments.data());

    AppState run(console);
    const app::AttachedRun attached(run);
    platform_console_open(run.consoleColour);
    if (!app::initWindow(run.windowTitle, commandLine.windowWidth, commandLine.windowHeight))
        return 1;
    if (commandLine.live)
        run.live = std::make_unique<LiveMode>(run);
    // --release and --windowed choose the window themselves once the
    // description (with its release settings) has loaded.
    const bool windowAsDescribed = app::planWindow(commandLine, ReleaseWindow()).asDescribed;
    run.followDescribedFullscreen = windowAsDescribed;
    // Live mode shows a failed build in the window; the player waits for Enter.
    BuildFailures builds(commandLine.live ? BuildFailurePolicy::Show : BuildFailurePolicy::WaitForEnter);
    if (!app::initDemo(run, builds)) {
        app::releaseMusic(run);
        return 1;
    }
    if (!windowAsDescribed)
        app::showWindow(app::planWindow(commandLine, run.demo.release));
    app::attachKeyCallbacks(run.live != nullptr);
    app::finishStartUp(builds, run, app::tuneSeconds(run.musicStream), [&] {
        app::showBuildFailures(run, builds);
        return true;
    });
    if (run.live)
        run.live->start();
    if (commandLine.edit)
        app::toggleEditor(run);
    if (!run.live)
        app::warnAboutStaleTextTracks();
    if (commandLine.hasStartRow) {
        app::startAtRow(run, commandLine.startRow);
        run.warmUpPending = true;
        run.skipWarmUp = commandLine.noWarmUp;
    }

    glutMainLoop();

    // Edits not yet written go to their files now.
    if (run.edit)
        run.edit->finish();
    app::releaseMusic(run);
    return run.exitStatus;
}
