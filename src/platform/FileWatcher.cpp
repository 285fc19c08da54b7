// FileWatcher (see FileWatcher.h). Main thread.
#include "platform/FileWatcher.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/change_notify.h"

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

void FileWatcher::add(const std::string& path)
{
    add(path, INT64_MAX);
}

void FileWatcher::add(const std::string& path, int64_t readSinceNs)
{
    const fs::path key = normalised(path);
    for (const Entry& entry : files_)
        if (entry.normalised == key)
            return;
    FileStamp file(path, FileStamp::Detail::Exact);
    const bool changedSinceRead = file.readAt(readSinceNs);
    files_.push_back({std::move(file), key, changedSinceRead});

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
                                [&](const Entry& entry) {
                                    return std::find(kept.begin(), kept.end(), entry.normalised) == kept.end();
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
            for (Entry& entry : files_)
                if (entry.normalised == key)
                    entry.notified = true;
        }
    }

    std::vector<std::string> changed;
    for (Entry& entry : files_) {
        if (!lookAtAll && !entry.notified)
            continue;
        entry.notified = false;
        if (entry.file.changed())
            changed.push_back(entry.file.path());
    }
    return changed;
}
