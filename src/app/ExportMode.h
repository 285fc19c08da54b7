// Export mode (`demoplayer --export OUT ...`): the demo rendered offline into
// a video file or an image sequence, through the same start-up and the same
// scene code as playback. Only the clock and the context differ: frame k
// shows k / fps seconds of the whole demo, in a headless GL context of the
// requested size, so no display, window or audio device is needed. No hot
// reload, tones, keyboard or per-frame console lines; the start-up account
// goes to standard output as when playing, progress and problems to standard
// error.
//
// Main thread, in the demo's folder, instead of the window and main loop.
#pragma once

#include "app/CommandLine.h"
#include "platform/ConsoleSink.h"

// Exit statuses of an export besides 0 (done) and 1 (a failure).
constexpr int kExitWrongUsage = 2;
constexpr int kExitInterrupted = 130;

namespace app {

// Runs the export that `commandLine` asks for (its exportOutput an absolute
// path or relative to the demo's folder) and returns the process's exit
// status: 0 done, 2 wrong usage, 1 failure, 130 after Ctrl+C. Whatever goes
// wrong, nothing is left under the output's name.
int exportDemo(const CommandLine& commandLine, ConsoleSink& console);

} // namespace app
