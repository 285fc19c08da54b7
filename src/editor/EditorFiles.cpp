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

void EditorFiles::readText(TrackEditor& editor, size_t column, const std::string& text, bool undoable)
{
    EditorTrack& track = editor.column(column);
    knownText_[track.name] = text;
    std::vector<EditorKey> keys;
    SyncTextError error;
    if (!track.text.parse(text, track.nextKeyId, keys, error)) {
        track.readOnlyError = textPath(track.name) + ":" + std::to_string(error.line) + ": " + error.message;
        if (!undoable)
            editor.replaceKeys(column, keysOf(track.track), false);
        return;
    }
    track.readOnlyError.clear();
    editor.replaceKeys(column, std::move(keys), undoable);
}

bool EditorFiles::save(TrackEditor& editor, double nowSeconds, bool force)
{
    if (!force && nowSeconds - lastSave_ < kSaveIntervalSeconds)
        return false;
    bool allSaved = true;
    bool wrote = false;
    for (size_t c = 0; c < editor.columnCount(); ++c) {
        EditorTrack& track = editor.column(c);
        if (!track.unsaved)
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
    const std::string text = track.text.write(track.keys);
    std::vector<SyncKey> keys;
    keys.reserve(track.keys.size());
    for (const EditorKey& key : track.keys)
        keys.push_back(key.key);

    std::string problem;
    std::string file = textPath(track.name);
    std::error_code ignored; // a folder that cannot be made fails the write that follows
    std::filesystem::create_directories(kTextFolder, ignored);
    bool written = platform_write_file_atomic(file.c_str(), text, problem);
    if (written) {
        knownText_[track.name] = text;
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
    track.unsaved = false;
    return true;
}
