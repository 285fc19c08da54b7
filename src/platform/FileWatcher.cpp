// FileWatcher (see FileWatcher.h). Main thread.
#include "platform/FileWatcher.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

#include "platform/file_watch.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

fs::path normalised(const std::string& path)
{
    fs::path p = fs::path(path).lexically_normal();
    return p.has_parent_path() ? p : fs::path(".") / p;
}

} // namespace

FileWatcher::FileWatcher(Method method)
    : method_(method), watch_(method == Method::Notification ? platform_watch_open() : nullptr)
{
}

FileWatcher::~FileWatcher()
{
    platform_watch_close(watch_);
}

FileWatcher::FileState FileWatcher::stateOf(const std::string& path)
{
    FileState state;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status))
        return state;
    state.exists = true;
    platform_file_time_ns(path.c_str(), state.timeNs);
    if (fs::is_regular_file(status))
        state.size = fs::file_size(path, error);
    return state;
}

void FileWatcher::add(const std::string& path)
{
    add(path, INT64_MAX);
}

void FileWatcher::add(const std::string& path, int64_t readSinceNs)
{
    const fs::path key = normalised(path);
    for (const WatchedFile& file : files_)
        if (file.normalised == key)
            return;
    FileState state = stateOf(path);
    // A state no file has, so that the next look sees a change.
    if (state.exists && state.timeNs >= readSinceNs)
        state.timeNs = INT64_MIN;
    files_.push_back({path, key, state, state.timeNs == INT64_MIN});

    const std::string folder = key.parent_path().string();
    if (watch_ != nullptr &&
        std::find(watchedFolders_.begin(), watchedFolders_.end(), folder) == watchedFolders_.end()) {
        watchedFolders_.push_back(folder);
        if (!platform_watch_directory(watch_, folder)) {
            // A folder that cannot be watched: look at everything every time.
            platform_watch_close(watch_);
            watch_ = nullptr;
        }
    }
}

void FileWatcher::keepOnly(const std::vector<std::string>& paths)
{
    std::vector<fs::path> kept;
    for (const std::string& path : paths)
        kept.push_back(normalised(path));
    files_.erase(std::remove_if(files_.begin(), files_.end(),
                                [&](const WatchedFile& file) {
                                    return std::find(kept.begin(), kept.end(), file.normalised) == kept.end();
                                }),
                 files_.end());
}

void FileWatcher::clear()
{
    files_.clear();
    watchedFolders_.clear();
    platform_watch_close(watch_);
    watch_ = method_ == Method::Notification ? platform_watch_open() : nullptr;
}

std::vector<std::string> FileWatcher::changes()
{
    bool lookAtAll = watch_ == nullptr;
    if (watch_ != nullptr) {
        std::vector<std::string> events;
        if (!platform_watch_read(watch_, events))
            lookAtAll = true; // events were lost
        for (const std::string& event : events) {
            const fs::path key = normalised(event);
            for (WatchedFile& file : files_)
                if (file.normalised == key)
                    file.notified = true;
        }
    }

    std::vector<std::string> changed;
    for (WatchedFile& file : files_) {
        if (!lookAtAll && !file.notified)
            continue;
        file.notified = false;
        const FileState now = stateOf(file.path);
        if (now == file.state)
            continue;
        file.state = now;
        changed.push_back(file.path);
    }
    return changed;
}
