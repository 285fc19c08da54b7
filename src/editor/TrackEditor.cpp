// The track editor's model: columns, cursor, selection, edits as commands,
// undo and redo. Main thread.
#include "editor/TrackEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "sync/track.h"

namespace {

constexpr int64_t kFirstRow = INT32_MIN;
constexpr int64_t kEndRow = INT32_MAX;

bool sameKeys(const std::vector<EditorKey>& a, const std::vector<EditorKey>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const EditorKey& x, const EditorKey& y) {
        return x.key.row == y.key.row && x.key.type == y.key.type &&
               std::memcmp(&x.key.value, &y.key.value, sizeof x.key.value) == 0 && x.comment == y.comment;
    });
}

int32_t clampRow(int64_t row, int32_t lastRow)
{
    return static_cast<int32_t>(std::clamp<int64_t>(row, 0, lastRow));
}

} // namespace

long long editor::keyIndexAt(const std::vector<EditorKey>& keys, int32_t row)
{
    const size_t i = firstKeyAtOrAfter(keys, row);
    return i < keys.size() && keys[i].key.row == row ? static_cast<long long>(i) : -1;
}

size_t editor::firstKeyAtOrAfter(const std::vector<EditorKey>& keys, int64_t row)
{
    return static_cast<size_t>(
        std::lower_bound(keys.begin(), keys.end(), row,
                         [](const EditorKey& key, int64_t wanted) { return key.key.row < wanted; }) -
        keys.begin());
}

size_t TrackEditor::addTrack(const std::string& name, SyncTrack* track)
{
    const bool hadColumns = !order_.empty();
    const size_t cursorTrack = hadColumns ? order_[cursorColumn_] : 0;
    auto added = std::make_unique<EditorTrack>();
    added->name = name;
    added->track = track;
    tracks_.push_back(std::move(added));
    const size_t index = tracks_.size() - 1;
    const auto place = std::lower_bound(order_.begin(), order_.end(), name,
                                        [&](size_t t, const std::string& n) { return tracks_[t]->name < n; });
    const size_t column = static_cast<size_t>(place - order_.begin());
    order_.insert(place, index);
    if (hadColumns) {
        cursorColumn_ = static_cast<size_t>(std::find(order_.begin(), order_.end(), cursorTrack) - order_.begin());
        selecting_ = false;
    }
    return column;
}

long long TrackEditor::findColumn(const std::string& name) const
{
    for (size_t c = 0; c < order_.size(); ++c)
        if (tracks_[order_[c]]->name == name)
            return static_cast<long long>(c);
    return -1;
}

void TrackEditor::replaceKeys(size_t column, std::vector<EditorKey> keys, bool undoable)
{
    EditorTrack& track = this->column(column);
    for (EditorKey& key : keys)
        if (key.id == 0)
            key.id = track.nextKeyId++;
    if (undoable) {
        const bool unsaved = track.unsaved;
        EditCommand command = here();
        command.changes.push_back(change(column, kFirstRow, kEndRow, std::move(keys)));
        commit(std::move(command), "outside edit");
        track.unsaved = unsaved;
        return;
    }
    track.keys = std::move(keys);
    ++track.revision;
    publish(trackIndex(column));
}

void TrackEditor::setLastRow(int32_t lastRow)
{
    lastRow_ = std::max(lastRow, 0);
    cursorRow_ = clampRow(cursorRow_, lastRow_);
    anchorRow_ = clampRow(anchorRow_, lastRow_);
}

void TrackEditor::moveCursor(int64_t rows, long long columns, bool select)
{
    setCursor(int64_t{cursorRow_} + rows, static_cast<long long>(cursorColumn_) + columns, select);
}

void TrackEditor::setCursor(int64_t row, long long column, bool select)
{
    if (select && !selecting_) {
        anchorRow_ = cursorRow_;
        anchorColumn_ = cursorColumn_;
    }
    selecting_ = select;
    cursorRow_ = clampRow(row, lastRow_);
    const long long lastColumn = static_cast<long long>(order_.size()) - 1;
    cursorColumn_ = static_cast<size_t>(std::clamp(column, 0ll, std::max(lastColumn, 0ll)));
}

