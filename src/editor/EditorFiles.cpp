// Loading, saving and reloading the track editor's files. Main thread.
#include "editor/EditorFiles.h"

#include <filesystem>
#include <system_error>

#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/warning.h"
#include "sync/device.h"
#include "sync/track_text.h"

namespace {

constexpr const char* kTextFolder = "tracks";
// Text tracks are small; a larger file is surely something else.
constexpr uint64_t kMaxTextBytes = 64ull * 1024 * 1024;

// The player's keys of `track`, as the editor holds them.
std::vector<EditorKey> keysOf(const SyncTrack* track)
{
    std::vector<EditorKey> keys;
    if (track == nullptr)
        return keys;
    keys.reserve(static_cast<size_t>(track->key_count));
    for (int32_t i = 0; i < track->key_count; ++i)
        keys.push_back({track->keys[i], "", 0});
    return keys;
}

std::vector<SyncKey> syncKeysOf(const EditorTrack& track)
{
    std::vector<SyncKey> keys;
    keys.reserve(track.keys.size());
    for (const EditorKey& key : track.keys)
        keys.push_back(key.key);
    return keys;
}

} // namespace

std::string EditorFiles::textPath(const std::string& name)
{
    return std::string(kTextFolder) + "/" + name + ".txt";
}

std::string EditorFiles::trackPath(const std::string& name)
{
    return sync_track_path("sync", name.c_str());
}

void EditorFiles::load(TrackEditor& editor, size_t column)
{
    EditorTrack& track = editor.column(column);
    std::string text;
    std::string problem;
    const PlatformReadStatus status = platform_read_file(textPath(track.name).c_str(), kMaxTextBytes, text, problem);
    if (status == PLATFORM_READ_OK) {
        readText(editor, column, text, false);
        return;
    }
    if (status != PLATFORM_READ_MISSING)
        track.readOnlyError = textPath(track.name) + ": " + problem;
    editor.replaceKeys(column, keysOf(track.track), false);
}

bool EditorFiles::reload(TrackEditor& editor, size_t column)
{
    EditorTrack& track = editor.column(column);
    std::string text;
    std::string problem;
    if (platform_read_file(textPath(track.name).c_str(), kMaxTextBytes, text, problem) != PLATFORM_READ_OK)
        return false; // gone or unreadable for now: the editor's keys stay, and are written again
    const auto known = knownText_.find(track.name);
    if (known != knownText_.end() && known->second == text)
        return false;
    readText(editor, column, text, true);
    return true;
}

bool EditorFiles::reloadBinary(TrackEditor& editor, size_t column)
{
    EditorTrack& track = editor.column(column);
    // A track with a text track follows its text; its binary is the editor's to write.
    std::error_code ignored;
    if (knownText_.count(track.name) > 0 || std::filesystem::exists(textPath(track.name), ignored))
        return false;
    SyncTrack read;
    read.name = track.name;
    // A rejected file has had its line on standard error; the keys stay.
    if (sync_load_keys(&read, trackPath(track.name).c_str()) != SYNC_LOAD_OK)
        return false;
    std::vector<EditorKey> keys = keysOf(&read);
    const std::vector<SyncKey> held = syncKeysOf(track);
    if (sync_encode_keys(held.data(), static_cast<int32_t>(held.size())) ==
        sync_encode_keys(read.keys.get(), read.key_count))
        return false;
    editor.replaceKeys(column, std::move(keys), true);
    return true;
}

void EditorFiles::readText(TrackEditor& editor, size_t column, const std::string& text, bool undoable)
{
    EditorTrack& track = editor.column(column);
    knownText_[track.name] = text;
    std::vector<EditorKey> keys;
    SyncTextError error;
    // A document is only replaced by a text that parses: a refused one keeps its lines.
    TextTrackDocument document = track.text;
    uint32_t nextKeyId = track.nextKeyId;
    std::string refused;
    if (!document.parse(text, nextKeyId, keys, error)) {
        refused = textPath(track.name) + ":" + std::to_string(error.line) + ": " + error.message;
    } else {
        // Values that are no number cannot be edited or drawn: refused as synctrack warns of them.
        std::vector<SyncKey> parsed;
        for (const EditorKey& key : keys)
            parsed.push_back(key.key);
        const std::string invalid = sync_invalid_keys_problem(parsed.data(), static_cast<int32_t>(parsed.size()));
        if (!invalid.empty())
            refused = textPath(track.name) + ": " + invalid;
    }
    if (!refused.empty()) {
        track.readOnlyError = refused;
        if (!undoable)
            editor.replaceKeys(column, keysOf(track.track), false);
        return;
    }
    track.text = std::move(document);
    track.nextKeyId = nextKeyId;
    track.readOnlyError.clear();
    editor.replaceKeys(column, std::move(keys), undoable);
    // The text is the source: its binary follows at the next save.
    const std::vector<SyncKey> held = syncKeysOf(track);
    if (sync_track_file_state(trackPath(track.name).c_str(), held.data(), static_cast<int32_t>(held.size())) !=
        SYNC_TRACK_FILE_HOLDS)
        track.binaryStale = true;
}

bool EditorFiles::save(TrackEditor& editor, double nowSeconds, bool force)
{
    if (!force && nowSeconds - lastSave_ < kSaveIntervalSeconds)
        return false;
    bool allSaved = true;
    bool wrote = false;
    for (size_t c = 0; c < editor.columnCount(); ++c) {
        EditorTrack& track = editor.column(c);
        if (!track.unsaved && !track.binaryStale)
            continue;
        wrote = true;
        allSaved = write(track) && allSaved;
    }
    if (wrote)
        lastSave_ = nowSeconds;
    return allSaved;
}

bool EditorFiles::write(EditorTrack& track)
{
    const std::vector<SyncKey> keys = syncKeysOf(track);
    std::string problem;
    std::string file = textPath(track.name);
    bool written = true;
    // Keys read from the text need only their binary; edits go to both, the text first.
    if (track.unsaved) {
        const std::string text = track.text.write(track.keys);
        std::error_code ignored; // a folder that cannot be made fails the write that follows
        std::filesystem::create_directories(kTextFolder, ignored);
        written = platform_write_file_atomic(file.c_str(), text, problem);
        if (written)
            knownText_[track.name] = text;
    }
    if (written) {
        track.binaryStale = true; // until the binary is written too
        track.unsaved = false;
        file = trackPath(track.name);
        written = sync_write_track(file.c_str(), keys.data(), static_cast<int32_t>(keys.size()), problem);
    }
    if (!written) {
        const std::string mark = file + ": " + problem + "; not saved, the edits are kept";
        if (mark != track.saveProblem) // said once, not at every attempt
            platform_warn(file, problem + "; not saved, the edits are kept");
        track.saveProblem = mark;
        return false;
    }
    track.saveProblem.clear();
    track.binaryStale = false;
    return true;
}
