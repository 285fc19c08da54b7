// The keyboard: quit, pause and resume, seek backwards and forwards.
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

} // namespace app
