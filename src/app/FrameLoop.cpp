// One frame: the clock gives the frame's values, the console reports them,
// the scene on screen (after the reload step) draws them, then the alarm,
// the end row and the swap. Main thread, inside glutMainLoop, GL context
// current; everything it keeps between frames lives in AppState.
#include "app/FrameLoop.h"

#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <iostream>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/BuildFailures.h"
#include "app/FrameRules.h"
#include "app/FrameScene.h"
#include "platform/platform.h"
#include "timeline/Tone.h"

namespace {

// The music clock as this frame's values. The row reads the position once
// more, so it may be a hair later than the frame's seconds.
// `spectrum` receives the frame's kSpectrumBins magnitudes.
FrameValues readFrameValues(const MusicStream& music, float* spectrum)
{
    const double seconds = music.bytesToSeconds(music.positionBytes());
    const double row = music.bytesToSeconds(music.positionBytes()) * appState.demo.timing.rowsPerSecond;
    music.spectrum(spectrum);
    return app::frameValuesOf(appState, seconds, row, spectrum, MusicStream::kSpectrumBins);
}

// Examines at most one of the scene's own shader entries for edited files
// and rebuilds it, so the draw that follows uses the new program.
void reloadEditedShader(Scene& scene)
{
    std::vector<DemoShader>& shaders = scene.getPassShaders();
    const int entry = app::nextReloadEntry(appState.reloadCursor, shaders.size());
    if (entry < 0)
        return;
    DemoShader& shader = shaders[static_cast<std::size_t>(entry)];
    if (shader.checkForChanges(appState.console)) {
        appState.console.out() << "Shader code modified, compiling..";
        BuildFailures builds(BuildFailurePolicy::WaitForEnter);
        builds.answer(shader.getVertexPath(), shader.getFragmentPath(),
                      shader.build(builds.report(), appState.console, &appState.fileWarnings));
    }
}

// A render target that cannot be drawn into stops the demo: one line on
// standard error, no further frame, exit status 1.
bool drawnOrStopped(const SceneDrawResult& result)
{
    if (result.drawn)
        return true;
    std::cout.flush();
    std::fprintf(stderr, "%s\n", result.problem().c_str());
    appState.exitStatus = EXIT_FAILURE;
    glutLeaveMainLoop();
    return false;
}

// The pass inputs of the frame with `values` and `spectrum`, for `scene`.
PassInputs playedPassInputs(const Scene* scene, const FrameValues& values, const float* spectrum)
{
    const MusicStream& music = appState.musicStream;
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    PassInputs inputs = appState.passInputs.playedFrame(values.seconds, music.seekCount(), wallSeconds);
    if (appState.live)
        appState.live->mouseValues(inputs.mouse, inputs.pointer);
    if (music.hasMusic())
        inputs.sampleRate = static_cast<float>(music.sampleRate());
    return app::passInputsFor(appState.passInputs, inputs, scene, values.seconds, spectrum,
                              [&](float* smoothed) { music.smoothedSpectrum(smoothed); });
}

// Draws the frame's scene, or the first scene when the row has none, and
// sets the console's colour to tell which. `found` tells whether the scene
// was the row's own. False when the demo stops (see drawnOrStopped).
bool drawScene(const FrameValues& values, const float* spectrum, const FramePicture& picture, bool& found)
{
    // Live mode reloads every saved file before the frame, and its status
    // line stands in for the frame's console lines.
    const FrameReport report = appState.live ? FrameReport::Silent : FrameReport::Console;
    Scene* scene = app::sceneToDraw(appState.demo.scenes, values.sceneIndex, found);
    if (found) {
        platform_console_set_colour(appState.consoleColour, PLATFORM_COLOUR_BRIGHT_WHITE);
        if (!appState.live)
            reloadEditedShader(*scene);
        return drawnOrStopped(
            app::drawFrame(appState, scene, values, picture, report, playedPassInputs(scene, values, spectrum)));
    }
    platform_console_set_colour(appState.consoleColour, PLATFORM_COLOUR_LIGHT_RED);
    if (!drawnOrStopped(
            app::drawFrame(appState, scene, values, picture, report, playedPassInputs(scene, values, spectrum))))
        return false;
    if (!appState.live)
        std::cout << "No such scene found! \n";
    return true;
}

void playFrame()
{
    // The one place a frame asks for the window's size.
    appState.windowWidth = static_cast<float>(glutGet(GLUT_WINDOW_WIDTH));
    appState.windowHeight = static_cast<float>(glutGet(GLUT_WINDOW_HEIGHT));

    MusicStream& music = appState.musicStream;
    if (!appState.musicStarted) {
        music.play();
        appState.musicStarted = true;
    }
    if (appState.live)
        appState.live->beginFrame();
    if (appState.edit)
        appState.edit->beginFrame();
    float spectrum[MusicStream::kSpectrumBins];
    const FrameValues values = readFrameValues(music, spectrum);

    if (!appState.live)
        app::writeFrameStatus(std::cout, values.sceneIndex, values.seconds, values.row);
    // The picture fills the window, or the part beside the track editor's panel.
    FramePicture picture;
    picture.width = static_cast<int>(appState.windowWidth);
    picture.height = static_cast<int>(appState.windowHeight);
    picture.view.width = picture.width;
    picture.view.height = picture.height;
    if (appState.edit)
        appState.edit->placePicture(picture);
    bool sceneFound = false;
    if (!drawScene(values, spectrum, picture, sceneFound))
        return;
    if (appState.live) {
        appState.live->reportFrame(values, sceneFound);
        appState.live->drawOverlay(picture.view);
    }
    if (appState.edit)
        appState.edit->drawPanel(picture.width, picture.height);
    if (app::updateAlarm(appState.beepArmed, sceneFound)) {
        timeline::playTone(kAlarmHighHz, kAlarmHighMs);
        timeline::playTone(kAlarmLowHz, kAlarmLowMs);
    }

    if (app::demoIsOver(values.row, appState.demo.timing.endRow)) {
        if (!appState.live) {
            // main releases the music once the loop has returned.
            glutLeaveMainLoop();
            return;
        }
        appState.live->holdAtEnd(appState.demo.timing.endRow);
    }
    glutSwapBuffers();
}

} // namespace

void app::onDisplay()
{
    // Esc released the music; a frame the toolkit still runs before the main
    // loop returns must not touch it.
    if (appState.musicStream.isReleased())
        return;
    playFrame();
}
