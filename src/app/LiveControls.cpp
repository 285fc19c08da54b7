// Live mode's keys and mouse (see LiveControls.h). Main thread.
#include "app/LiveControls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"

void LiveControls::beginFrame()
{
    if (loop_.wrapsAt(currentRow()))
        seekToRow(loop_.start(), "");
}

void LiveControls::holdAtEnd(double endRow)
{
    MusicStream& music = run_.musicStream;
    if (!music.isPlaying())
        return;
    music.pause();
    seekToRow(std::max(0.0, std::ceil(endRow) - 1.0), "END");
}

double LiveControls::currentRow() const
{
    const MusicStream& music = run_.musicStream;
    return music.bytesToSeconds(music.positionBytes()) * run_.demo.timing.rowsPerSecond;
}

void LiveControls::seekToRow(double row, const std::string& what)
{
    MusicStream& music = run_.musicStream;
    if (row < 0.0)
        row = 0.0;
    if (!what.empty()) {
        char text[32];
        std::snprintf(text, sizeof text, " row %.0f", row);
        console_.line(what + text);
    }
    if (music.hasMusic())
        music.seekBytes(rowToMusicBytes(row, run_.demo.timing.rowsPerSecond, music.sampleRate(), music.channels()));
}

bool LiveControls::onKey(unsigned char key)
{
    const double row = currentRow();
    const double beat = run_.demo.timing.secondsPerBeat() * run_.demo.timing.rowsPerSecond;
    char text[64];
    switch (key) {
    case ',':
        seekToRow(row - beat, "BEAT BACK");
        return true;
    case '.':
        seekToRow(row + beat, "BEAT FORWARD");
        return true;
    case '[':
        loop_.setStart(row);
        std::snprintf(text, sizeof text, "LOOP START row %.0f", row);
        console_.line(text);
        return true;
    case ']':
        loop_.setEnd(row);
        std::snprintf(text, sizeof text, "LOOP END row %.0f", row);
        console_.line(text);
        return true;
    case '\\':
        loop_.clear();
        console_.line("LOOP OFF");
        return true;
    default:
        return false;
    }
}

bool LiveControls::onSpecialKey(int key)
{
    const double row = currentRow();
    switch (key) {
    case GLUT_KEY_HOME:
        seekToRow(0.0, "HOME");
        break;
    case GLUT_KEY_PAGE_UP: {
        // Within a second of a scene's start, as after a press a moment ago,
        // the scene before it: presses in a row move on, as a player's
        // previous-track button does.
        double previous = previousSceneChange(run_.sceneTrack, row);
        if (row - previous < run_.demo.timing.rowsPerSecond)
            previous = previousSceneChange(run_.sceneTrack, previous);
        seekToRow(previous, "PREVIOUS SCENE");
        break;
    }
    case GLUT_KEY_PAGE_DOWN: {
        const double next = nextSceneChange(run_.sceneTrack, row);
        if (next < 0.0)
            console_.line("NEXT SCENE none");
        else
            seekToRow(next, "NEXT SCENE");
        break;
    }
    default:
        return false;
    }
    return true;
}

void LiveControls::onMouseButton(int button, int state, int x, int y)
{
    if (button != GLUT_LEFT_BUTTON)
        return;
    // Shaders count pixels from the bottom left.
    const float fromBottom = run_.windowHeight - 1.0f - static_cast<float>(y);
    if (state == GLUT_DOWN)
        mouse_.press(static_cast<float>(x), fromBottom);
    else
        mouse_.release(static_cast<float>(x), fromBottom);
}

void LiveControls::onMouseMotion(int x, int y)
{
    mouse_.move(static_cast<float>(x), run_.windowHeight - 1.0f - static_cast<float>(y));
}
