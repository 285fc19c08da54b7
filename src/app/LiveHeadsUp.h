// LiveHeadsUp: what live mode says about the playing demo. Each frame
// updates the console's status line (in place of the frame report's lines)
// and, over the finished picture, the heads-up display: the status, the
// loop, the latest reload, then every problem not yet mended in red (its
// first lines; the console has them all). Tab shows or hides the display's
// status part; the problems always show.
//
// Main thread, GL context current while drawing. The console outlives it;
// it owns the display's GL objects.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/FrameDecisions.h"
#include "app/LiveConsole.h"
#include "app/LiveTimeline.h"
#include "app/ReloadProblems.h"
#include "render/HeadsUpDisplay.h"
#include "render/PictureTarget.h"

namespace app {

// Lines of one problem shown in the window; the console has them all.
inline constexpr std::size_t kShownProblemLines = 4;

// The heads-up display's lines: with `statusShown`, the frame's status
// (without "live: "), the loop and the latest reload ("" for none, else in
// green); then each distinct problem message, its first kShownProblemLines
// lines in red.
std::vector<HudLine> headsUpLines(const LiveFrameStatus& status, const LoopRange& loop, const std::string& latest,
                                  const ReloadProblems& problems, bool statusShown);

} // namespace app

class LiveHeadsUp {
public:
    // Says its status and Tab's answers as lines of `console`.
    explicit LiveHeadsUp(LiveConsole& console) : console_(console) {}

    // Tab: shows or hides the display's status part ("DISPLAY ON" / "DISPLAY OFF").
    void toggle();

    // The frame's status line, in place of the frame report, with the frame
    // rate over the last half second or more.
    void reportFrame(const FrameValues& values, bool sceneFound, const LoopRange& loop);

    // Draws the display over the finished picture, in its place (the whole
    // window, or the part beside the track editor).
    void draw(const FrameView& place, const LoopRange& loop, const std::string& latest, const ReloadProblems& problems);

private:
    LiveConsole& console_;
    HeadsUpDisplay display_;
    bool statusShown_ = true;
    LiveFrameStatus status_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point rateStart_ = start_;
    int rateFrames_ = 0;
};
