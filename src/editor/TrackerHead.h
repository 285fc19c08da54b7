// TrackerHead: what a column head of the tracker says, without drawing: the
// track's name with its marks ("L " while it learns a MIDI controller, "R "
// while armed, "~" while the curve view shows it too, "*" while unsaved),
// whether it is drawn in red (a file problem, or armed to record), and the
// tooltip that says why.
//
// Main thread; a pure function.
#pragma once

#include <string>

#include "editor/EditorTrack.h"
#include "editor/Recorder.h"

struct TrackerHead {
    std::string text; // before it is elided to the column's width
    std::string tip;  // the whole name and what is going on with the track
    bool red = false; // a file problem, or armed
};

// The head of `track`'s column; `ticked`: the curve view shows it;
// `recorder` (may be null) says whether it is armed or learning.
TrackerHead trackerHead(const EditorTrack& track, bool ticked, const Recorder* recorder);
