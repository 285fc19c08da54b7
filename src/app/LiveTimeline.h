// The timeline keys of live mode as plain decisions over rows, so they can be
// checked without a window or music: jumps to the scene track's changes, a
// beat back or forward at the demo's tempo, and the loop range. The frame
// loop and the keyboard apply them to the music on the main thread.
#pragma once

#include <cstdint>

#include "sync/data.h"

// The byte position of 16-bit PCM music (`sampleRate` frames per second,
// `channels` channels) where `row` plays at `rowsPerSecond`; rows before 0
// count as row 0.
uint64_t rowToMusicBytes(double row, double rowsPerSecond, int sampleRate, int channels);

// The rows where the scene track's keys change the scene (the whole part of
// the value differs from the key before), in order; the first key counts.
// PageUp / PageDown jump between them.

// The first change after `row` (more than half a row later), or -1 when
// there is none.
double nextSceneChange(const SyncTrack* sceneTrack, double row);

// The last change before `row` (more than half a row earlier, so that a
// second press moves on), or 0 when there is none.
double previousSceneChange(const SyncTrack* sceneTrack, double row);

// A loop over part of the timeline: set with [ and ], cleared with \.
class LoopRange {
public:
    // Sets the start or the end at `row`. A range whose end is not after its
    // start loops nothing.
    void setStart(double row)
    {
        start_ = row;
        hasStart_ = true;
    }
    void setEnd(double row)
    {
        end_ = row;
        hasEnd_ = true;
    }
    void clear() { hasStart_ = hasEnd_ = false; }

    // Whether playback loops: both ends set, the end after the start.
    bool active() const { return hasStart_ && hasEnd_ && end_ > start_; }
    bool hasStart() const { return hasStart_; }
    bool hasEnd() const { return hasEnd_; }
    double start() const { return start_; }
    double end() const { return end_; }

    // Whether a frame at `row` has run past the loop's end and playback
    // jumps back to its start.
    bool wrapsAt(double row) const { return active() && row >= end_; }

private:
    double start_ = 0.0;
    double end_ = 0.0;
    bool hasStart_ = false;
    bool hasEnd_ = false;
};
