// libFuzzer target: any bytes as the text form of a track (synctrack encode).
//
// Text the parser accepts must print back to a text that parses to the same
// keys, bit for bit; text it refuses must name a line that exists. The track
// editor's writing back of such a text, with every other key taken out, must
// parse to exactly the keys that are left, and write again unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/TextTrackDocument.h"
#include "sync/track_text.h"

namespace {

bool sameKey(const SyncKey& a, const SyncKey& b)
{
    return a.row == b.row && a.type == b.type && std::memcmp(&a.value, &b.value, sizeof(float)) == 0;
}

} // namespace

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
        if (!sameKey(again[i], keys[i]))
            std::abort();
    }

    TextTrackDocument document;
    uint32_t nextId = 1;
    std::vector<EditorKey> edited;
    if (!document.parse(text, nextId, edited, error) || edited.size() != keys.size())
        std::abort();
    for (size_t i = 1; i < edited.size(); ++i)
        edited.erase(edited.begin() + static_cast<long>(i));
    const std::string written = document.write(edited);
    if (!sync_parse_text(written, again, error) || again.size() != edited.size())
        std::abort();
    for (size_t i = 0; i < edited.size(); ++i) {
        if (!sameKey(again[i], edited[i].key))
            std::abort();
    }
    if (document.write(edited) != written)
        std::abort();
    return 0;
}
