// The warm-up: frames drawn unseen before an export's range or a later
// start, so that scenes whose passes keep their previous picture (feedback)
// show what a run from the demo's start shows (see ExportRange.h for which
// frames); and a frame of the grid drawn as an export draws it. Main thread,
// GL context current, the demo's programs built.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ExportRange.h"
#include "app/SharedFrame.h"

class OfflineClock;
struct AppState;

// Playing from a later row warms up on a grid of this many frames a second.
constexpr int kPlayWarmUpFps = 60;

namespace app {

// Draws frame `frameNumber` of the grid of `fps` frames a second from the
// demo's start (at frameNumber / fps seconds) as an export does: silently,
// with `spectrum` there, the pass inputs `counted` (from `clock`) and the
// smoothed spectrum from `tune` when the scene reads it.
SceneDrawResult drawGridFrame(LoadedDemo& loaded, const FramePicture& picture, uint64_t frameNumber, int fps,
                              const float* spectrum, PassInputsSource& clock, const PassInputs& counted,
                              OfflineClock& tune);

// The frames before `firstFrame`, on the grid of `fps` frames a second from
// the demo's start, that a range ending before `endFrame` goes through first
// (see warmUpFrames). `firstScene`, when 0 or more, is the scene shown at
// `firstFrame` in place of the grid's (a start between two grid frames).
std::vector<WarmUpFrame> warmUpFramesFor(LoadedDemo& loaded, uint64_t firstFrame, uint64_t endFrame, int fps,
                                         int firstScene = -1);

// Goes through warm-up frame `frame` of the grid of `fps` frames a second
// with `spectrum` there: draws it into `picture` (silently) or only adds its
// spectrum to the sums, with the pass inputs `counted` (from `clock`).
// False when a target could not be drawn into (`result` says which).
bool warmUpFrame(LoadedDemo& loaded, const FramePicture& picture, const WarmUpFrame& frame, int fps,
                 const float* spectrum, PassInputsSource& clock, const PassInputs& counted, OfflineClock& tune,
                 SceneDrawResult& result);

// The line --no-warmup says when it skips `frames` frames before `row`,
// without the name in front.
std::string skippedWarmUpLine(uint64_t frames, double row);

// Before the first frame of a run started at a later row: draws the
// warm-up into `picture` (the first frame draws over it) and lets the frame
// count go on from it. With `skip` (--no-warmup) draws nothing and says so
// on standard error, when there was something to draw.
void warmUpBeforeStart(AppState& run, const FramePicture& picture, bool skip);

} // namespace app
