// One frame of the demo, drawn by the toolkit's display callback.
#pragma once

struct AppState;

namespace app {

// Display callback: follows the music clock, reports the frame on the
// console, reloads an edited shader of the scene on screen, draws the scene
// (or the first scene when the row has none, with the alarm) and swaps.
// Leaves the main loop at the end row (live mode holds the last row,
// paused, instead). Does nothing once Esc has released the music. Main
// thread, GL context current.
void onDisplay(AppState& run);

} // namespace app
