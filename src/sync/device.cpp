// The sync device and the track file reader.
//
// Main thread only. The device owns its tracks (through its track list);
// the reader hands each track the keys it allocates.
#include "sync/device.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <memory>
#include <string>

#include "platform/file_read.h"
#include "platform/ConsoleSink.h"
#include "sync/track.h"

namespace {

constexpr size_t kCountBytes = 4;
constexpr size_t kKeyBytes = 9; // row (4) + value (4) + type (1)
// More keys than any demo needs (a key per row for over 9 days at 20 rows per
// second); a larger count is a corrupt file, refused before it costs memory.
constexpr int32_t kMaxKeys = 16 * 1024 * 1024;

int32_t readInt32Le(const unsigned char* p)
{
    uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
                 static_cast<uint32_t>(p[3]) << 24;
    int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

float readFloatLe(const unsigned char* p)
{
    int32_t bits = readInt32Le(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

SyncLoadResult reject(ConsoleSink& console, const char* path, const char* problem)
{
    console.warn(path, problem);
    return SYNC_LOAD_REJECTED;
}

// Whether `count` keys are a count the player reads and fit in `keyBytes`
// bytes of keys; otherwise the file is rejected with its line.
bool countFits(ConsoleSink& console, const char* path, int32_t count, uint64_t keyBytes)
{
    char problem[160];
    if (count < 0) {
        std::snprintf(problem, sizeof problem, "negative key count %d", static_cast<int>(count));
        reject(console, path, problem);
        return false;
    }
    if (count > kMaxKeys) {
        std::snprintf(problem, sizeof problem, "announces %d keys; a track holds at most %d", static_cast<int>(count),
                      static_cast<int>(kMaxKeys));
        reject(console, path, problem);
        return false;
    }
    const uint64_t held = keyBytes / kKeyBytes;
    if (held < static_cast<uint64_t>(count)) {
        std::snprintf(problem, sizeof problem, "announces %d keys but holds %llu", static_cast<int>(count),
                      static_cast<unsigned long long>(held));
        reject(console, path, problem);
        return false;
    }
    return true;
}

} // namespace

SyncDevice* sync_open(const char* base, ConsoleSink& console)
{
    SyncDevice* device = new (std::nothrow) SyncDevice;
    if (!device)
        return nullptr;
    device->console = &console;
    try {
        device->base_name = base;
    } catch (const std::bad_alloc&) {
        delete device;
        return nullptr;
    }
    return device;
}

void sync_close(SyncDevice* device)
{
    delete device;
}

std::string sync_track_path(const char* base, const char* name)
{
    std::string path(base);
    path += '_';
    path += name;
    path += ".track";
    return path;
}

std::string sync_invalid_keys_problem(const SyncKey* keys, int32_t count)
{
    int32_t invalid = 0;
    int32_t first = -1;
    for (int32_t i = 0; i < count; ++i) {
        if (std::isfinite(keys[i].value) && keys[i].type >= SYNC_STEP && keys[i].type <= SYNC_RAMP)
            continue;
        if (invalid++ == 0)
            first = i;
    }
    if (invalid == 0)
        return "";
    const SyncKey& key = keys[first];
    std::string problem = "key " + std::to_string(first) + " at row " + std::to_string(key.row) + ": ";
    if (!std::isfinite(key.value))
        problem += std::string("value ") +
                   (std::isnan(key.value) ? "nan"
                    : key.value > 0       ? "inf"
                                          : "-inf") +
                   " is not a finite number";
    else
        problem += "type " + std::to_string(key.type) + " is not step, linear, smooth or ramp (0..3)";
    if (invalid > 1)
        problem += " (and " + std::to_string(invalid - 1) +
                   (invalid == 2 ? " more invalid key)" : " more invalid keys)");
    return problem + "; the track is played as it is";
}

SyncLoadResult sync_parse_keys(SyncTrack* track, const unsigned char* bytes, size_t size, const char* path,
                               ConsoleSink& console)
{
    if (size < kCountBytes)
        return reject(console, path, "too short to hold a key count");
    const int32_t count = readInt32Le(bytes);
    char problem[160];
    if (!countFits(console, path, count, size - kCountBytes))
        return SYNC_LOAD_REJECTED;
    // Rows are checked before anything is allocated: a bad file costs no
    // memory beyond its bytes.
    for (int32_t i = 1; i < count; ++i) {
        const unsigned char* p = bytes + kCountBytes + static_cast<size_t>(i) * kKeyBytes;
        const int32_t row = readInt32Le(p);
        const int32_t previous = readInt32Le(p - kKeyBytes);
        if (row <= previous) {
            std::snprintf(problem, sizeof problem, "rows must increase (key %d at row %d follows row %d)",
                          static_cast<int>(i), static_cast<int>(row), static_cast<int>(previous));
            return reject(console, path, problem);
        }
    }

    std::unique_ptr<SyncKey[]> keys(new (std::nothrow) SyncKey[static_cast<size_t>(count)]);
    if (!keys && count > 0)
        return reject(console, path, "not enough memory for its keys");
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char* p = bytes + kCountBytes + static_cast<size_t>(i) * kKeyBytes;
        keys[i].row = readInt32Le(p);
        keys[i].value = readFloatLe(p + 4);
        keys[i].type = static_cast<int8_t>(p[8]);
    }
    // Accepted as written (a stored file may rely on it), but said once.
    const std::string invalid = sync_invalid_keys_problem(keys.get(), count);
    if (!invalid.empty())
        console.warn(path, invalid);

    if (!sync_set_keys(track, std::move(keys), count))
        return reject(console, path, "not enough memory for its keys");
    return SYNC_LOAD_OK;
}

SyncLoadResult sync_load_keys(SyncTrack* track, const char* path, ConsoleSink& console)
{
    // The count and the file's size first: a count the file cannot hold is
    // refused before any key is read or allocated.
    std::string bytes;
    uint64_t sizeBytes = 0;
    std::string problem;
    PlatformReadStatus status = platform_read_file_start(path, kCountBytes, bytes, sizeBytes, problem);
    if (status == PLATFORM_READ_OK && bytes.size() == kCountBytes) {
        const int32_t count = readInt32Le(reinterpret_cast<const unsigned char*>(bytes.data()));
        if (!countFits(console, path, count, sizeBytes - kCountBytes))
            return SYNC_LOAD_REJECTED;
        status = platform_read_file_start(path, kCountBytes + static_cast<uint64_t>(count) * kKeyBytes, bytes,
                                          sizeBytes, problem);
    }
    // A missing track is normal: it evaluates to 0, silently.
    if (status == PLATFORM_READ_MISSING)
        return SYNC_LOAD_MISSING;
    if (status != PLATFORM_READ_OK) {
        // No file can ever match a name too long for the file system.
        if (problem.find(std::strerror(ENAMETOOLONG)) != std::string::npos)
            problem = "track name too long for a file name";
        return reject(console, path, problem.c_str());
    }
    return sync_parse_keys(track, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), path, console);
}

SyncTrack* sync_obtain_track(SyncDevice* device, const char* name)
{
    int i = sync_find_track(&device->data, name);
    if (i >= 0)
        return device->data.tracks[i].get();
    i = sync_add_track(&device->data, name);
    SyncTrack* track = device->data.tracks[i].get();
    sync_load_keys(track, sync_track_path(device->base_name.c_str(), name).c_str(), *device->console);
    return track;
}
