// Carries out the track editor's key actions on its model and says what
// each did, for the status line. The actions that reach beyond the model
// (saving, the help, the curve view, quitting) are the caller's.
//
// Main thread.
#pragma once

#include <string>

#include "editor/BeatGrid.h"
#include "editor/EditorKeys.h"
#include "editor/TrackEditor.h"

struct EditorActionResult {
    bool done = false;  // the action was the model's (carried out, or found nothing to do)
    std::string status; // what it did, or why it did nothing; "" keeps the status line as it is
};

// Runs `action` on `editor`; `shift`: a move grows the selection. Cancel is
// done only when there was typing or a selection to end.
EditorActionResult runEditorAction(EditorAction action, bool shift, TrackEditor& editor, const BeatGrid& grid);
