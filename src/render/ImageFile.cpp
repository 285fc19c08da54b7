// Image decoding for scene textures, over stb_image.
//
// Guards around the decoder: only the four formats the player accepts are
// compiled in (src/render/stb_image_impl.cpp), images larger than 8192 pixels
// on a side are refused before pixel memory is allocated, and JPEG Huffman
// tables are checked here before the decoder sees them, since the decoder
// builds them from the file's counts without a bound. Main thread only.
#include "render/ImageFile.h"

#include <climits>
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

} // namespace

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
                                   std::string* problem)
{
    std::string reason;
    unsigned char* pixels = nullptr;
    if (size == 0) {
        reason = "is empty";
    } else if (size > static_cast<std::size_t>(INT_MAX)) {
        reason = "too large";
    } else if (!jpegHuffmanTablesFit(bytes, size)) {
        reason = "corrupt JPEG (a Huffman table holds more than 256 codes)";
    } else {
        int channelsInFile = 0;
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
        }
    }
    if (pixels == nullptr && problem != nullptr)
        *problem = reason;
    return pixels;
}

unsigned char* render::loadImageFile(const char* path, int& width, int& height, std::string* problem)
{
    std::string bytes;
    std::string reason;
    if (platform_read_file(path, kMaxImageFileBytes, bytes, reason) != PLATFORM_READ_OK) {
        if (problem != nullptr)
            *problem = reason;
        return nullptr;
    }
    return decodeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), width, height, problem);
}

void render::freeImagePixels(unsigned char* pixels)
{
    stbi_image_free(pixels);
}
