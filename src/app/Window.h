// The window and its GL context. Main thread.
#pragma once

#include <cstdarg>
#include <string>

#include "app/CommandLine.h"

struct AppState;

namespace app {

// The toolkit's error handler, set before it starts: its message on
// standard error ("freeglut (demoplayer): ..."), and for a display it cannot
// open one line that says how to play anyway (a display server such as
// Xvfb, or --export, which needs none). Ends the process with status 1, as
// the toolkit would.
[[noreturn]] void onToolkitError(const char* format, va_list arguments);

// Creates the screen-sized window called `title` with its GL 3.1 context,
// turns vertical sync on, loads the GL entry points and registers the
// window's callbacks (see ToolkitCallbacks.h). Closing the window makes glutMainLoop return. Returns
// false, after one line on standard error, when the extension loader fails.
// `width` x `height` sets the window's size; 0 x 0 makes it as large as the screen.
bool initWindow(const std::string& title, int width = 0, int height = 0);

// Shows the window as `plan` says (see planWindow in CommandLine.h): full
// screen without the mouse cursor, or a window of the planned size. Call
// once the description has loaded, before the first frame.
void showWindow(const WindowPlan& plan);

// The close callback's work, when the window goes (closed by the person, or
// at the end of the main loop): releases the run's GL objects while the
// window's context is still current, and records that it goes.
void onWindowClosed(AppState& run);

} // namespace app
