// One frame: the clock gives the frame's values, the console reports them,
// the scene on screen (after the reload step) draws them, then the alarm,
// the end row and the swap. Main thread, inside glutMainLoop, GL context
// current; everything it keeps between frames lives in the run (AppState).
#include "app/FrameLoop.h"

#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <iostream>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/BuildFailures.h"
#include "app/FrameDecisions.h"
#include "app/SharedFrame.h"
#include "app/WarmUp.h"
#include "platform/platform.h"
#include "timeline/Tone.h"

namespace {

// The music clock as this frame's values. The row reads the position once
// more, so it may be a hair later than the frame's seconds.
// `spectrum` receives the frame's kSpectrumBins magnitudes.
FrameValues readFrameValues(AppState& run, const MusicStream& music, float* spectrum)
{
    const double seconds = music.bytesToSeconds(music.positionBytes());
    const double row = music.bytesToSeconds(music.positionBytes()) * run.demo.timing.rowsPerSecond;
    music.spectrum(spectrum);
    return app::frameValuesOf(run, seconds, row, spectrum, MusicStream::kSpectrumBins);
}

// Examines at most one of the scene's own shader entries for edited files
// and rebuilds it, so the draw that follows uses the new program.
void reloadEditedShader(AppState& run, Scene& scene)
{
    std::vector<DemoShader>& shaders = scene.getPassShaders();
    const int entry = app::nextReloadEntry(run.reloadCursor, shaders.size());
    if (entry < 0)
        return;
    DemoShader& shader = shaders[static_cast<std::size_t>(entry)];
    if (shader.checkForChanges(run.console)) {
        run.console.out() << "Shader code modified, compiling..";
        BuildFailures builds(BuildFailurePolicy::WaitForEnter);
        builds.answer(shader.getVertexPath(), shader.getFragmentPath(),
                      shader.build(builds.report(), run.console, &run.fileWarnings));
    }
}

// A render target that cannot be drawn into stops the demo: one line on
// standard error, no further frame, exit status 1.
bool drawnOrStopped(AppState& run, const SceneDrawResult& result)
{
    if (result.drawn)
        return true;
    run.console.error(result.problem());
    run.exitStatus = EXIT_FAILURE;
    glutLeaveMainLoop();
    return false;
}

// The pass inputs of the frame with `values` and `spectrum`, for `scene`.
PassInputs playedPassInputs(AppState& run, const Scene* scene, const FrameValues& values, const float* spectrum)
{
    const MusicStream& music = run.musicStream;
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    PassInputs inputs = run.passInputs.playedFrame(values.seconds, music.seekCount(), wallSeconds);
    if (run.live)
        run.live->mouseValues(inputs.mouse, inputs.pointer);
    if (music.hasMusic())
        inputs.sampleRate = static_cast<float>(music.sampleRate());
    inputs.keyboardTexture = &run.keyboard;
    return app::passInputsFor(
        run.passInputs, inputs, scene, values.seconds, spectrum,
        [&](float* smoothed) { music.smoothedSpectrum(smoothed); }, [&](uint8_t* rows) { music.siteSound(rows); });
}

// Draws the frame's scene, or the first scene when the row has none, and
// sets the console's colour to tell which. `found` tells whether the scene
// was the row's own. False when the demo stops (see drawnOrStopped).
bool drawScene(AppState& run, const FrameValues& values, const float* spectrum, const FramePicture& picture,
               bool& found)
{
    // Live mode reloads every saved file before the frame, and its status
    // line stands in for the frame's console lines.
    const FrameReport report = run.live ? FrameReport::Silent : FrameReport::Console;
    Scene* scene = app::sceneToDraw(run.demo.scenes, values.sceneIndex, found);
    if (found) {
        platform_console_set_colour(run.consoleColour, PLATFORM_COLOUR_BRIGHT_WHITE);
        if (!run.live)
            reloadEditedShader(run, *scene);
        return drawnOrStopped(
            run, app::drawFrame(run, scene, values, picture, report, playedPassInputs(run, scene, values, spectrum)));
    }
    platform_console_set_colour(run.consoleColour, PLATFORM_COLOUR_LIGHT_RED);
    if (!drawnOrStopped(
            run, app::drawFrame(run, scene, values, picture, report, playedPassInputs(run, scene, values, spectrum))))
        return false;
    if (!run.live)
        run.console.out() << "No such scene found! \n";
    return true;
}

// The picture of this frame: the window, or the part beside the track
// editor's panel.
FramePicture framePicture(AppState& run)
{
    FramePicture picture;
    picture.width = static_cast<int>(run.windowWidth);
    picture.height = static_cast<int>(run.windowHeight);
    picture.view.width = picture.width;
    picture.view.height = picture.height;
    if (run.edit)
        run.edit->placePicture(picture);
    return picture;
}

void playFrame(AppState& run)
{
    // The one place a frame asks for the window's size.
    run.windowWidth = static_cast<float>(glutGet(GLUT_WINDOW_WIDTH));
    run.windowHeight = static_cast<float>(glutGet(GLUT_WINDOW_HEIGHT));

    MusicStream& music = run.musicStream;
    if (!run.musicStarted) {
        // A start at a later row draws what feedback scenes grow from while
        // the music still waits.
        if (run.warmUpPending) {
            run.warmUpPending = false;
            app::warmUpBeforeStart(run, framePicture(run), run.skipWarmUp);
        }
        music.play();
        run.musicStarted = true;
    }
    if (run.live)
        run.live->beginFrame();
    if (run.edit)
        run.edit->beginFrame();
    float spectrum[MusicStream::kSpectrumBins];
    const FrameValues values = readFrameValues(run, music, spectrum);

    if (!run.live)
        app::writeFrameStatus(run.console.out(), values.sceneIndex, values.seconds, values.row);
    const FramePicture picture = framePicture(run);
    bool sceneFound = false;
    if (!drawScene(run, values, spectrum, picture, sceneFound))
        return;
    run.keyboard.endFrame();
    if (run.live) {
        run.live->reportFrame(values, sceneFound);
        run.live->drawOverlay(picture.view);
    }
    if (run.edit)
        run.edit->drawPanel(picture.width, picture.height);
    if (app::updateAlarm(run.beepArmed, sceneFound)) {
        timeline::playTone(kAlarmHighHz, kAlarmHighMs);
        timeline::playTone(kAlarmLowHz, kAlarmLowMs);
    }

    if (app::demoIsOver(values.row, run.demo.timing.endRow)) {
        if (!run.live) {
            // main releases the music once the loop has returned.
            glutLeaveMainLoop();
            return;
        }
        run.live->holdAtEnd(run.demo.timing.endRow);
    }
    glutSwapBuffers();
}

} // namespace

void app::onDisplay(AppState& run)
{
    // Esc released the music; a frame the toolkit still runs before the main
    // loop returns must not touch it.
    if (run.musicStream.isReleased())
        return;
    playFrame(run);
}
