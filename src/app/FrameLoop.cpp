// One frame: the music clock, the sync tracks, the console report, the
// reload step, the scene, the alarm, the end row and the swap. Main thread,
// inside glutMainLoop, GL context current; everything it keeps between
// frames lives in AppState.
#include "app/FrameLoop.h"

#include <iostream>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/FrameRules.h"
#include "platform/platform.h"
#include "sync/device.h"
#include "timeline/Tone.h"

namespace {

// The music position as a sync row, with its fraction. Reads the position
// itself, so it may be a hair later than the frame's seconds.
double currentRow(const MusicStream& music)
{
    return music.bytesToSeconds(music.positionBytes()) * appState.rowsPerSecond;
}

// Examines at most one of the scene's own shader entries for edited files
// and rebuilds it, so the draw that follows uses the new program.
void reloadEditedShader(Scene& scene)
{
    std::vector<DemoShader>& shaders = scene.getPassShaders();
    const int entry = nextReloadEntry(appState.reloadCursor, shaders.size());
    if (entry < 0)
        return;
    DemoShader& shader = shaders[static_cast<std::size_t>(entry)];
    if (shader.checkForChanges()) {
        std::cout << "Shader code modified, compiling..";
        shader.build(&appState.fileWarnings);
    }
}

// With no scenes at all there is nothing to draw in place of a missing one.
void clearWindow()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void drawFrame()
{
    appState.windowWidth = static_cast<float>(glutGet(GLUT_WINDOW_WIDTH));
    appState.windowHeight = static_cast<float>(glutGet(GLUT_WINDOW_HEIGHT));

    MusicStream& music = appState.musicStream;
    if (!appState.musicStarted) {
        music.play();
        appState.musicStarted = true;
    }
    const double seconds = music.bytesToSeconds(music.positionBytes());
    const double row = currentRow(music);

    float spectrum[MusicStream::kSpectrumBins];
    music.spectrum(spectrum);
    appState.fftValue =
        spectrumValueAt(spectrum, MusicStream::kSpectrumBins, sync_track_value(appState.fftSamplingTrack, row));
    const int sceneIndex = truncateToInt(sync_track_value(appState.sceneTrack, row));
    appState.fstrValue = sync_track_value(sync_obtain_track(appState.syncDevice.get(), "fstr_val"), row);

    writeFrameStatus(std::cout, sceneIndex, seconds, row);

    const int wholeRow = truncateToInt(row);
    const bool sceneFound = sceneExists(sceneIndex, appState.scenes.size());
    if (sceneFound) {
        platform_console_set_colour(appState.console, PLATFORM_COLOUR_BRIGHT_WHITE);
        Scene& scene = appState.scenes[static_cast<uint32_t>(sceneIndex)];
        reloadEditedShader(scene);
        scene.render(wholeRow, seconds);
    } else {
        platform_console_set_colour(appState.console, PLATFORM_COLOUR_LIGHT_RED);
        if (appState.scenes.empty())
            clearWindow();
        else
            appState.scenes[0].render(wholeRow, seconds);
        std::cout << "No such scene found! \n";
    }
    if (updateAlarm(appState.beepArmed, sceneFound)) {
        playTone(kAlarmHighHz, kAlarmHighMs);
        playTone(kAlarmLowHz, kAlarmLowMs);
    }

    if (demoIsOver(row)) {
        // main releases the music once the loop has returned.
        glutLeaveMainLoop();
        return;
    }
    music.update();
    glutSwapBuffers();
}

} // namespace

void onDisplay()
{
    // Esc released the music; a frame the toolkit still runs before the main
    // loop returns must not touch it.
    if (appState.musicStream.isReleased())
        return;
    drawFrame();
}
