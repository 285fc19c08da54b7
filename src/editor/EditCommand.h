// One undoable edit of the track editor: for each track it touched, the keys
// in a range of rows before and after. Doing it replaces `before` with
// `after` in that range; undoing it replaces them back. Row shifts, pastes
// and reloads are all of this one shape.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/EditorKey.h"

struct TrackChange {
    size_t track = 0;              // the track's index in creation order (stable while the editor runs)
    int64_t firstRow = 0;          // the rows the change covers, both ends included
    int64_t lastRow = 0;           //
    std::vector<EditorKey> before; // the keys in those rows before the change
    std::vector<EditorKey> after;  // and after it
};

struct EditCommand {
    std::vector<TrackChange> changes;
    int32_t cursorRow = 0; // where the cursor was when the edit was made, restored by undo and redo
    size_t cursorColumn = 0;
    uint64_t gesture = 0; // non-zero for the steps of one mouse drag, which undo as one
    uint64_t take = 0;    // non-zero for the keys of one recording take, which undo as one
    std::string what;     // what it did, as the status line says it ("paste of 6 keys in speed, zoom")
};
