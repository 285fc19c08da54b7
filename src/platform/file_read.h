// Reading a whole file, or its start, into memory with a size cap, through
// platform_open_regular_file: only regular files are read (links followed),
// nothing ever blocks on a named pipe, and no read goes past the cap, so a
// device or a huge file in a demo folder cannot hang or exhaust the player.
// Every file the player reads goes through here: the description, shader
// sources, images and track files.
//
// No operating-system calls of its own; any thread. The bytes belong to the
// caller.
#pragma once

#include <cstdint>
#include <string>

// What became of a read.
enum PlatformReadStatus {
    PLATFORM_READ_OK = 0,        // the bytes are there
    PLATFORM_READ_MISSING = 1,   // no file of that name (nothing to read)
    PLATFORM_READ_FAILED = 2,    // it exists but could not be opened or read: a
                                 // directory, pipe or device, no permission, a read error
    PLATFORM_READ_TOO_LARGE = 3, // larger than the cap; nothing was read
};

// Reads the whole file at `path` into `bytes`, refusing one larger than
// `maxBytes` (also one that grows past it while it is read). On anything but
// PLATFORM_READ_OK, `bytes` is empty and `problem` holds a short reason
// without the file name, fit to follow "file: ": "cannot open: Permission
// denied", "is a directory", "too large (20000000 bytes; at most 16 MB)".
PlatformReadStatus platform_read_file(const char* path, uint64_t maxBytes, std::string& bytes, std::string& problem);

// Reads the first min(size, maxBytes) bytes of the file at `path` into
// `bytes` and sets `sizeBytes` to the file's size: for formats that announce
// their length, whose trailing bytes are ignored. Never PLATFORM_READ_TOO_LARGE.
PlatformReadStatus platform_read_file_start(const char* path, uint64_t maxBytes, std::string& bytes,
                                            uint64_t& sizeBytes, std::string& problem);

// "16 MB", "512 bytes": a size cap as the messages above write it.
std::string platform_size_text(uint64_t bytes);
