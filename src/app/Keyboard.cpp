// The keyboard controls. Main thread, called by the toolkit between frames;
// acts only on the music stream, which the next frame follows.
#include "app/Keyboard.h"

#include <iostream>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/FrameDecisions.h"
#include "app/KeyCodes.h"
#include "app/LiveMode.h"

namespace {

void seek(AppState& run, SeekDirection direction)
{
    run.console.out() << (direction == SeekDirection::Forwards ? "FORWARDS\n" : "BACKWARDS\n");
    MusicStream& music = run.musicStream;
    // A target outside the music is refused and playback goes on from where
    // it was; there is nothing to report.
    music.seekBytes(app::seekTarget(music.positionBytes(), direction));
}

// The stream's own state decides, so a space pressed before the first frame
// (which starts the music) cannot put the key out of step with the music.
void togglePause(AppState& run)
{
    if (run.musicStream.isPlaying())
        run.musicStream.pause();
    else
        run.musicStream.play();
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

void app::onKeyboard(AppState& run, unsigned char key)
{
    // Keys still queued behind Esc find the music released and do nothing.
    if (run.musicStream.isReleased())
        return;
    if (run.edit && run.edit->onKey(key))
        return;
    if (run.live && run.live->onKey(key))
        return;
    switch (keyActionFor(key)) {
    case KeyAction::Quit:
        run.musicStream.release();
        glutLeaveMainLoop();
        break;
    case KeyAction::TogglePause:
        togglePause(run);
        break;
    case KeyAction::SeekBackwards:
        seek(run, SeekDirection::Backwards);
        break;
    case KeyAction::SeekForwards:
        seek(run, SeekDirection::Forwards);
        break;
    case KeyAction::None:
        run.keyboard.press(app::jsKeyCodeOfCharacter(key));
        break;
    }
}

void app::onKeyboardUp(AppState& run, unsigned char key)
{
    run.keyboard.release(app::jsKeyCodeOfCharacter(key));
}

void app::onSpecialKey(AppState& run, int key)
{
    if (run.musicStream.isReleased() || app::onLiveSpecialKey(run, key))
        return;
    run.keyboard.press(app::jsKeyCodeOfSpecial(key));
}

void app::onSpecialKeyUp(AppState& run, int key)
{
    run.keyboard.release(app::jsKeyCodeOfSpecial(key));
}
