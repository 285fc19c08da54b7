// The sync device and the track file reader.
//
// Main thread only. The device owns its tracks (through its track list);
// the reader hands each track the keys it allocates.
#include "sync/device.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

#include "sync/track.h"

namespace {

constexpr size_t kCountBytes = 4;
constexpr size_t kKeyBytes = 9; // row (4) + value (4) + type (1)

// Closes the file when the reader returns.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

int32_t read_int32_le(const unsigned char* p)
{
    uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                 static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

float read_float_le(const unsigned char* p)
{
    int32_t bits = read_int32_le(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

SyncLoadResult reject(const char* path, const char* problem)
{
    std::fprintf(stderr, "%s: %s\n", path, problem);
    return SYNC_LOAD_REJECTED;
}

// Appends up to `limit` more bytes of `file` to `bytes`. The buffer grows
// only as bytes arrive, so a count that overstates the file never makes the
// reader allocate much more than the file holds. False on a read error.
bool read_up_to(std::FILE* file, size_t limit, std::vector<unsigned char>& bytes)
{
    constexpr size_t kFirstChunk = 64 * 1024;
    size_t wanted = bytes.size() + limit;
    while (bytes.size() < wanted) {
        size_t have = bytes.size();
        size_t chunk = std::min(wanted - have, std::max(have, kFirstChunk));
        bytes.resize(have + chunk);
        size_t got = std::fread(bytes.data() + have, 1, chunk, file);
        bytes.resize(have + got);
        if (got < chunk)
            return !std::ferror(file);
    }
    return true;
}

} // namespace

SyncDevice* sync_open(const char* base)
{
    SyncDevice* device = new (std::nothrow) SyncDevice;
    if (!device)
        return nullptr;
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

SyncLoadResult sync_parse_keys(SyncTrack* track, const unsigned char* bytes, size_t size, const char* path)
{
    if (size < kCountBytes)
        return reject(path, "too short to hold a key count");
    int32_t count = read_int32_le(bytes);
    char problem[160];
    if (count < 0) {
        std::snprintf(problem, sizeof problem, "negative key count %d", static_cast<int>(count));
        return reject(path, problem);
    }
    // Checked before anything is allocated, so a corrupt count cannot ask for gigabytes.
    size_t held = (size - kCountBytes) / kKeyBytes;
    if (held < static_cast<size_t>(count)) {
        std::snprintf(problem, sizeof problem, "announces %d keys but holds %zu", static_cast<int>(count), held);
        return reject(path, problem);
    }

    std::unique_ptr<SyncKey[]> keys(new (std::nothrow) SyncKey[static_cast<size_t>(count)]);
    if (!keys && count > 0)
        return reject(path, "not enough memory for its keys");
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char* p = bytes + kCountBytes + static_cast<size_t>(i) * kKeyBytes;
        keys[i].row = read_int32_le(p);
        keys[i].value = read_float_le(p + 4);
        keys[i].type = static_cast<int8_t>(p[8]);
        if (i > 0 && keys[i].row <= keys[i - 1].row) {
            std::snprintf(problem, sizeof problem, "rows must increase (key %d at row %d follows row %d)",
                          static_cast<int>(i), static_cast<int>(keys[i].row), static_cast<int>(keys[i - 1].row));
            return reject(path, problem);
        }
    }

    if (!sync_set_keys(track, std::move(keys), count))
        return reject(path, "not enough memory for its keys");
    return SYNC_LOAD_OK;
}

SyncLoadResult sync_load_keys(SyncTrack* track, const char* path)
{
    // Only a regular file has a size that bounds what is read: a directory,
    // a pipe or a device (/dev/zero) would be read until the count's 18 GB.
    std::error_code status;
    if (std::filesystem::exists(path, status) && !std::filesystem::is_regular_file(path, status))
        return reject(path, "not a regular file");

    File file(std::fopen(path, "rb"));
    if (!file) {
        // A missing track is normal (it evaluates to 0); a name the file
        // system cannot hold is worth a word, since no file can ever match it.
        if (errno == ENAMETOOLONG)
            reject(path, "track name too long for a file name");
        return SYNC_LOAD_MISSING;
    }

    // The count first, then no more bytes than the keys it announces.
    std::vector<unsigned char> bytes;
    bool read = read_up_to(file.get(), kCountBytes, bytes);
    if (read && bytes.size() == kCountBytes) {
        int32_t count = std::max<int32_t>(read_int32_le(bytes.data()), 0);
        read = read_up_to(file.get(), static_cast<size_t>(count) * kKeyBytes, bytes);
    }
    if (!read)
        return reject(path, std::strerror(errno));
    return sync_parse_keys(track, bytes.data(), bytes.size(), path);
}

SyncTrack* sync_obtain_track(SyncDevice* device, const char* name)
{
    int i = sync_find_track(&device->data, name);
    if (i >= 0)
        return device->data.tracks[i].get();
    i = sync_add_track(&device->data, name);
    SyncTrack* track = device->data.tracks[i].get();
    sync_load_keys(track, sync_track_path(device->base_name.c_str(), name).c_str());
    return track;
}
