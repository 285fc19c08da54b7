// Sync track records and the device's list of tracks.
//
// A SyncDevice owns its tracks, and each track owns its keys. Tracks are
// found by exact, case-sensitive name and are never removed, so a SyncTrack
// pointer handed out stays valid until the device is closed. Everything here
// is called from the main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Interpolation from one key's value to the next key's value.
enum SyncKeyType : int32_t {
    SYNC_STEP = 0,   // hold until the next key
    SYNC_LINEAR = 1, // straight line
    SYNC_SMOOTH = 2, // 3t^2 - 2t^3
    SYNC_RAMP = 3,   // t^2
};

struct SyncKey {
    int32_t row = 0;    // row at which the key stands
    float value = 0.0f; // the track's value at that row
    int32_t type = 0;   // SyncKeyType; other values evaluate to 0 in the key's interval
};

// Levels of the row index a track keeps beside its keys (see sync_set_keys);
// 16 to the power 8 exceeds any int32_t key count.
constexpr int kSyncIndexMaxLevels = 8;

// keys, key_count and the row index change together, through sync_set_keys only.
struct SyncTrack {
    std::string name;                                    // the track's own copy of its name
    std::unique_ptr<SyncKey[]> keys;                     // key_count keys, rows strictly increasing
    int32_t key_count = 0;                               // 0 for a new track and for a missing or rejected file
    std::unique_ptr<int32_t[]> row_index;                // the keys' rows in levels, for the key search
    int32_t index_level_start[kSyncIndexMaxLevels] = {}; // offset of each level in row_index
    int32_t index_levels = 0;                            // 0 without keys
};

// The device's track list, in creation order.
struct SyncTrackList {
    std::vector<std::unique_ptr<SyncTrack>> tracks;
};

class ConsoleSink;

struct SyncDevice {
    std::string base_name;          // prefix of every track file name ("sync")
    SyncTrackList data;             // the tracks
    ConsoleSink* console = nullptr; // where its track files' problems are said; set by sync_open
};

// Index of the track called `name`, or -1.
int sync_find_track(const SyncTrackList* d, const char* name);

// Appends a new empty track called `name` and returns its index.
// Precondition: sync_find_track(d, name) < 0.
int sync_add_track(SyncTrackList* d, const char* name);
