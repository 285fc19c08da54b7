// The demo's start-up steps. Main thread, GL context current; everything
// made here is owned by AppState.
#include "app/DemoSetup.h"

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <nlohmann/json.hpp>

#include "app/AppState.h"
#include "app/LiveTimeline.h"
#include "demo/DemoDescription.h"
#include "demo/DemoLoader.h"
#include "platform/warning.h"
#include "render/FinalPass.h"
#include "sync/device.h"

namespace {

// The window's side of the description: the demo's name and full screen.
class WindowHost : public DescriptionHost {
public:
    void enterFullscreen() override
    {
        if (!appState.followDescribedFullscreen)
            return;
        glutFullScreen();
        glutSetCursor(GLUT_CURSOR_NONE);
    }

    void setTitle(const std::string& name) override { appState.windowTitle = name; }
};

// The one place where a description error is caught: it ends the start-up.
bool loadDescription(DescriptionHost& host)
{
    // Live mode's builds never wait for Enter; their errors show in the window.
    std::vector<ShaderBuildError> buildErrors;
    try {
        const bool loaded = demo::loadDemoDescription("demo.json", appState.syncDevice.get(), appState.demo, host,
                                                      &appState.fileWarnings, appState.live ? &buildErrors : nullptr);
        if (appState.live)
            appState.live->showBuildErrors(buildErrors);
        return loaded;
    } catch (const nlohmann::json::exception& error) {
        platform_warn("demo.json", demo::descriptionErrorText(error));
        return false;
    }
}

} // namespace

bool app::initDemo()
{
    // The colour textures of the render targets take the size of this
    // moment; the description may switch to full screen before they are made.
    appState.windowWidth = static_cast<float>(glutGet(GLUT_WINDOW_WIDTH));
    appState.windowHeight = static_cast<float>(glutGet(GLUT_WINDOW_HEIGHT));

    // A missing or undecodable tune is reported by the stream; the clock
    // then stands at 0 and the demo still runs. Starting the audio output and
    // opening the tune take a while (the sound server, the first Ogg pages),
    // so they run on a thread of their own while the description loads,
    // which touches neither; the stream is the main thread's again once the
    // thread is joined, before anything else uses it.
    std::thread musicOpener([] { appState.musicStream.open("tune.ogg"); });

    WindowHost host;
    const bool loaded = loadDemoContent(host);
    musicOpener.join();
    if (!loaded)
        return false;
    glutSetWindowTitle(appState.windowTitle.c_str());

    appState.musicStream.update();
    // The depth buffer takes the window size of this moment; the first frame
    // fits both to the window. Only the targets some scene reaches are made.
    appState.renderTargets = std::make_unique<RenderTargets>(
        static_cast<int>(appState.windowWidth), static_cast<int>(appState.windowHeight), glutGet(GLUT_WINDOW_WIDTH),
        glutGet(GLUT_WINDOW_HEIGHT), render::longestPassChain(appState.demo.scenes));
    return true;
}

bool app::loadDemoContent(DescriptionHost& host)
{
    appState.syncDevice.reset(sync_open("sync"));
    // Requested before the description, so a shader parameter called "scene"
    // shares this track.
    appState.sceneTrack = sync_obtain_track(appState.syncDevice.get(), "scene");
    appState.fftSamplingTrack = sync_obtain_track(appState.syncDevice.get(), "fft_sampling_index");

    if (!loadDescription(host))
        return false;
    appState.rowsPerSecond = appState.demo.timing.rowsPerSecond;
    return true;
}

void app::initAntiAliasProgram()
{
    std::string failure;
    appState.antiAliasProgram = std::make_unique<ShaderProgram>(render::buildFinalPassProgram(
        "test.vsh", "AA.fsh", &appState.fileWarnings, appState.live ? &failure : nullptr));
    if (appState.live && !failure.empty())
        appState.live->showFinalPassError(failure);
}

void app::initQuadMeshes()
{
    appState.quads = std::make_unique<SceneQuads>(*appState.antiAliasProgram);
}

void app::startAtRow(double row)
{
    MusicStream& music = appState.musicStream;
    if (!music.hasMusic())
        return; // without music the clock stands at 0
    const uint64_t bytes = rowToMusicBytes(row, appState.rowsPerSecond, music.sampleRate(), music.channels());
    if (!music.seekBytes(bytes)) {
        char message[160];
        std::snprintf(message, sizeof message, "--row %g lies past the end of the tune (%.2f s); starting at row 0",
                      row, music.bytesToSeconds(music.lengthBytes()));
        platform_warn("tune.ogg", message);
    }
}

void app::releaseMusic()
{
    if (!appState.musicStream.isReleased())
        appState.musicStream.release();
}
