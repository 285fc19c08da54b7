// libFuzzer target: any bytes as the text form of a track (synctrack encode).
//
// Text the parser accepts must print back to a text that parses to the same
// keys, bit for bit; text it refuses must name a line that exists.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sync/track_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<SyncKey> keys;
    SyncTextError error;
    if (!sync_parse_text(text, keys, error)) {
        long lines = 1 + std::count(text.begin(), text.end(), '\n');
        if (error.line < 1 || error.line > lines || error.message.empty())
            std::abort();
        return 0;
    }

    std::string printed = sync_format_text(keys.data(), static_cast<int32_t>(keys.size()));
    std::vector<SyncKey> again;
    if (!sync_parse_text(printed, again, error) || again.size() != keys.size())
        std::abort();
    for (size_t i = 0; i < keys.size(); ++i) {
        if (again[i].row != keys[i].row || again[i].type != keys[i].type ||
            std::memcmp(&again[i].value, &keys[i].value, sizeof(float)) != 0)
            std::abort();
    }
    return 0;
}
