// The sync device and the track file reader.
#include "sync/device.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr long kKeyBytes = 9;   // row (4) + value (4) + type (1)
constexpr long kCountBytes = 4;

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

SyncLoadResult sync_load_keys(SyncTrack* track, const char* path)
{
    File file(std::fopen(path, "rb"));
    if (!file) {
        // A missing track is normal (it evaluates to 0); a name the file
        // system cannot hold is worth a word, since no file can ever match it.
        if (errno == ENAMETOOLONG)
            reject(path, "track name too long for a file name");
        return SYNC_LOAD_MISSING;
    }

    unsigned char header[kCountBytes];
    size_t got = std::fread(header, 1, sizeof header, file.get());
    if (got != sizeof header) {
        if (std::ferror(file.get()))
            return reject(path, std::strerror(errno));
        return reject(path, "too short to hold a key count");
    }
    int32_t count = read_int32_le(header);
    char problem[160];
    if (count < 0) {
        std::snprintf(problem, sizeof problem, "negative key count %d", count);
        return reject(path, problem);
    }

    // The count is checked against the file's size before anything is
    // allocated, so a corrupt count cannot ask for gigabytes.
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return reject(path, std::strerror(errno));
    long size = std::ftell(file.get());
    if (size < kCountBytes || std::fseek(file.get(), kCountBytes, SEEK_SET) != 0)
        return reject(path, "cannot determine the file's size");
    long held = (size - kCountBytes) / kKeyBytes;
    if (held < count) {
        std::snprintf(problem, sizeof problem, "announces %d keys but holds %ld", count, held);
        return reject(path, problem);
    }

    std::unique_ptr<unsigned char[]> bytes(new unsigned char[static_cast<size_t>(count) * kKeyBytes + 1]);
    if (std::fread(bytes.get(), kKeyBytes, static_cast<size_t>(count), file.get()) != static_cast<size_t>(count))
        return reject(path, "read error");

    std::unique_ptr<SyncKey[]> keys(new SyncKey[static_cast<size_t>(count)]);
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char* p = bytes.get() + static_cast<size_t>(i) * kKeyBytes;
        keys[i].row = read_int32_le(p);
        keys[i].value = read_float_le(p + 4);
        keys[i].type = static_cast<int8_t>(p[8]);
        if (i > 0 && keys[i].row <= keys[i - 1].row) {
            std::snprintf(problem, sizeof problem, "rows must increase (key %d at row %d follows row %d)", i,
                          keys[i].row, keys[i - 1].row);
            return reject(path, problem);
        }
    }

    track->keys = std::move(keys);
    track->key_count = count;
    return SYNC_LOAD_OK;
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
