// Live mode's console: one status line for the playing demo instead of the
// frame report's lines, with reloads, errors and key presses as ordinary
// lines. On a terminal the status line is rewritten in place every frame
// and the ordinary lines appear above it; written to a file or a pipe, the
// status goes out as one line per second.
//
// Main thread. Writes to the stream it is given, which must outlive it.
#pragma once

#include <ostream>
#include <string>

#include "app/LiveTimeline.h"

// What the status line and the heads-up display say about one frame.
struct LiveFrameStatus {
    double row = 0.0;
    double seconds = 0.0;
    int sceneIndex = 0;
    bool sceneFound = true;
    double framesPerSecond = 0.0;
    float fftValue = 0.0f;
};

namespace app {

// "live: row 123 | 6.17 s | scene 2 | 60 fps | fft 0.125"; a row without
// its scene says "scene 5 (none)".
std::string liveStatusText(const LiveFrameStatus& status);

// "loop off", "loop 100-200", "loop from 100", "loop to 200", or for an end
// not after its start "loop 200-100 (empty)".
std::string loopText(const LoopRange& loop);

} // namespace app

class LiveConsole {
public:
    LiveConsole(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

    // An ordinary line (no line end in `text`).
    void line(const std::string& text);

    // Takes a terminal's status line away, before something else (standard
    // error) writes to the console.
    void clearStatus();

    // This frame's status at `nowSeconds` of a steady clock.
    void status(const std::string& text, double nowSeconds);

private:
    std::ostream& out_;
    bool terminal_;
    bool statusShown_ = false; // a terminal's status line is on screen, without its line end
    bool anyStatus_ = false;   // a status went out at lastStatus_
    double lastStatus_ = 0.0;
};