void TrackEditor::followRow(int64_t row)
{
    cursorRow_ = clampRow(row, lastRow_);
}

bool TrackEditor::clearSelection()
{
    const bool had = selecting_;
    selecting_ = false;
    return had;
}

int64_t TrackEditor::lastKeyRow() const
{
    int64_t last = -1;
    for (const auto& track : tracks_)
        if (!track->keys.empty())
            last = std::max<int64_t>(last, track->keys.back().key.row);
    return last;
}

EditorBlock TrackEditor::block() const
{
    if (!selecting_)
        return {cursorRow_, cursorRow_, cursorColumn_, cursorColumn_};
    return {std::min(anchorRow_, cursorRow_), std::max(anchorRow_, cursorRow_), std::min(anchorColumn_, cursorColumn_),
            std::max(anchorColumn_, cursorColumn_)};
}

bool TrackEditor::typeCharacter(char c)
{
    const bool digit = c >= '0' && c <= '9';
    // '.' alone is the beat key; within a number it is the decimal point.
    const bool within = !typed_.empty() && (c == '.' || c == 'e' || c == 'E' || c == '+');
    if (!digit && !within && c != '-')
        return false;
    typed_ += c;
    return true;
}

bool TrackEditor::eraseTyped()
{
    if (typed_.empty())
        return false;
    typed_.pop_back();
    return true;
}

bool TrackEditor::enterTyped()
{
    char* end = nullptr;
    const float value = std::strtof(typed_.c_str(), &end);
    if (typed_.empty() || end != typed_.c_str() + typed_.size() || !std::isfinite(value))
        return false;
    typed_.clear();
    setKey(value);
    return true;
}

bool TrackEditor::editable(size_t column) const
{
    return column < order_.size() && this->column(column).readOnlyError.empty();
}

TrackChange TrackEditor::change(size_t column, int64_t firstRow, int64_t lastRow, std::vector<EditorKey> after)
{
    EditorTrack& track = this->column(column);
    for (EditorKey& key : after)
        if (key.id == 0)
            key.id = track.nextKeyId++;
    const size_t from = editor::firstKeyAtOrAfter(track.keys, firstRow);
    const size_t to = editor::firstKeyAtOrAfter(track.keys, lastRow + 1);
    TrackChange result;
    result.track = trackIndex(column);
    result.firstRow = firstRow;
    result.lastRow = lastRow;
    result.before.assign(track.keys.begin() + static_cast<long>(from), track.keys.begin() + static_cast<long>(to));
    result.after = std::move(after);
    return result;
}

EditCommand TrackEditor::here() const
{
    EditCommand command;
    command.cursorRow = cursorRow_;
    command.cursorColumn = cursorColumn_;
    return command;
}

std::string TrackEditor::describe(const EditCommand& command, const char* verb) const
{
    size_t keys = 0;
    std::vector<size_t> tracks;
    for (const TrackChange& change : command.changes) {
        keys += std::max(change.before.size(), change.after.size());
        if (std::find(tracks.begin(), tracks.end(), change.track) == tracks.end())
            tracks.push_back(change.track);
    }
    std::string names;
    for (size_t track : tracks)
        names += (names.empty() ? "" : ", ") + tracks_[track]->name;
    return std::string(verb) + " of " + std::to_string(keys) + (keys == 1 ? " key in " : " keys in ") + names;
}

bool TrackEditor::commit(EditCommand command, const char* verb)
{
    auto& changes = command.changes;
    changes.erase(std::remove_if(changes.begin(), changes.end(),
                                 [](const TrackChange& c) { return sameKeys(c.before, c.after); }),
                  changes.end());
    if (changes.empty())
        return false;
    for (const TrackChange& change : changes)
        apply(change, true);
    command.what = describe(command, verb);
    lastDone_ = command.what;
    undo_.push_back(std::move(command));
    redo_.clear();
    return true;
}

