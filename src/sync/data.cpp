// The device's track list: lookup by name and appending new tracks.
#include "sync/data.h"

#include <cstring>

int sync_find_track(const SyncTrackList* d, const char* name)
{
    for (size_t i = 0; i < d->tracks.size(); ++i) {
        if (d->tracks[i]->name == name)
            return static_cast<int>(i);
    }
    return -1;
}

int sync_add_track(SyncTrackList* d, const char* name)
{
    auto track = std::make_unique<SyncTrack>();
    track->name = name;
    d->tracks.push_back(std::move(track));
    return static_cast<int>(d->tracks.size()) - 1;
}
