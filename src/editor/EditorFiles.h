// The files behind the track editor's columns, in the demo's folder (the
// working folder): tracks/NAME.txt, the text form with the person's comments,
// and sync_NAME.track, what the player reads without --live.
//
// Loading takes a column's keys from its text when there is one (a text
// that does not parse leaves the column read-only, showing the error and
// the keys the player has), else from the player's track. Saving writes
// every unsaved column to both files, each through a temporary file and a
// rename, at most every kSaveIntervalSeconds, and everything on exit; a file
// that cannot be written gets one line on standard error and the column's
// "not saved" mark, and is tried again at the next save. A text track
// changed by another program is read again into its column, as one more
// step of the editor's history, and its binary is rewritten from it (the
// text is the source); the editor's own writes are recognised by their
// content and not read back. A binary track without a text track that
// another program saves is read again likewise.
//
// Main thread.
#pragma once

#include <map>
#include <string>

#include "editor/TrackEditor.h"

class EditorFiles {
public:
    // Seconds between two writes of unsaved columns: every edit reaches its
    // files well within a second.
    static constexpr double kSaveIntervalSeconds = 0.25;

    // Loads `column`'s keys from its files (see above).
    void load(TrackEditor& editor, size_t column);

    // tracks/NAME.txt of `column` may have been changed outside: reads it
    // again when its text is not the one the editor last read or wrote.
    // True when the column's keys or its read-only state changed.
    bool reload(TrackEditor& editor, size_t column);

    // sync_NAME.track of `column` may have been changed outside: for a track
    // without a text track, reads it again as one more step of the history.
    // True when the column's keys changed.
    bool reloadBinary(TrackEditor& editor, size_t column);

    // Writes the unsaved columns when kSaveIntervalSeconds have passed since
    // the last write (`nowSeconds` on any steady clock), or at once with
    // `force`. True when every column is saved.
    bool save(TrackEditor& editor, double nowSeconds, bool force);

    // "tracks/NAME.txt" and "sync_NAME.track".
    static std::string textPath(const std::string& name);
    static std::string trackPath(const std::string& name);

private:
    bool write(EditorTrack& track);
    void readText(TrackEditor& editor, size_t column, const std::string& text, bool undoable);

    std::map<std::string, std::string> knownText_; // each track's text as last read or written
    double lastSave_ = -1e300;
};
