// Image decoding for scene textures, over stb_image.
//
// Guards around the decoder: only the four formats the player accepts are
// compiled in (src/render/stb_image_impl.cpp), images larger than the GL
// limit or 1 GB are refused by their headers before pixel memory is
// allocated, and JPEG Huffman tables are checked here before the decoder sees
// them, since the decoder builds them from the file's counts without a
// bound. The decoder leaves a JPEG's EXIF orientation and a TGA's
// right-to-left order to us; both are applied here. Main thread only.
#include "render/ImageFile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <stb_image.h>

#include "platform/file_read.h"

namespace {

// A byte of the file, or 0 past its end, as the decoder reads it.
unsigned byteAt(const unsigned char* bytes, std::size_t size, std::size_t at)
{
    return at < size ? bytes[at] : 0u;
}

// Whether the tables of one DHT segment (its payload from `at`, `length`
// bytes) each hold at most 256 codes, read as the decoder reads them.
bool huffmanSegmentFits(const unsigned char* bytes, std::size_t size, std::size_t at, long length)
{
    while (length > 0) {
        long codes = 0;
        for (std::size_t i = 1; i <= 16; ++i)
            codes += static_cast<long>(byteAt(bytes, size, at + i));
        if (codes > 256)
            return false;
        at += 17 + static_cast<std::size_t>(codes);
        length -= 17 + codes;
    }
    return true;
}

// Reads a 16- or 32-bit number of an EXIF block in its byte order; 0 past its end.
uint32_t exifNumber(const unsigned char* block, std::size_t size, std::size_t at, int bytes, bool bigEndian)
{
    if (at > size || size - at < static_cast<std::size_t>(bytes))
        return 0;
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const unsigned byte = block[at + static_cast<std::size_t>(bigEndian ? i : bytes - 1 - i)];
        value = value << 8 | byte;
    }
    return value;
}

// The orientation tag of an APP1 segment's payload ("Exif\0\0" and a TIFF
// block); 1 when it has none.
int exifOrientation(const unsigned char* payload, std::size_t size)
{
    constexpr unsigned kOrientationTag = 0x0112;
    constexpr unsigned kShortType = 3;
    if (size < 14 || std::memcmp(payload, "Exif\0\0", 6) != 0)
        return 1;
    const unsigned char* tiff = payload + 6;
    const std::size_t tiffSize = size - 6;
    const bool bigEndian = tiff[0] == 'M' && tiff[1] == 'M';
    if (!bigEndian && !(tiff[0] == 'I' && tiff[1] == 'I'))
        return 1;
    const std::size_t directory = exifNumber(tiff, tiffSize, 4, 4, bigEndian);
    const std::size_t entries = exifNumber(tiff, tiffSize, directory, 2, bigEndian);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        if (entry > tiffSize || tiffSize - entry < 12)
            break;
        if (exifNumber(tiff, tiffSize, entry, 2, bigEndian) != kOrientationTag)
            continue;
        const uint32_t orientation = exifNumber(tiff, tiffSize, entry + 8, 2, bigEndian);
        const bool valid = exifNumber(tiff, tiffSize, entry + 2, 2, bigEndian) == kShortType && orientation >= 1 &&
                           orientation <= 8;
        return valid ? static_cast<int>(orientation) : 1;
    }
    return 1;
}

// The pixels of a `width` x `height` image turned upright for `orientation`
// (EXIF's 1..8) in a new buffer; orientations 5 to 8 swap the sides. The
// source is freed. Null when memory runs out (the source is freed too).
unsigned char* orient(unsigned char* source, int& width, int& height, int orientation)
{
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    const bool swapsSides = orientation >= 5;
    const std::size_t outWidth = swapsSides ? h : w;
    const std::size_t outHeight = swapsSides ? w : h;
    // stb's allocator, so that freeImagePixels frees either buffer.
    auto* out = static_cast<unsigned char*>(std::malloc(w * h * 4));
    if (out != nullptr) {
        for (std::size_t y = 0; y < outHeight; ++y) {
            for (std::size_t x = 0; x < outWidth; ++x) {
                // The stored pixel that lands at (x, y) when the picture is
                // mirrored left to right (2), turned half round (3), mirrored
                // top to bottom (4), transposed (5), turned a quarter
                // clockwise (6), transversed (7) or turned a quarter
                // anticlockwise (8); 1 leaves it as stored.
                std::size_t sx = x, sy = y;
                if (orientation == 2 || orientation == 3)
                    sx = w - 1 - x;
                if (orientation == 3 || orientation == 4)
                    sy = h - 1 - y;
                if (orientation == 5 || orientation == 6)
                    sx = y;
                if (orientation == 7 || orientation == 8)
                    sx = w - 1 - y;
                if (orientation == 5 || orientation == 8)
                    sy = x;
                if (orientation == 6 || orientation == 7)
                    sy = h - 1 - x;
                std::memcpy(out + (y * outWidth + x) * 4, source + (sy * w + sx) * 4, 4);
            }
        }
        width = static_cast<int>(outWidth);
        height = static_cast<int>(outHeight);
    }
    stbi_image_free(source);
    return out;
}

