// Key search and evaluation of one sync track.
//
// Main thread only; nothing here allocates or changes the track.
#include "sync/track.h"

#include <climits>
#include <cmath>
#include <cstdint>

int sync_search_key(const SyncTrack* track, int row)
{
    int lo = 0;
    int hi = track->key_count;
    while (lo < hi) {
        int mi = lo + (hi - lo) / 2;
        if (track->keys[mi].row < row)
            lo = mi + 1;
        else if (track->keys[mi].row > row)
            hi = mi;
        else
            return mi;
    }
    return -lo - 1;
}

int sync_key_before(const SyncTrack* track, int row)
{
    int r = sync_search_key(track, row);
    if (r < 0)
        r = -r - 2;
    return r;
}

float sync_track_value(const SyncTrack* track, double row)
{
    if (track->key_count == 0)
        return 0.0f;

    // The whole row picks the key. Rows outside the 32-bit range lie before
    // the first key or after the last one; NaN counts as before.
    double whole = std::floor(row);
    if (!(whole >= static_cast<double>(INT_MIN)))
        return track->keys[0].value;
    if (whole > static_cast<double>(INT_MAX))
        return track->keys[track->key_count - 1].value;

    int i = sync_key_before(track, static_cast<int>(whole));
    if (i < 0)
        return track->keys[0].value;
    if (i > track->key_count - 2)
        return track->keys[track->key_count - 1].value;

    const SyncKey& a = track->keys[i];
    const SyncKey& b = track->keys[i + 1];
    // Row differences in 64 bits: keys may lie further apart than an int holds.
    double t = (row - a.row) / static_cast<double>(static_cast<int64_t>(b.row) - a.row);
    float delta = b.value - a.value;
    switch (a.type) {
    case SYNC_STEP:
        return a.value;
    case SYNC_LINEAR:
        break;
    case SYNC_SMOOTH:
        t = t * t * (3.0 - 2.0 * t);
        break;
    case SYNC_RAMP:
        t = std::pow(t, 2.0);
        break;
    default:
        return 0.0f;
    }
    return static_cast<float>(a.value + delta * t);
}
