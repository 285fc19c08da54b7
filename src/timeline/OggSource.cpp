// OggSource: the tune's file, its Ogg data's end found by a forward page walk.
#include "timeline/OggSource.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

const size_t kPageHeaderBytes = 27; // capture pattern ... segment count
const size_t kMaxLacingBytes = 255;

// Reads at `offset` without any lock: only the walk uses it, before the
// source is shared.
size_t readFileAt(std::FILE* file, uint64_t offset, void* buffer, size_t bytes)
{
    if (offset > static_cast<uint64_t>(LONG_MAX) || std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
        return 0;
    return std::fread(buffer, 1, bytes, file);
}

bool startsWithCapturePattern(const unsigned char* bytes, size_t length)
{
    return length >= 4 && std::memcmp(bytes, "OggS", 4) == 0;
}

// A page header: capture pattern, stream structure version 0, no flags but
// the three defined ones.
bool isPageHeader(const unsigned char* header)
{
    return startsWithCapturePattern(header, kPageHeaderBytes) && header[4] == 0 && (header[5] & ~0x07) == 0;
}

// Offset of the next capture pattern after `from`, searched over at most
// `window` bytes; false when there is none.
bool findNextPage(std::FILE* file, uint64_t from, uint64_t window, std::vector<unsigned char>& scratch, uint64_t& found)
{
    scratch.resize(static_cast<size_t>(window));
    size_t got = readFileAt(file, from + 1, scratch.data(), scratch.size());
    for (size_t i = 0; i + 4 <= got; ++i) {
        if (startsWithCapturePattern(scratch.data() + i, got - i)) {
            found = from + 1 + i;
            return true;
        }
    }
    return false;
}

// Walks the pages from the start of the file. Each step reads one header;
// a stretch that is not a page is searched for the next one, within bounds.
OggSource::Extent walkPages(std::FILE* file, uint64_t fileBytes)
{
    OggSource::Extent extent;
    extent.fileBytes = fileBytes;
    std::vector<unsigned char> scratch;
    uint64_t skipped = 0;
    uint64_t position = 0;
    while (position < fileBytes) {
        unsigned char header[kPageHeaderBytes + kMaxLacingBytes];
        size_t got = readFileAt(file, position, header, kPageHeaderBytes);
        if (got == kPageHeaderBytes && isPageHeader(header)) {
            size_t segments = header[kPageHeaderBytes - 1];
            if (readFileAt(file, position + kPageHeaderBytes, header + kPageHeaderBytes, segments) < segments) {
                extent.cutShort = true;
                break;
            }
            uint64_t bodyBytes = 0;
            for (size_t i = 0; i < segments; ++i)
                bodyBytes += header[kPageHeaderBytes + i];
            uint64_t pageEnd = position + kPageHeaderBytes + segments + bodyBytes;
            if (pageEnd > fileBytes) {
                extent.cutShort = true;
                break;
            }
            extent.dataEnd = pageEnd;
            ++extent.pages;
            position = pageEnd;
            continue;
        }
        if (got < kPageHeaderBytes && startsWithCapturePattern(header, got)) {
            extent.cutShort = true;
            break;
        }
        uint64_t window = std::min(
            {OggSource::kMaxGapBytes, fileBytes - position - 1, OggSource::kMaxSkippedBytes - skipped});
        uint64_t next = 0;
        if (window == 0 || !findNextPage(file, position, window, scratch, next))
            break;
        skipped += next - position;
        position = next;
    }
    return extent;
}

long cursorTell(void* datasource)
{
    return static_cast<long>(static_cast<OggSource::Cursor*>(datasource)->position);
}

size_t cursorRead(void* buffer, size_t size, size_t count, void* datasource)
{
    auto* cursor = static_cast<OggSource::Cursor*>(datasource);
    if (size == 0)
        return 0;
    size_t got = cursor->source->readAt(cursor->position, buffer, size * count);
    cursor->position += got;
    // vorbisfile takes a short read with errno set for a read error; the end
    // of the data is not one, whatever errno was left from earlier calls.
    if (got == 0)
        errno = 0;
    return got / size;
}

int cursorSeek(void* datasource, ogg_int64_t offset, int whence)
{
    auto* cursor = static_cast<OggSource::Cursor*>(datasource);
    const int64_t end = static_cast<int64_t>(cursor->source->extent().dataEnd);
    int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(cursor->position) : end;
    int64_t target = base + offset;
    if (target < 0 || target > end)
        return -1;
    cursor->position = static_cast<uint64_t>(target);
    return 0;
}

} // namespace

std::shared_ptr<OggSource> OggSource::open(const char* path, std::string& problem)
{
    uint64_t fileBytes = 0;
    std::FILE* file = platform_open_regular_file(path, fileBytes, problem);
    if (file == nullptr)
        return nullptr;
    Extent extent = walkPages(file, fileBytes);
    if (extent.pages == 0) {
        problem = fileBytes == 0    ? "the file is empty"
                  : extent.cutShort ? "the file is cut short inside its first Ogg page"
                                    : "not an Ogg Vorbis file";
        std::fclose(file);
        return nullptr;
    }
    return std::shared_ptr<OggSource>(new OggSource(file, extent));
}

OggSource::~OggSource()
{
    std::fclose(file_);
}

ov_callbacks OggSource::callbacks()
{
    return ov_callbacks{cursorRead, cursorSeek, nullptr, cursorTell};
}

size_t OggSource::readAt(uint64_t offset, void* buffer, size_t bytes)
{
    if (offset >= extent_.dataEnd)
        return 0;
    bytes = static_cast<size_t>(std::min<uint64_t>(bytes, extent_.dataEnd - offset));
    std::lock_guard<std::mutex> guard(lock_);
    return readFileAt(file_, offset, buffer, bytes);
}