void TrackEditor::apply(const TrackChange& change, bool forward)
{
    EditorTrack& track = *tracks_[change.track];
    const size_t from = editor::firstKeyAtOrAfter(track.keys, change.firstRow);
    const size_t to = editor::firstKeyAtOrAfter(track.keys, change.lastRow + 1);
    const std::vector<EditorKey>& keys = forward ? change.after : change.before;
    const auto at = track.keys.erase(track.keys.begin() + static_cast<long>(from),
                                     track.keys.begin() + static_cast<long>(to));
    track.keys.insert(at, keys.begin(), keys.end());
    track.unsaved = true;
    ++track.revision;
    publish(change.track);
}

void TrackEditor::publish(size_t index)
{
    EditorTrack& track = *tracks_[index];
    if (!track.track)
        return;
    const int32_t count = static_cast<int32_t>(track.keys.size());
    std::unique_ptr<SyncKey[]> keys(count > 0 ? new SyncKey[track.keys.size()] : nullptr);
    for (size_t i = 0; i < track.keys.size(); ++i)
        keys[i] = track.keys[i].key;
    sync_set_keys(track.track, std::move(keys), count);
}

bool TrackEditor::setKey(float value)
{
    if (!editable(cursorColumn_))
        return false;
    const std::vector<EditorKey>& keys = column(cursorColumn_).keys;
    const long long index = editor::keyIndexAt(keys, cursorRow_);
    EditorKey key;
    key.key = {cursorRow_, value, SYNC_STEP};
    if (index >= 0) {
        key = keys[static_cast<size_t>(index)];
        key.key.value = value;
    }
    EditCommand command = here();
    command.changes.push_back(change(cursorColumn_, cursorRow_, cursorRow_, {key}));
    return commit(std::move(command), "set");
}

bool TrackEditor::deleteKey()
{
    const EditorBlock b = block();
    EditCommand command = here();
    for (size_t c = b.firstColumn; c <= b.lastColumn && c < columnCount(); ++c)
        if (editable(c))
            command.changes.push_back(change(c, b.firstRow, b.lastRow, {}));
    return commit(std::move(command), "delete");
}

bool TrackEditor::cycleInterpolation()
{
    if (!editable(cursorColumn_))
        return false;
    const std::vector<EditorKey>& keys = column(cursorColumn_).keys;
    const long long index = editor::keyIndexAt(keys, cursorRow_);
    if (index < 0)
        return false;
    EditorKey key = keys[static_cast<size_t>(index)];
    // A type without a name (from a file made elsewhere) starts the cycle again.
    key.key.type = key.key.type >= SYNC_STEP && key.key.type < SYNC_RAMP ? key.key.type + 1 : SYNC_STEP;
    EditCommand command = here();
    command.changes.push_back(change(cursorColumn_, cursorRow_, cursorRow_, {key}));
    return commit(std::move(command), "interpolation");
}

void TrackEditor::copy()
{
    const EditorBlock b = block();
    clipRows_ = b.lastRow - b.firstRow + 1;
    clipboard_.clear();
    for (size_t c = b.firstColumn; c <= b.lastColumn && c < columnCount(); ++c) {
        const std::vector<EditorKey>& keys = column(c).keys;
        ClipColumn clip;
        for (size_t i = editor::firstKeyAtOrAfter(keys, b.firstRow); i < keys.size() && keys[i].key.row <= b.lastRow;
             ++i) {
            SyncKey key = keys[i].key;
            key.row -= b.firstRow;
            clip.keys.push_back(key);
        }
        clipboard_.push_back(std::move(clip));
    }
}

bool TrackEditor::cut()
{
    copy();
    return deleteKey();
}

bool TrackEditor::paste()
{
    EditCommand command = here();
    for (size_t c = 0; c < clipboard_.size() && cursorColumn_ + c < columnCount(); ++c) {
        const size_t target = cursorColumn_ + c;
        if (!editable(target))
            continue;
        const int64_t first = cursorRow_;
        const int64_t last = std::min<int64_t>(first + clipRows_ - 1, kEndRow);
        std::vector<EditorKey> after;
        for (const SyncKey& key : clipboard_[c].keys) {
            if (first + key.row > last)
                break;
            EditorKey pasted;
            pasted.key = key;
            pasted.key.row = static_cast<int32_t>(first + key.row);
            after.push_back(pasted);
        }
        command.changes.push_back(change(target, first, last, std::move(after)));
    }
    return commit(std::move(command), "paste");
}

