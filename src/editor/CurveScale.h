// The numbers of the track editor's curve view, without drawing: the range
// of values it spans, round steps for its labels and for snapping dragged
// values, and the rounding of a dragged value before it is written.
//
// Main thread; pure functions.
#pragma once

#include <vector>

#include "editor/EditorKey.h"
#include "sync/data.h"

struct ValueRange {
    float low = 0.0f;
    float high = 1.0f;
};

// The values `tracks` take over rows first .. first + rows (sampled at
// `samples` points and at every key in between), with a tenth of the span
// added above and below; -1 .. 1 around a flat value; 0 .. 1 without keys.
ValueRange curveValueRange(const std::vector<const SyncTrack*>& tracks, double first, double rows, int samples);

// The rows and values every key of `tracks` spans, with a margin: what F frames.
// False when the tracks have no finite keys.
bool curveFrameKeys(const std::vector<const std::vector<EditorKey>*>& tracks, double& firstRow, double& rows,
                    ValueRange& values);

// A round step (1, 2 or 5 times a power of ten) that cuts `span` into at
// most `most` parts.
double curveStep(double span, int most);

// `value` on the nearest multiple of `step` (unchanged for a step of 0).
float curveSnap(float value, double step);

// `value` to 4 significant digits, as a dragged value is written (a typed
// one is written as typed).
float curveRound(float value);
