// The demo's start-up steps. Main thread, GL context current; everything
// made here is owned by the run (AppState) or the loaded demo it is given.
#include "app/DemoSetup.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>
#include <utility>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <nlohmann/json.hpp>

#include "app/AppState.h"
#include "app/MistakeWarnings.h"
#include "app/LiveTimeline.h"
#include "demo/DemoFiles.h"
#include "demo/DemoDescription.h"
#include "demo/DemoLoader.h"
#include "platform/warning.h"
#include "render/FinalPass.h"
#include "sync/device.h"

namespace {

// The window's side of the description: the demo's name and full screen.
class WindowHost : public BuildAnsweringHost {
public:
    WindowHost(BuildFailures& builds, AppState& run) : BuildAnsweringHost(builds), run_(run) {}

    void enterFullscreen() override
    {
        if (!run_.followDescribedFullscreen)
            return;
        glutFullScreen();
        glutSetCursor(GLUT_CURSOR_NONE);
    }

    void setTitle(const std::string& name) override { run_.windowTitle = name; }

private:
    AppState& run_;
};

// The one place where a description error is caught: it ends the start-up.
bool loadDescription(DescriptionHost& host, LoadedDemo& loaded)
{
    try {
        return demo::loadDemoDescription(demo::kDescriptionFile, loaded.syncDevice.get(), loaded.demo, host,
                                         loaded.console, &loaded.fileWarnings);
    } catch (const nlohmann::json::exception& error) {
        loaded.console.warn(demo::kDescriptionFile, demo::descriptionErrorText(error));
        return false;
    }
}

} // namespace

bool app::initDemo(AppState& run, BuildFailures& builds)
{
    // The colour textures of the render targets take the size of this
    // moment; the description may switch to full screen before they are made.
    run.windowWidth = static_cast<float>(glutGet(GLUT_WINDOW_WIDTH));
    run.windowHeight = static_cast<float>(glutGet(GLUT_WINDOW_HEIGHT));

    // A missing or undecodable tune is reported by the stream; the clock
    // then stands at 0 and the demo still runs. Starting the audio output and
    // opening the tune take a while (the sound server, the first Ogg pages),
    // so they run on a thread of their own while the description loads,
    // which touches neither; the stream is the main thread's again once the
    // thread is joined, before anything else uses it.
    const std::string tuneFile = demo::tuneFileOf(demo::kDescriptionFile);
    std::thread musicOpener([&run, &tuneFile] { run.musicStream.open(tuneFile.c_str()); });

    WindowHost host(builds, run);
    const bool loaded = loadDemoContent(host, run);
    musicOpener.join();
    if (!loaded)
        return false;
    app::showBuildFailures(run, builds);
    glutSetWindowTitle(run.windowTitle.c_str());
    run.demo.timing.fitToTune(tuneSeconds(run.musicStream));

    // The depth buffer takes the window size of this moment; the first frame
    // fits both to the window. Only the targets some scene reaches are made.
    run.renderTargets = std::make_unique<RenderTargets>(
        static_cast<int>(run.windowWidth), static_cast<int>(run.windowHeight), glutGet(GLUT_WINDOW_WIDTH),
        glutGet(GLUT_WINDOW_HEIGHT), render::longestPassChain(run.demo.scenes));
    return true;
}

bool app::loadDemoContent(BuildAnsweringHost& host, LoadedDemo& loaded)
{
    loaded.syncDevice.reset(sync_open(demo::kTrackBaseName, loaded.console));
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
                                                   loaded.console, &loaded.fileWarnings);
    builds.answer(demo::kFinalVertexFile, demo::kFinalFragmentFile, build.outcome);
    if (!build.outcome.built && builds.endsTheRun())
        return;
    loaded.antiAliasProgram = std::make_unique<ShaderProgram>(
        render::finalPassProgram(std::move(build), demo::kFinalVertexFile, demo::kFinalFragmentFile, loaded.console));
}

void app::initQuadMeshes(LoadedDemo& loaded)
{
    loaded.quads = std::make_unique<SceneQuads>(*loaded.antiAliasProgram, loaded.console);
}

bool app::finishStartUp(BuildFailures& builds, LoadedDemo& loaded, double tuneSeconds,
                        const std::function<bool()>& goesOn)
{
    initAntiAliasProgram(builds, loaded);
    loaded.console.out() << "----------------\n";
    if (!goesOn())
        return false;
    glDisable(GL_CULL_FACE);
    initQuadMeshes(loaded);
    loaded.demo.timing.fitToTune(tuneSeconds);
    warnAboutDemoMistakes(loaded, tuneSeconds);
    return true;
}

void app::startAtRow(AppState& run, double row)
{
    MusicStream& music = run.musicStream;
    if (!music.hasMusic())
        return; // without music the clock stands at 0
    const uint64_t bytes = rowToMusicBytes(row, run.demo.timing.rowsPerSecond, music.sampleRate(), music.channels());
    if (!music.seekBytes(bytes)) {
        char message[160];
        std::snprintf(message, sizeof message, "--row %g lies past the end of the tune (%.2f s); starting at row 0",
                      row, music.bytesToSeconds(music.lengthBytes()));
        platform_warn(run.demo.timing.tuneFile.c_str(), message);
    }
}

void app::showBuildFailures(AppState& run, BuildFailures& builds)
{
    if (run.live)
        run.live->showBuildErrors(builds.takeFailures());
}

double app::tuneSeconds(const MusicStream& music)
{
    return music.hasMusic() ? music.bytesToSeconds(music.lengthBytes()) : 0.0;
}

void app::releaseMusic(AppState& run)
{
    if (!run.musicStream.isReleased())
        run.musicStream.release();
}
