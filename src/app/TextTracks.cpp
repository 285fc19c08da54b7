// Reading text tracks into the device's tracks, and the start-up check for
// binaries left behind by an edited text track. Main thread.
#include "app/TextTracks.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

#include "demo/DemoFiles.h"
#include "platform/warning.h"
#include "sync/device.h"
#include "sync/track_text.h"

std::vector<std::string> app::textTrackNames()
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(kTextTrackFolder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::filesystem::path& path = entry->path();
        if (path.extension() == ".txt" && !path.stem().empty())
            names.push_back(path.stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string app::textTrackPath(const std::string& name)
{
    return std::string(kTextTrackFolder) + "/" + name + ".txt";
}

bool app::loadTextTrack(SyncTrack* track, const std::string& path, std::string& error)
{
    std::vector<SyncKey> keys;
    if (!sync_read_text(path.c_str(), keys, error))
        return false;
    const int32_t count = static_cast<int32_t>(keys.size());
    std::unique_ptr<SyncKey[]> owned(count > 0 ? new SyncKey[keys.size()] : nullptr);
    std::copy(keys.begin(), keys.end(), owned.get());
    if (!sync_set_keys(track, std::move(owned), count)) {
        error = path + ": too many keys for the memory left";
        return false;
    }
    return true;
}

bool app::keepBinaryInStep(const SyncTrack& track, bool& rewritten, std::string& problem)
{
    rewritten = false;
    const std::string binary = sync_track_path(demo::kTrackBaseName, track.name.c_str());
    if (sync_track_file_state(binary.c_str(), track.keys.get(), track.key_count) == SYNC_TRACK_FILE_HOLDS)
        return true;
    if (!sync_write_track(binary.c_str(), track.keys.get(), track.key_count, problem))
        return false;
    rewritten = true;
    return true;
}

void app::warnAboutStaleTextTracks()
{
    const std::string command = std::string("`synctrack encode ") + kTextTrackFolder + " .`";
    for (const std::string& name : textTrackNames()) {
        const std::string text = textTrackPath(name);
        const std::string binary = sync_track_path(demo::kTrackBaseName, name.c_str());
        // By content: a copied or checked-out folder gives every file a new time.
        std::string problem;
        switch (sync_compare_text(text.c_str(), binary.c_str(), problem)) {
        case SYNC_TEXT_AGREES:
            break;
        case SYNC_TEXT_DIFFERS:
            platform_warn(text, "its keys differ from " + binary + ", which the player reads; " + command +
                                    " brings it up to date (or play with --live)");
            break;
        case SYNC_TEXT_NO_TRACK:
            platform_warn(text, "has no " + binary + ", which the player would read; " + command +
                                    " makes it (or play with --live)");
            break;
        case SYNC_TEXT_UNREADABLE:
            std::cout.flush();
            std::fprintf(stderr, "%s; the player reads %s as it is\n", problem.c_str(), binary.c_str());
            break;
        }
    }
}
