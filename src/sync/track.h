// Key search and evaluation of one sync track.
//
// The whole row (its floor) picks the key that governs it; the fraction of
// the row moves the value along the key's interpolation. Evaluation neither
// allocates nor reads files; setting keys allocates their index. Main
// thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "sync/data.h"

// Gives the track `keys` (count keys, rows strictly increasing; may be null
// when count is 0) and rebuilds the row index the search relies on. The only
// way keys are set. Returns false, leaving the track as it was, when the
// index cannot be allocated.
bool sync_set_keys(SyncTrack* track, std::unique_ptr<SyncKey[]> keys, int32_t count);

// Search for a key at `row`: its index, or the bitwise complement of
// the index at which such a key would be inserted.
int sync_search_key(const SyncTrack* track, int row);

// Index of the key at `row`, else of the last key before it, else -1.
int sync_key_before(const SyncTrack* track, int row);

// The track's value at `row` (fractional rows interpolate); 0 without keys.
float sync_track_value(const SyncTrack* track, double row);
