// The part of a frame that every way of running the demo shares: the frame's
// values from the clock and the sync tracks, the choice of scene, and the
// draw. The frame loop drives it from the music, the export from its offline
// clock; only the clock differs. Main thread (the one with the GL context),
// reading and writing AppState.
#pragma once

#include "app/FrameRules.h"
#include "render/Scene.h"

// How a frame speaks on the console while it draws.
enum class FrameReport { Console, Silent };

namespace app {

// The frame at `seconds` and `row` (the row read from the same clock), with
// `spectrum` of `binCount` magnitudes there, from AppState's tracks.
FrameValues frameValuesFromTracks(double seconds, double row, const float* spectrum, int binCount);

// The scene a frame with `sceneIndex` draws: that scene when it exists, else
// the first scene in its place (null when there are no scenes at all).
// `found` tells whether it is the frame's own.
Scene* sceneToDraw(int sceneIndex, bool& found);

// Draws `scene` with the frame's values into framebuffer 0 at AppState's
// window size; with no scene, clears it instead. A silent frame prints
// nothing (the scene's "fstr_val" line included). The result says whether a
// render target could not be drawn into.
SceneDrawResult drawSceneFrame(Scene* scene, const FrameValues& values, FrameReport report = FrameReport::Console);

} // namespace app
