// Key search and evaluation of one sync track.
//
// Main thread only; nothing here allocates or changes the track.
#include "sync/track.h"

#include <climits>
#include <cmath>
#include <cstdint>

// Number of keys whose row is below `bound`, by a binary search without
// data-dependent branches: one frame asks many tracks of different shapes,
// which leaves the branch predictor little to learn, and a mispredicted step
// costs more than the comparison it skips.
static int count_rows_below(const SyncTrack* track, int64_t bound)
{
    const SyncKey* keys = track->keys.get();
    int n = track->key_count;
    if (n <= 0)
        return 0;
    int lo = 0;
    while (n > 1) {
        int half = n / 2;
        int probe = lo + half;
        lo = keys[probe - 1].row < bound ? probe : lo; // a conditional move, not a jump
        n -= half;
    }
    return lo + (keys[lo].row < bound ? 1 : 0);
}

int sync_search_key(const SyncTrack* track, int row)
{
    // Rows strictly increase, so only the key at the insertion point can stand at `row`.
    int lo = count_rows_below(track, row);
    if (lo < track->key_count && track->keys[lo].row == row)
        return lo;
    return -lo - 1;
}

int sync_key_before(const SyncTrack* track, int row)
{
    // The last key whose row is not after `row`; the same answer as the
    // search's complemented insertion point minus one, without its branch.
    return count_rows_below(track, static_cast<int64_t>(row) + 1) - 1;
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

    // All shapes are computed and the key's type weighs them with 0 and 1,
    // which leaves the chosen shape's bits as they are (t is finite and not
    // negative). A jump per type would be mispredicted whenever neighbouring
    // keys differ in type, and would cost more than the arithmetic.
    struct ShapeWeights {
        double linear, smooth, ramp;
    };
    static const ShapeWeights kWeights[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    bool valid = a.type >= SYNC_STEP && a.type <= SYNC_RAMP;
    const ShapeWeights& w = kWeights[valid ? a.type : 0];
    double smooth = t * t * (3.0 - 2.0 * t);
    double ramp = t * t; // t to the power 2, exactly
    double shaped = w.linear * t + w.smooth * smooth + w.ramp * ramp;
    float moved = static_cast<float>(a.value + delta * shaped);
    float value = a.type == SYNC_STEP ? a.value : moved;
    return valid ? value : 0.0f;
}
