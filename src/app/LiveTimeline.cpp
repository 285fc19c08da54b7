// Timeline decisions of live mode (see LiveTimeline.h). Pure; main thread.
#include "app/LiveTimeline.h"

#include <cmath>

namespace {

// Jumps land within half a row of a change count as being at it.
constexpr double kNearRows = 0.5;

bool changesScene(const SyncTrack* track, int32_t key)
{
    if (key == 0)
        return true;
    return std::trunc(track->keys[key].value) != std::trunc(track->keys[key - 1].value);
}

} // namespace

double nextSceneChange(const SyncTrack* sceneTrack, double row)
{
    if (sceneTrack == nullptr)
        return -1.0;
    for (int32_t i = 0; i < sceneTrack->key_count; ++i) {
        const double keyRow = sceneTrack->keys[i].row;
        if (keyRow > row + kNearRows && changesScene(sceneTrack, i))
            return keyRow;
    }
    return -1.0;
}

double previousSceneChange(const SyncTrack* sceneTrack, double row)
{
    if (sceneTrack == nullptr)
        return 0.0;
    for (int32_t i = sceneTrack->key_count - 1; i >= 0; --i) {
        const double keyRow = sceneTrack->keys[i].row;
        if (keyRow < row - kNearRows && changesScene(sceneTrack, i))
            return keyRow < 0.0 ? 0.0 : keyRow;
    }
    return 0.0;
}

uint64_t rowToMusicBytes(double row, double rowsPerSecond, int sampleRate, int channels)
{
    if (!(row > 0.0) || !(rowsPerSecond > 0.0) || sampleRate <= 0 || channels <= 0)
        return 0;
    const uint64_t frames = static_cast<uint64_t>(row / rowsPerSecond * sampleRate);
    return frames * static_cast<uint64_t>(channels) * 2u;
}
