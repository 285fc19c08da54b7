// One column of the track editor: a track's keys as the editor edits them,
// the player's track they feed, the text track they are written back into,
// and what the editor shows about its files.
//
// Main thread. The TrackEditor owns its tracks; the SyncTrack belongs to the
// player's SyncDevice, which outlives the editor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/EditorKey.h"
#include "editor/TextTrackDocument.h"
#include "sync/data.h"

struct EditorTrack {
    std::string name;            // the track's name: its column's title
    SyncTrack* track = nullptr;  // the player's track, given every edit at once; may be null (tests)
    std::vector<EditorKey> keys; // rows strictly increasing
    uint32_t nextKeyId = 1;      // the id the next new key gets
    TextTrackDocument text;      // tracks/NAME.txt as last read or written
    std::string readOnlyError;   // "tracks/x.txt:3: ..." while the text does not parse: shown, not edited
    bool unsaved = false;        // edits not yet written to its files
    bool binaryStale = false;    // sync_NAME.track lacks the keys read from tracks/NAME.txt: written at the next save
    std::string saveProblem;     // why the last write failed ("not saved"); empty when it did not
    uint64_t revision = 0;       // counts the changes of `keys`, for what is drawn from them
};

namespace editor {

// Index of the key at `row` in `keys`, or -1.
long long keyIndexAt(const std::vector<EditorKey>& keys, int32_t row);

// Index of the first key at or after `row` (keys.size() when none).
size_t firstKeyAtOrAfter(const std::vector<EditorKey>& keys, int64_t row);

} // namespace editor