bool TrackEditor::insertRow()
{
    return shiftRows(1);
}

bool TrackEditor::deleteRow()
{
    return shiftRows(-1);
}

bool TrackEditor::shiftRows(int rows)
{
    if (!editable(cursorColumn_))
        return false;
    const std::vector<EditorKey>& keys = column(cursorColumn_).keys;
    // A key on the very last row a track can hold has nowhere to go.
    if (rows > 0 && !keys.empty() && keys.back().key.row == kEndRow)
        return false;
    std::vector<EditorKey> after;
    for (size_t i = editor::firstKeyAtOrAfter(keys, cursorRow_); i < keys.size(); ++i) {
        // Moving up, the key at the cursor's row is the one that goes.
        if (rows < 0 && keys[i].key.row == cursorRow_)
            continue;
        after.push_back(keys[i]);
        after.back().key.row += rows;
    }
    EditCommand command = here();
    command.changes.push_back(change(cursorColumn_, cursorRow_, kEndRow, std::move(after)));
    return commit(std::move(command), rows > 0 ? "insert row" : "delete row");
}

bool TrackEditor::dragKey(size_t column, int32_t fromRow, int32_t toRow, float value, uint64_t gesture)
{
    return dragKeys({{column, fromRow, toRow, value}}, gesture);
}

bool TrackEditor::dragKeys(const std::vector<KeyMove>& moves, uint64_t gesture)
{
    // The earlier steps of this drag are taken back first: the keys move
    // from where the drag started, and the keys they passed over stay.
    if (gesture != 0 && !undo_.empty() && undo_.back().gesture == gesture) {
        const EditCommand previous = std::move(undo_.back());
        undo_.pop_back();
        for (auto c = previous.changes.rbegin(); c != previous.changes.rend(); ++c)
            apply(*c, false);
    }
    EditCommand command = here();
    command.gesture = gesture;
    std::vector<size_t> columns;
    for (const KeyMove& move : moves)
        if (std::find(columns.begin(), columns.end(), move.column) == columns.end())
            columns.push_back(move.column);
    for (size_t column : columns) {
        if (!editable(column))
            continue;
        const std::vector<EditorKey>& keys = this->column(column).keys;
        int32_t first = INT32_MAX, last = INT32_MIN;
        std::vector<EditorKey> moved;
        std::vector<int32_t> vacated;
        for (const KeyMove& move : moves) {
            if (move.column != column)
                continue;
            const long long index = editor::keyIndexAt(keys, move.fromRow);
            if (index < 0)
                continue;
            EditorKey key = keys[static_cast<size_t>(index)];
            key.key.row = move.toRow;
            key.key.value = move.value;
            moved.push_back(key);
            vacated.push_back(move.fromRow);
            vacated.push_back(move.toRow);
            first = std::min({first, move.fromRow, move.toRow});
            last = std::max({last, move.fromRow, move.toRow});
        }
        if (moved.empty())
            continue;
        std::vector<EditorKey> after;
        for (size_t i = editor::firstKeyAtOrAfter(keys, first); i < keys.size() && keys[i].key.row <= last; ++i)
            if (std::find(vacated.begin(), vacated.end(), keys[i].key.row) == vacated.end())
                after.push_back(keys[i]);
        for (const EditorKey& key : moved) {
            // Two keys dragged onto one row: the later one stays.
            after.erase(std::remove_if(after.begin(), after.end(),
                                       [&](const EditorKey& k) { return k.key.row == key.key.row; }),
                        after.end());
            after.insert(std::lower_bound(after.begin(), after.end(), key.key.row,
                                          [](const EditorKey& k, int32_t row) { return k.key.row < row; }),
                         key);
        }
        command.changes.push_back(change(column, first, last, std::move(after)));
    }
    return commit(std::move(command), "drag");
}

