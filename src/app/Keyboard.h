// The keyboard: quit, pause and resume, seek backwards and forwards.
#pragma once

enum class KeyAction { None, Quit, TogglePause, SeekBackwards, SeekForwards };

namespace app {

// What `key` does: Esc quits, space pauses or resumes, a/A seeks backwards,
// d/D forwards; every other key does nothing.
KeyAction keyActionFor(unsigned char key);

// Keyboard callback: performs keyActionFor(key) on appState's music stream.
// The mouse position is ignored. Does nothing once Esc has released the music.
// Main thread.
void onKeyboard(unsigned char key, int x, int y);

} // namespace app
