// The keyboard controls. Main thread, called by the toolkit between frames;
// acts only on the music stream, which the next frame follows.
#include "app/Keyboard.h"

#include <iostream>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/FrameRules.h"

namespace {

void seek(SeekDirection direction)
{
    std::cout << (direction == SeekDirection::Forwards ? "FORWARDS\n" : "BACKWARDS\n");
    MusicStream& music = appState.musicStream;
    // A target outside the music is refused and playback goes on from where
    // it was; there is nothing to report.
    music.seekBytes(app::seekTarget(music.positionBytes(), direction));
}

// The stream's own state decides, so a space pressed before the first frame
// (which starts the music) cannot put the key out of step with the music.
void togglePause()
{
    if (appState.musicStream.isPlaying())
        appState.musicStream.pause();
    else
        appState.musicStream.play();
}

} // namespace

KeyAction app::keyActionFor(unsigned char key)
{
    switch (key) {
    case 27:
        return KeyAction::Quit;
    case ' ':
        return KeyAction::TogglePause;
    case 'a':
    case 'A':
        return KeyAction::SeekBackwards;
    case 'd':
    case 'D':
        return KeyAction::SeekForwards;
    default:
        return KeyAction::None;
    }
}

void app::onKeyboard(unsigned char key, int, int)
{
    // Keys still queued behind Esc find the music released and do nothing.
    if (appState.musicStream.isReleased())
        return;
    if (appState.edit && appState.edit->onKey(key))
        return;
    if (appState.live && appState.live->onKey(key))
        return;
    switch (keyActionFor(key)) {
    case KeyAction::Quit:
        appState.musicStream.release();
        glutLeaveMainLoop();
        break;
    case KeyAction::TogglePause:
        togglePause();
        break;
    case KeyAction::SeekBackwards:
        seek(SeekDirection::Backwards);
        break;
    case KeyAction::SeekForwards:
        seek(SeekDirection::Forwards);
        break;
    case KeyAction::None:
        break;
    }
}
