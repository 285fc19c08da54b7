// The stb_image decoder, compiled once for the whole player.
//
// Image files come from the demo's author and are decoded as untrusted
// input: only the four formats the player accepts are compiled in, and
// images larger than 32768 pixels on a side are refused before any pixel
// memory is allocated (ImageFile.cpp refuses smaller ones by the GL limit
// and by their memory). Main thread only (stb keeps no shared state for the
// calls the player makes).
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 32768
#define STBI_FAILURE_USERMSG
#include <stb_image.h>

#include "render/ImageFile.h"

static_assert(STBI_MAX_DIMENSIONS == kMaxDecodableImageSide, "the decoder's limit is the one ImageFile.h names");

bool render::isRightToLeftTga(const unsigned char* bytes, std::size_t size)
{
    // The decoder tries the formats with a signature first and TGA last.
    constexpr std::size_t kTgaHeaderBytes = 18;
    constexpr unsigned char kRightToLeft = 0x10; // bit 4 of the image descriptor
    if (size < kTgaHeaderBytes || size > 0x7FFFFFFF)
        return false;
    stbi__context context;
    const auto test = [&](int (*isFormat)(stbi__context*)) {
        stbi__start_mem(&context, bytes, static_cast<int>(size));
        return isFormat(&context) != 0;
    };
    if (test(stbi__png_test) || test(stbi__bmp_test) || test(stbi__jpeg_test) || !test(stbi__tga_test))
        return false;
    return (bytes[17] & kRightToLeft) != 0;
}
