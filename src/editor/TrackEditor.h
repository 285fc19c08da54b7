// The editor module: the track editor of --edit, on the sync layer (the
// tracks it edits), the timeline (the tune it shows beside the rows), the
// platform's files, and Dear ImGui for its panel, without GL calls of its
// own: the app layer gives it the ImGui context and the window's input. It
// owns the editing model, the track files it writes back, the tune strip and
// the panel's view state; the SyncTracks it feeds belong to the player's
// device. Main thread only, but for the tune strip's worker thread, which it
// starts and joins itself (TuneStrip.h).
//
// The track editor's model, without GL or files: the tracks as columns in
// the order of their names, a cursor (row and column), a block selection,
// typed values, key edits, a clipboard of blocks, row shifts, and undo and
// redo without limit. Every change gives the player's SyncTrack the new keys
// at once, so the next frame shows it, and marks the track unsaved for
// EditorFiles to write.
//
// Main thread. The editor owns its EditorTracks; the SyncTracks they feed
// belong to the player's SyncDevice and must outlive it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/EditCommand.h"
#include "editor/EditorTrack.h"

// A block of rows x columns, both ends included.
struct EditorBlock {
    int32_t firstRow = 0;
    int32_t lastRow = 0;
    size_t firstColumn = 0;
    size_t lastColumn = 0;
};

class TrackEditor {
public:
    // Adds a column for track `name` (fed to `track`, which may be null)
    // without keys, in its place by name; the cursor stays on its track.
    // Returns the new column.
    size_t addTrack(const std::string& name, SyncTrack* track);

    size_t columnCount() const { return order_.size(); }
    EditorTrack& column(size_t column) { return *tracks_[order_[column]]; }
    const EditorTrack& column(size_t column) const { return *tracks_[order_[column]]; }
    // The column of track `name`, or -1.
    long long findColumn(const std::string& name) const;

    // Gives `column` the keys read from its files. As a load (undoable
    // false) it starts the column's history; as an edit made outside
    // (undoable true) it is one more step of the history. Neither marks the
    // column unsaved: the keys came from its file.
    void replaceKeys(size_t column, std::vector<EditorKey> keys, bool undoable);

    // The rows the cursor can reach: 0 .. lastRow (the demo's end, or the
    // last key of any track when that comes later).
    void setLastRow(int32_t lastRow);
    int32_t lastRow() const { return lastRow_; }
    // The row of the last key of any track (-1 without keys).
    int64_t lastKeyRow() const;

    int32_t cursorRow() const { return cursorRow_; }
    size_t cursorColumn() const { return cursorColumn_; }
    // Moves the cursor by rows and columns (clamped), or to a place. With
    // `select` the selection's block grows from where the cursor was; without
    // it the selection ends.
    void moveCursor(int64_t rows, long long columns, bool select);
    void setCursor(int64_t row, long long column, bool select);

    // Puts the cursor on `row` (clamped) as the playing music moves on; the
    // selection stays.
    void followRow(int64_t row);

    bool hasSelection() const { return selecting_; }
    // Ends the selection; false when there was none.
    bool clearSelection();
    // The selected block, or the cursor's cell without a selection.
    EditorBlock block() const;

    // Typing a value: digits, '.', '-', '+' and 'e' as in "1.5e-3" build the
    // text (true when the character was taken); Backspace removes the last
    // one; Enter sets it as the key at the cursor.
    bool typeCharacter(char c);
    bool eraseTyped();
    bool isTyping() const { return !typed_.empty(); }
    const std::string& typed() const { return typed_; }
    void cancelTyping() { typed_.clear(); }
    // Starts typing with `text` (a double-click on a cell: its value to edit).
    void startTyping(const std::string& text) { typed_ = text; }
    // Sets the typed value; false (the text kept) when it is not a number.
    bool enterTyped();

    // Edits at the cursor (or of the selected block). Each returns false and
    // changes nothing when there is nothing to change or the column is read-only.
    bool setKey(float value);  // a new key is a step; an existing key keeps its type
    bool deleteKey();          // the key at the cursor, or every key of the block
    bool cycleInterpolation(); // step -> linear -> smooth -> ramp -> step
    void copy();               // the block's keys to the clipboard
    bool cut();                // copy, then delete
    bool paste();              // the clipboard's keys replace those under it, from the cursor
    bool insertRow();          // the cursor's column: keys from the cursor's row on move down a row
    bool deleteRow();          // the key at the cursor's row goes, the keys below move up a row
    // Moves the key at `fromRow` of `column` to `toRow` with `value` (a key
    // there is replaced). The steps of one drag share a `gesture` number and
    // undo as one edit.
    bool dragKey(size_t column, int32_t fromRow, int32_t toRow, float value, uint64_t gesture);
    // Moves several keys at once, as one step of drag `gesture`.
    struct KeyMove {
        size_t column;
        int32_t fromRow;
        int32_t toRow;
        float value;
    };
    bool dragKeys(const std::vector<KeyMove>& moves, uint64_t gesture);
    // Writes `value` as the key at `row` of `column` (a new key takes the
    // interpolation of the key before it); the keys of one recording `take`
    // undo as one edit. False when it changes nothing.
    bool recordKey(size_t column, int32_t row, float value, uint64_t take);
    // Takes back every step of drag `gesture` (Esc during the drag); false when it made none.
    bool cancelGesture(uint64_t gesture);
    // Adds `steps` x valueStep to the value of the key at the cursor; false without one.
    bool nudge(int steps);
    // The nudge step of `column`: a round step, a hundredth of its keys' range of values.
    float valueStep(size_t column) const;

    bool undo();
    bool redo();
    size_t undoCount() const { return undo_.size(); }
    // What the last edit, undo or redo did ("undo: paste of 6 keys in speed, zoom"); "" before any.
    const std::string& lastDone() const { return lastDone_; }

private:
    struct ClipColumn {
        std::vector<SyncKey> keys; // rows counted from the block's first row
    };

    bool editable(size_t column) const;
    // The keys of the cursor's column from its row on move `rows` (1 or -1) rows.
    bool shiftRows(int rows);
    size_t trackIndex(size_t column) const { return order_[column]; }
    // A change of `column`'s rows first..last to `after` (which lie in them).
    TrackChange change(size_t column, int64_t firstRow, int64_t lastRow, std::vector<EditorKey> after);
    // Does, records and publishes an edit; false when it changes nothing.
    bool commit(EditCommand command, const char* verb);
    std::string describe(const EditCommand& command, const char* verb) const;
    void apply(const TrackChange& change, bool forward);
    void publish(size_t track);
    EditCommand here() const;
    void restoreCursor(const EditCommand& command);

    std::vector<std::unique_ptr<EditorTrack>> tracks_; // in creation order
    std::vector<size_t> order_;                        // column -> track, by name
    int32_t lastRow_ = 0;
    int32_t cursorRow_ = 0;
    size_t cursorColumn_ = 0;
    bool selecting_ = false;
    int32_t anchorRow_ = 0;
    size_t anchorColumn_ = 0;
    std::string typed_;
    int32_t clipRows_ = 0;
    std::vector<ClipColumn> clipboard_;
    std::vector<EditCommand> undo_;
    std::vector<EditCommand> redo_;
    std::string lastDone_;
};