bool TrackEditor::recordKey(size_t column, int32_t row, float value, uint64_t take)
{
    if (!editable(column))
        return false;
    const std::vector<EditorKey>& keys = this->column(column).keys;
    const long long index = editor::keyIndexAt(keys, row);
    EditorKey key;
    if (index >= 0) {
        key = keys[static_cast<size_t>(index)];
    } else {
        const size_t next = editor::firstKeyAtOrAfter(keys, row);
        key.key.type = next > 0 ? keys[next - 1].key.type : SYNC_STEP;
    }
    key.key.row = row;
    key.key.value = value;
    TrackChange recorded = change(column, row, row, {key});
    if (sameKeys(recorded.before, recorded.after))
        return false;
    apply(recorded, true);
    redo_.clear();
    if (take == 0 || undo_.empty() || undo_.back().take != take) {
        EditCommand command = here();
        command.take = take;
        undo_.push_back(std::move(command));
    }
    undo_.back().changes.push_back(std::move(recorded));
    undo_.back().what = describe(undo_.back(), "recording");
    lastDone_ = undo_.back().what;
    return true;
}

bool TrackEditor::cancelGesture(uint64_t gesture)
{
    if (gesture == 0 || undo_.empty() || undo_.back().gesture != gesture)
        return false;
    const EditCommand taken = std::move(undo_.back());
    undo_.pop_back();
    for (auto c = taken.changes.rbegin(); c != taken.changes.rend(); ++c)
        apply(*c, false);
    lastDone_ = "drag cancelled";
    return true;
}

float TrackEditor::valueStep(size_t column) const
{
    const std::vector<EditorKey>& keys = this->column(column).keys;
    float low = 0.0f, high = 0.0f;
    bool any = false;
    for (const EditorKey& key : keys) {
        if (!std::isfinite(key.key.value))
            continue;
        low = any ? std::min(low, key.key.value) : key.key.value;
        high = any ? std::max(high, key.key.value) : key.key.value;
        any = true;
    }
    // One key (or none) has no range: its size stands for it, at least 1.
    const double span = high > low ? double{high} - low : std::max({1.0, std::fabs(double{low})});
    return static_cast<float>(std::pow(10.0, std::floor(std::log10(span)) - 2.0));
}

bool TrackEditor::nudge(int steps)
{
    if (!editable(cursorColumn_))
        return false;
    const std::vector<EditorKey>& keys = column(cursorColumn_).keys;
    const long long index = editor::keyIndexAt(keys, cursorRow_);
    if (index < 0)
        return false;
    EditorKey key = keys[static_cast<size_t>(index)];
    const double step = valueStep(cursorColumn_);
    // Kept on the step's grid, so that nudged values print short.
    const double moved = std::round((double{key.key.value} + steps * step) / step) * step;
    key.key.value = static_cast<float>(moved);
    EditCommand command = here();
    command.changes.push_back(change(cursorColumn_, cursorRow_, cursorRow_, {key}));
    return commit(std::move(command), "nudge");
}

void TrackEditor::restoreCursor(const EditCommand& command)
{
    selecting_ = false;
    cursorRow_ = clampRow(command.cursorRow, lastRow_);
    cursorColumn_ = std::min(command.cursorColumn, order_.empty() ? 0 : order_.size() - 1);
}

bool TrackEditor::undo()
{
    if (undo_.empty())
        return false;
    EditCommand command = std::move(undo_.back());
    undo_.pop_back();
    for (auto c = command.changes.rbegin(); c != command.changes.rend(); ++c)
        apply(*c, false);
    restoreCursor(command);
    lastDone_ = "undo: " + command.what;
    redo_.push_back(std::move(command));
    return true;
}

bool TrackEditor::redo()
{
    if (redo_.empty())
        return false;
    EditCommand command = std::move(redo_.back());
    redo_.pop_back();
    for (const TrackChange& change : command.changes)
        apply(change, true);
    restoreCursor(command);
    lastDone_ = "redo: " + command.what;
    undo_.push_back(std::move(command));
    return true;
}
