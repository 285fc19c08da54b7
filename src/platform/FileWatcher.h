// FileWatcher: which of a demo's files changed since the last look, for live
// mode. Portable, built on the platform's change notification where there is
// one (change_notify.h) and on polling where there is not.
//
// A file counts as changed when its modification time (at the file system's
// full resolution, not whole seconds), its size, or whether it exists differs
// from what was seen last (FileStamp, in full detail). Notification only
// says which files to look at,
// so a burst of events for one save gives one change, and an editor that
// saves by writing a temporary file and renaming it is seen like any other.
// Two saves between two looks give one change; saves in quick succession
// with a look between them give one change each.
//
// Main thread. Owns its notification handle. Non-copyable.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileStamp.h"

struct PlatformWatch;

class FileWatcher {
public:
    enum class Method {
        Notification, // the system's notification where it has one, else polling
        Polling,      // look at every file each time
    };

    explicit FileWatcher(Method method = Method::Notification);
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // Watches `path` from now on (its current state is the one compared
    // against). Adding a path twice watches it once.
    void add(const std::string& path);

    // Watches `path` as one that was read at `readSinceNs` (nanoseconds
    // since 1970, as file times count): a file modified since then, which
    // may have been saved after it was read, counts as changed at the next
    // look. A path already watched keeps its state.
    void add(const std::string& path, int64_t readSinceNs);

    // Forgets every path that `paths` does not name; the others keep their
    // state, so a change not yet looked at is not lost.
    void keepOnly(const std::vector<std::string>& paths);

    // Forgets every path.
    void clear();

    // The watched paths (as they were added) that changed since the last
    // call, each once, in the order they were added. Never waits.
    std::vector<std::string> changes();

    // True when the system notifies changes; false when every look polls.
    bool notifying() const { return watch_ != nullptr; }

private:
    struct Entry {
        FileStamp file;                   // its path as added, and as last seen
        std::filesystem::path normalised; // for matching notified names
        bool notified = false;            // an event named it since the last look
    };

    Method method_;
    PlatformWatch* watch_ = nullptr;
    std::vector<std::string> watchedFolders_;
    std::vector<Entry> files_;
};
