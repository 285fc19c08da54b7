// The sync module, on the platform's file reading and console sink alone:
// track files read into keyed tracks, their evaluation at any row and their
// text form. It uses neither GL nor audio. The device owns its tracks;
// everything here is called from the main thread.
//
// The sync device: opens by base name, hands out tracks by name and reads
// each track's file the first time its name is asked for.
//
// Track files are named base_name + "_" + track name + ".track" and hold a
// little-endian signed 32-bit key count followed by that many 9-byte keys
// (row: int32, value: float32, type: int8). The player only reads them; the
// synctrack tool writes them. The device owns its tracks; sync_close frees
// the device and everything in it. Main thread only.
#pragma once

#include <cstddef>
#include <string>

#include "platform/ConsoleSink.h"
#include "sync/data.h"
#include "sync/track.h"

// Results of sync_load_keys.
enum SyncLoadResult {
    SYNC_LOAD_OK = 0,       // the file was read
    SYNC_LOAD_MISSING = 1,  // there is no such file; nothing is printed
    SYNC_LOAD_REJECTED = 2, // unreadable or malformed; one warning went to the console sink
};

// A new device with no tracks, or nullptr when memory is exhausted. The
// problems of the track files it reads go to `console`, which outlives it.
SyncDevice* sync_open(const char* base, ConsoleSink& console);

// Frees the device, its tracks and their keys. Accepts nullptr.
void sync_close(SyncDevice* device);

// The track called `name`: found, or created and loaded from its file.
// Never nullptr for a valid device; a missing or rejected file gives a track
// without keys, and the file is not looked for again.
SyncTrack* sync_obtain_track(SyncDevice* device, const char* name);

// The file name of track `name`: base + "_" + name + ".track". No length limit.
std::string sync_track_path(const char* base, const char* name);

// Reads the keys of `track` from `path`. Anything but a regular file, a file
// that exists but cannot be read, one that holds fewer keys than it
// announces, announces a negative count or more than 16 Mi keys, or whose
// rows do not strictly increase is rejected: the track stays empty and one
// warning on `console` names the file and the problem. Only a missing file
// is silent. The count is compared with the file's size before any key is
// read. Bytes after the last key are ignored. Keys with a value that is not
// finite or a type outside 0..3 are kept as written, with one line.
SyncLoadResult sync_load_keys(SyncTrack* track, const char* path, ConsoleSink& console);

// Reads the keys of `track` from `size` bytes of track file held in memory,
// with the checks and results of sync_load_keys (which reads the file and
// calls this). `path` only names the file in the warning. The bytes may end
// right after the last key. A rejected file leaves the track as it was.
SyncLoadResult sync_parse_keys(SyncTrack* track, const unsigned char* bytes, size_t size, const char* path,
                               ConsoleSink& console);

// "" when every key has a finite value and a type 0..3; otherwise what is
// wrong with the first key that does not, and how many more there are.
std::string sync_invalid_keys_problem(const SyncKey* keys, int32_t count);
