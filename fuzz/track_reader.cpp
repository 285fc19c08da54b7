// libFuzzer target: any bytes as the content of a track file.
//
// Feeds the bytes to the reader's in-memory entry point (the file reader
// uses the same code after reading the file). An accepted file must encode
// back to the bytes it was read from, and evaluating it anywhere must stay
// defined; a rejected one must leave the track empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/ConsoleSink.h"
#include "sync/device.h"
#include "sync/track_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SyncTrack track;
    ConsoleSink silent;
    if (sync_parse_keys(&track, data, size, "fuzz.track", silent) != SYNC_LOAD_OK) {
        if (track.key_count != 0 || track.keys)
            std::abort();
        return 0;
    }

    std::vector<unsigned char> again = sync_encode_keys(track.keys.get(), track.key_count);
    if (again.size() > size || std::memcmp(again.data(), data, again.size()) != 0)
        std::abort();

    for (int32_t i = 0; i < track.key_count; ++i) {
        double row = track.keys[i].row;
        for (double offset : {-1.5, -0.25, 0.0, 0.5})
            (void)sync_track_value(&track, row + offset);
        if (sync_key_before(&track, track.keys[i].row) != i)
            std::abort();
    }
    return 0;
}
