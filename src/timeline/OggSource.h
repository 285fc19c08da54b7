// OggSource: the tune's file, opened once, as the decoders read it.
//
// Opening refuses anything but a regular file (a named pipe, a device or a
// directory is turned away at once, without a read), then walks the file's
// Ogg pages from the start to find where the Ogg data ends. Decoders see a
// stream that ends there: whatever follows the last page (a tail of zero
// bytes, junk appended by a tool) is never read, so opening costs the same
// whether 50 bytes or 2 GB follow the music. The walk reads each page's
// header only and steps over a damaged stretch by searching a bounded window
// for the next page.
//
// Owns the file handle; several decoders may read through one source (each
// with its own Cursor), from any threads: every read positions and reads
// under the source's own lock. The audio callback never reads from it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

class OggSource {
public:
    // Largest stretch without a page header that the walk searches through
    // before it decides the Ogg data has ended.
    static constexpr uint64_t kMaxGapBytes = 64 * 1024;
    // Largest total of such stretches over the whole file.
    static constexpr uint64_t kMaxSkippedBytes = 1024 * 1024;

    // What the walk found.
    struct Extent {
        uint64_t fileBytes = 0; // size of the file
        uint64_t dataEnd = 0;   // offset just past the last whole Ogg page
        int pages = 0;          // whole pages found
        bool cutShort = false;  // the file ends inside a page
    };

    // Opens `path` and finds the end of its Ogg data. nullptr when the file
    // cannot be opened, is not a regular file, is empty or holds no Ogg page;
    // `problem` then says why in a few words (no file name).
    static std::shared_ptr<OggSource> open(const char* path, std::string& problem);

    ~OggSource();
    OggSource(const OggSource&) = delete;
    OggSource& operator=(const OggSource&) = delete;

    const Extent& extent() const { return extent_; }

    // One reader's position in the data. Hand it to ov_open_callbacks as the
    // data source, with callbacks(); it must outlive the OggVorbis_File.
    struct Cursor {
        OggSource* source = nullptr;
        uint64_t position = 0;
    };
    static ov_callbacks callbacks();

    // Up to `bytes` bytes from `offset` on, never past the data's end; returns how many were read.
    size_t readAt(uint64_t offset, void* buffer, size_t bytes);

private:
    OggSource(std::FILE* file, const Extent& extent) : file_(file), extent_(extent) {}

    std::mutex lock_; // held for each positioned read
    std::FILE* file_; // owned
    Extent extent_;
};
