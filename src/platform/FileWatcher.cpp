// FileWatcher (see FileWatcher.h). Main thread.
#include "platform/FileWatcher.h"

#include <algorithm>

#include "platform/file_watch.h"

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
    const fs::path key = normalised(path);
    for (const Entry& entry : files_)
        if (entry.normalised == key)
            return;
    files_.push_back({WatchedFile(path, WatchedFile::Detail::Exact), key, false});

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
