// The keyboard: quit, pause and resume, seek backwards and forwards; the
// keys the player does not take go to the shaders' keyboard channel
// (the run's KeyboardTexture).
#pragma once

struct AppState;

enum class KeyAction { None, Quit, TogglePause, SeekBackwards, SeekForwards };

namespace app {

// What `key` does: Esc quits, space pauses or resumes, a/A seeks backwards,
// d/D forwards; every other key does nothing.
KeyAction keyActionFor(unsigned char key);

// The keyboard callback's work: performs keyActionFor(key) on the run's
// music stream, unless the editor or live mode takes the key. Does nothing
// once Esc has released the music. Main thread.
void onKeyboard(AppState& run, unsigned char key);

// The key-up callback's work: the key is no longer held on the keyboard channel.
void onKeyboardUp(AppState& run, unsigned char key);

// The special-key callbacks' work: live mode's and the editor's keys (see
// onLiveSpecialKey), the others to the keyboard channel; and their release.
void onSpecialKey(AppState& run, int key);
void onSpecialKeyUp(AppState& run, int key);

} // namespace app