// Why a `width` x `height` image is too large to decode, or "" when it is not.
std::string sizeProblem(long long width, long long height, int maxSide)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height) + " pixels";
    if (width > maxSide || height > maxSide)
        return size + "; the largest side allowed is " + std::to_string(maxSide);
    if (width * height * 4 > static_cast<long long>(kMaxImageBytes))
        return size + " take " + std::to_string(width * height * 4 / (1024 * 1024)) +
               " MB; at most 1024 MB per image are allowed";
    return "";
}

} // namespace

int render::jpegOrientation(const unsigned char* bytes, std::size_t size)
{
    // Segments from the start marker on, up to the first scan.
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return 1;
    std::size_t at = 2;
    while (at + 4 <= size && bytes[at] == 0xFF) {
        const unsigned marker = bytes[at + 1];
        if (marker == 0xFF) {
            ++at; // a fill byte
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break; // the scan or the end: no orientation in front of it
        const std::size_t length = static_cast<std::size_t>(bytes[at + 2] << 8 | bytes[at + 3]);
        if (length < 2 || length > size - at - 2)
            break;
        if (marker == 0xE1) {
            const int orientation = exifOrientation(bytes + at + 4, length - 2);
            if (orientation != 1)
                return orientation;
        }
        at += 2 + length;
    }
    return 1;
}

bool render::jpegHuffmanTablesFit(const unsigned char* bytes, std::size_t size)
{
    // The decoder takes a file for a JPEG when it opens with a start marker,
    // after any number of 0xFF fill bytes; anything opening with 0xFF is walked.
    if (size < 2 || bytes[0] != 0xFF)
        return true;
    // Walks every marker: segments are skipped by their length, the scans'
    // entropy-coded data byte by byte up to the next marker.
    std::size_t at = 0;
    while (at + 1 < size) {
        if (bytes[at] != 0xFF) {
            ++at;
            continue;
        }
        const unsigned marker = bytes[at + 1];
        if (marker == 0xFF || marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += marker == 0xFF ? 1 : 2; // fill byte, stuffed zero, TEM, restart, start: no length
            continue;
        }
        if (marker == 0xD9)
            return true; // end of image
        const long length = static_cast<long>(byteAt(bytes, size, at + 2) << 8 | byteAt(bytes, size, at + 3));
        if (marker == 0xC4 && !huffmanSegmentFits(bytes, size, at + 4, length - 2))
            return false;
        at += 2 + static_cast<std::size_t>(length < 2 ? 2 : length);
    }
    return true;
}

unsigned char* render::decodeImage(const unsigned char* bytes, std::size_t size, int& width, int& height,
                                   std::string* problem, int maxSide)
{
    maxSide = std::min(maxSide, kMaxDecodableImageSide);
    std::string reason;
    unsigned char* pixels = nullptr;
    int channelsInFile = 0;
    if (size == 0) {
        reason = "is empty";
    } else if (size > static_cast<std::size_t>(INT_MAX)) {
        reason = "too large";
    } else if (!jpegHuffmanTablesFit(bytes, size)) {
        reason = "corrupt JPEG (a Huffman table holds more than 256 codes)";
    } else if (stbi_info_from_memory(bytes, static_cast<int>(size), &width, &height, &channelsInFile) &&
               !(reason = sizeProblem(width, height, maxSide)).empty()) {
        // Refused by its header, before any pixel memory.
    } else {
        pixels = stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channelsInFile, 4);
        if (pixels == nullptr) {
            const char* failure = stbi_failure_reason();
            // The decoder's word for bytes that start like none of its formats.
            if (failure == nullptr || std::strstr(failure, "known type") != nullptr)
                reason = "not a PNG, JPEG, BMP or TGA image";
            else
                reason = std::string("cannot decode: ") + failure;
        } else if (width <= 0 || height <= 0) {
            // The BMP decoder accepts a width of 0 and hands back an empty
            // buffer; an image without pixels is no image, and the texture
            // takes its fallback.
            stbi_image_free(pixels);
            pixels = nullptr;
            reason = "has no pixels";
        } else if (!(reason = sizeProblem(width, height, maxSide)).empty()) {
            // A header the quick look could not read, refused now.
            stbi_image_free(pixels);
            pixels = nullptr;
        } else {
            const int orientation = jpegOrientation(bytes, size);
            if (orientation != 1)
                pixels = orient(pixels, width, height, orientation);
            else if (isRightToLeftTga(bytes, size))
                pixels = orient(pixels, width, height, 2);
            if (pixels == nullptr)
                reason = "too large for the memory left";
        }
    }
    if (pixels == nullptr && problem != nullptr)
        *problem = reason;
    return pixels;
}

unsigned char* render::loadImageFile(const char* path, int& width, int& height, std::string* problem, int maxSide)
{
    std::string bytes;
    std::string reason;
    if (platform_read_file(path, kMaxImageFileBytes, bytes, reason) != PLATFORM_READ_OK) {
        if (problem != nullptr)
            *problem = reason;
        return nullptr;
    }
    return decodeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), width, height, problem,
                       maxSide);
}

void render::freeImagePixels(unsigned char* pixels)
{
    stbi_image_free(pixels);
}
