// The toolkit's callbacks. The toolkit hands its callbacks no pointer of
// their own, so the run they serve is reached through the one pointer kept
// here, as Dear ImGui's toolkit backends keep theirs; each callback is a few
// lines that forward to the function that does the work.
//
// Main thread. The run is main's; attachRun points the callbacks at it
// (AttachedRun) before the toolkit can call any of them.
#pragma once

struct AppState;

namespace app {

// Points every callback at `run` for its lifetime. When it goes (main
// returns), the window is destroyed first, so the close callback still finds
// the run, and later callbacks (the toolkit's own clean-up at exit) do nothing.
class AttachedRun {
public:
    explicit AttachedRun(AppState& run);
    ~AttachedRun();
    AttachedRun(const AttachedRun&) = delete;
    AttachedRun& operator=(const AttachedRun&) = delete;
};

// The window's callbacks: display, idle, reshape and close.
void attachWindowCallbacks();

// The keyboard and the special keys (down and up), and in live mode the mouse.
void attachKeyCallbacks(bool live);

// The track editor's: Dear ImGui's input and the window's close.
void attachEditorCallbacks();

} // namespace app
