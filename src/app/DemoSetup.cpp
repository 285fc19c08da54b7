// The demo's start-up steps. Main thread, GL context current; everything
// made here is owned by AppState.
#include "app/DemoSetup.h"

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>
#include <utility>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <nlohmann/json.hpp>

#include "app/AppState.h"
#include "app/LiveTimeline.h"
#include "demo/DemoFiles.h"
#include "demo/DemoDescription.h"
#include "demo/DemoLoader.h"
#include "platform/warning.h"
#include "render/FinalPass.h"
#include "sync/device.h"

namespace {

// The window's side of the description: the demo's name and full screen.
class WindowHost : public BuildingHost {
public:
    explicit WindowHost(BuildFailures& builds) : BuildingHost(builds) {}

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
bool loadDescription(DescriptionHost& host, LoadedDemo& loaded)
{
    try {
        return demo::loadDemoDescription(demo::kDescriptionFile, loaded.syncDevice.get(), loaded.demo, host,
                                         &loaded.fileWarnings);
    } catch (const nlohmann::json::exception& error) {
        platform_warn(demo::kDescriptionFile, demo::descriptionErrorText(error));
        return false;
    }
}

} // namespace

bool app::initDemo(BuildFailures& builds)
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
    const std::string tuneFile = demo::tuneFileOf(demo::kDescriptionFile);
    std::thread musicOpener([&tuneFile] { appState.musicStream.open(tuneFile.c_str()); });

    WindowHost host(builds);
    const bool loaded = loadDemoContent(host, appState);
    musicOpener.join();
    if (!loaded)
        return false;
    app::showBuildFailures(builds);
    glutSetWindowTitle(appState.windowTitle.c_str());
    appState.demo.timing.fitToTune(tuneSeconds());

    // The depth buffer takes the window size of this moment; the first frame
    // fits both to the window. Only the targets some scene reaches are made.
    appState.renderTargets = std::make_unique<RenderTargets>(
        static_cast<int>(appState.windowWidth), static_cast<int>(appState.windowHeight), glutGet(GLUT_WINDOW_WIDTH),
        glutGet(GLUT_WINDOW_HEIGHT), render::longestPassChain(appState.demo.scenes));
    return true;
}

bool app::loadDemoContent(BuildingHost& host, LoadedDemo& loaded)
{
    loaded.syncDevice.reset(sync_open(demo::kTrackBaseName));
    // Requested before the description, so a shader parameter called "scene"
    // shares this track.
    loaded.sceneTrack = sync_obtain_track(loaded.syncDevice.get(), demo::kSceneTrack);
    loaded.fftSamplingTrack = sync_obtain_track(loaded.syncDevice.get(), demo::kFftSamplingTrack);
    return loadDescription(host, loaded);
}

void app::initAntiAliasProgram(BuildFailures& builds, LoadedDemo& loaded)
{
    if (!loaded.demo.finalPass) {
        // No final pass: a plain copy shows the last pass of a scene whose
        // last pass keeps a target of its own; the others draw the picture.
        loaded.antiAliasProgram = std::make_unique<ShaderProgram>(render::buildPassThroughProgram());
        return;
    }
    ShaderBuild build = render::buildShaderProgram(demo::kFinalVertexFile, demo::kFinalFragmentFile, builds.report(),
                                                   &loaded.fileWarnings);
    builds.answer(demo::kFinalVertexFile, demo::kFinalFragmentFile, build.outcome);
    if (!build.outcome.built && builds.endsTheRun())
        return;
    loaded.antiAliasProgram = std::make_unique<ShaderProgram>(
        render::finalPassProgram(std::move(build), demo::kFinalVertexFile, demo::kFinalFragmentFile));
}

void app::initQuadMeshes(LoadedDemo& loaded)
{
    loaded.quads = std::make_unique<SceneQuads>(*loaded.antiAliasProgram);
}

void app::startAtRow(double row)
{
    MusicStream& music = appState.musicStream;
    if (!music.hasMusic())
        return; // without music the clock stands at 0
    const uint64_t bytes = rowToMusicBytes(row, appState.demo.timing.rowsPerSecond, music.sampleRate(),
                                           music.channels());
    if (!music.seekBytes(bytes)) {
        char message[160];
        std::snprintf(message, sizeof message, "--row %g lies past the end of the tune (%.2f s); starting at row 0",
                      row, music.bytesToSeconds(music.lengthBytes()));
        platform_warn(appState.demo.timing.tuneFile.c_str(), message);
    }
}

void app::showBuildFailures(BuildFailures& builds)
{
    if (appState.live)
        appState.live->showBuildErrors(builds.takeFailures());
}

double app::tuneSeconds()
{
    const MusicStream& music = appState.musicStream;
    return music.hasMusic() ? music.bytesToSeconds(music.lengthBytes()) : 0.0;
}

void app::releaseMusic()
{
    if (!appState.musicStream.isReleased())
        appState.musicStream.release();
}
