// Key search and evaluation of one sync track.
//
// Main thread only. sync_set_keys allocates the track's row index, which the
// track then owns; searching and evaluating neither allocate nor change it.
#include "sync/track.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/cpu.h"

// The row index is a small static B-tree over the keys' rows. Level 0 holds
// every row, each level above every 16th row of the one below, up to a level
// of at most 32 rows; each level is padded with INT_MAX to whole nodes of 16
// rows, the top one to 32.
// A search reads one 64-byte node per level instead of a cache line per step
// of a binary search over the 12-byte keys, which on long tracks turned the
// search into a chain of dependent cache misses.
namespace {

constexpr int kNodeRows = 16;
constexpr int kRootRows = 2 * kNodeRows; // the top level, searched as two nodes at once

// Number of the node's rows at or below `row`. The rows increase, so those
// rows are a prefix of the node.
int rowsAtOrBelow(const int32_t* node, int32_t row)
{
    static_assert(kNodeRows == 16, "a node is compared as 16 rows at once");
    return platform_count_at_or_below_16(node, row);
}

// `chosen ? first : second`, by masking the bits. Written as a comparison,
// the choice by key type compiles to jumps, which random types mispredict.
float selectBits(bool chosen, float first, float second)
{
    uint32_t a, b;
    std::memcpy(&a, &first, sizeof a);
    std::memcpy(&b, &second, sizeof b);
    uint32_t mask = 0u - static_cast<uint32_t>(chosen);
    uint32_t bits = (a & mask) | (b & ~mask);
    float result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

} // namespace

bool sync_set_keys(SyncTrack* track, std::unique_ptr<SyncKey[]> keys, int32_t count)
{
    if (count <= 0) {
        track->keys.reset();
        track->key_count = 0;
        track->row_index.reset();
        track->index_levels = 0;
        return true;
    }

    int32_t levelStart[kSyncIndexMaxLevels] = {};
    int32_t levelRows[kSyncIndexMaxLevels] = {};
    int levels = 0;
    size_t total = 0;
    for (int64_t rows = count;; rows = (rows + kNodeRows - 1) / kNodeRows) {
        levelStart[levels] = static_cast<int32_t>(total);
        levelRows[levels] = static_cast<int32_t>(rows);
        ++levels;
        if (rows <= kRootRows) {
            total += kRootRows;
            break;
        }
        total += static_cast<size_t>((rows + kNodeRows - 1) / kNodeRows * kNodeRows);
    }
    // Beyond INT32_MAX entries the offsets would not fit; such keys would not
    // fit in memory either.
    std::unique_ptr<int32_t[]> index(total <= INT32_MAX ? new (std::nothrow) int32_t[total] : nullptr);
    if (!index)
        return false;

    std::fill(index.get(), index.get() + total, INT_MAX);
    for (int32_t i = 0; i < count; ++i)
        index[i] = keys[i].row;
    for (int level = 1; level < levels; ++level) {
        const int32_t* below = index.get() + levelStart[level - 1];
        for (int32_t i = 0; i < levelRows[level]; ++i)
            index[levelStart[level] + i] = below[i * kNodeRows];
    }

    track->keys = std::move(keys);
    track->key_count = count;
    track->row_index = std::move(index);
    std::copy(levelStart, levelStart + kSyncIndexMaxLevels, track->index_level_start);
    track->index_levels = levels;
    return true;
}

int sync_key_before(const SyncTrack* track, int row)
{
    int n = track->key_count;
    if (n == 0 || row < track->keys[0].row)
        return -1;
    if (row >= track->keys[n - 1].row)
        return n - 1; // also keeps every row searched below the INT_MAX padding

    const int32_t* index = track->row_index.get();
    const int32_t* root = index + track->index_level_start[track->index_levels - 1];
    int at = -1;
    for (int k = 0; k < kRootRows; k += kNodeRows)
        at += rowsAtOrBelow(root + k, row);

    // Each node's first row is the row above it that led there, so at least
    // one row of the node counts and the last one counted leads on.
    for (int level = track->index_levels - 2; level >= 0; --level) {
        int first = at * kNodeRows;
        if (level == 0) {
            // The 16 keys the bottom node may pick, fetched while it is searched:
            // points 60 bytes apart touch every cache line they span.
            for (int k = 0; k < kNodeRows; k += 5)
                platform_prefetch(&track->keys[std::min(first + k, n - 1)]);
        }
        at = first + rowsAtOrBelow(index + track->index_level_start[level] + first, row) - 1;
    }
    return at;
}

int sync_search_key(const SyncTrack* track, int row)
{
    // Rows strictly increase, so only the last key at or before `row` can stand at it.
    int i = sync_key_before(track, row);
    if (i >= 0 && track->keys[i].row == row)
        return i;
    return -(i + 1) - 1;
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
    float value = selectBits(a.type == SYNC_STEP, a.value, moved);
    return selectBits(valid, value, 0.0f);
}
