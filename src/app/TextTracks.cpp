// Reading text tracks into the device's tracks, and the start-up check for
// binaries left behind by an edited text track. Main thread.
#include "app/TextTracks.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/file_read.h"
#include "platform/platform.h"
#include "platform/warning.h"
#include "sync/device.h"
#include "sync/track_text.h"

namespace {

// Text tracks are small; a larger file is surely something else.
constexpr uint64_t kMaxTextTrackBytes = 64ull * 1024 * 1024;

} // namespace

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
    std::string text;
    std::string problem;
    if (platform_read_file(path.c_str(), kMaxTextTrackBytes, text, problem) != PLATFORM_READ_OK) {
        error = path + ": " + problem;
        return false;
    }
    std::vector<SyncKey> keys;
    SyncTextError textError;
    if (!sync_parse_text(text, keys, textError)) {
        error = path + ":" + std::to_string(textError.line) + ": " + textError.message;
        return false;
    }
    const int32_t count = static_cast<int32_t>(keys.size());
    std::unique_ptr<SyncKey[]> owned(count > 0 ? new SyncKey[keys.size()] : nullptr);
    std::copy(keys.begin(), keys.end(), owned.get());
    if (!sync_set_keys(track, std::move(owned), count)) {
        error = path + ": too many keys for the memory left";
        return false;
    }
    return true;
}

void app::warnAboutStaleTextTracks()
{
    for (const std::string& name : textTrackNames()) {
        const std::string text = textTrackPath(name);
        const std::string binary = sync_track_path("sync", name.c_str());
        // Full-resolution times: the text is often saved within the second
        // its binary was made (the standard library's times are whole
        // seconds on Windows).
        int64_t textTime = 0;
        int64_t binaryTime = 0;
        if (!platform_file_time_ns(text.c_str(), textTime))
            continue;
        if (!platform_file_time_ns(binary.c_str(), binaryTime) || textTime > binaryTime)
            platform_warn(text, "newer than " + binary + ", which the player reads; `synctrack encode " +
                                    kTextTrackFolder + " .` brings it up to date (or play with --live)");
    }
}
