// FileStamp: the one way the program tells whether a file changed. It
// keeps how the file looked last time and, at each look, compares the file
// as it is now. Live mode's FileWatcher looks through one per file, in full
// detail; a shader entry of the player looks through one per source file in
// whole seconds, as the player always has.
//
// A value: a copy keeps looking on its own from what the original saw. Any
// thread, one at a time per value.
#pragma once

#include <cstdint>
#include <string>

class FileStamp {
public:
    enum class Detail {
        // The modification time at the file system's full resolution, the
        // size, and whether the file exists: two saves within a second are
        // two changes.
        Exact,
        // The low 32 bits of the modification time's seconds, 0 when the
        // file's status cannot be read: a rewrite within the same second is
        // not seen, and a time that moves backwards is a change.
        WholeSeconds,
    };

    // Looks at `path` now; that look is what the next one is compared with.
    FileStamp(std::string path, Detail detail);

    // Looks at the file now: true when it differs from the last look, which
    // this one then replaces.
    bool changed();

    // Takes the last look as one of a file read at `readSinceNs` (nanoseconds
    // since 1970; full detail only): when the file was modified then or
    // later, it may have been saved after it was read, and the next look
    // counts it as changed. True in that case.
    bool readAt(int64_t readSinceNs);

    // Whether the last look could read the file's status.
    bool readable() const { return readable_; }
    const std::string& path() const { return path_; }

private:
    // What a look compares; in whole seconds, the time alone.
    struct Look {
        bool exists = false;
        int64_t time = 0; // nanoseconds since 1970 (Exact), or the low 32 bits of the seconds
        uint64_t size = 0;
        bool operator==(const Look& other) const
        {
            return exists == other.exists && time == other.time && size == other.size;
        }
    };

    // The file now; `readable` tells whether its status could be read.
    Look lookNow(bool& readable) const;

    std::string path_;
    Detail detail_;
    Look last_;
    bool readable_ = false;
};
