// Image files for scene textures: PNG, JPEG, BMP or TGA decoded into 8-bit
// RGBA, top row first and upright: a JPEG's EXIF orientation (photos from
// phones) is applied and a TGA stored right to left is mirrored back. Images
// come from the demo's author and are decoded as untrusted input (see
// ImageFile.cpp for the guards).
//
// Main thread only. The caller owns the returned pixels and frees them with
// freeImagePixels.
#pragma once

#include <cstddef>
#include <string>

// The most memory one decoded image may take (16384 x 16384 pixels of 4
// bytes), whatever the GL implementation allows.
constexpr std::size_t kMaxImageBytes = 1024u * 1024u * 1024u;

// The largest side decoded when no GL limit is given, and the decoder's own
// limit (STBI_MAX_DIMENSIONS), which no GL limit can raise.
constexpr int kMaxImageSide = 16384;
constexpr int kMaxDecodableImageSide = 32768;

// Largest image file read: an uncompressed image of the largest size decoded
// with room for its headers.
constexpr std::size_t kMaxImageFileBytes = kMaxImageBytes + 1024u * 1024u;

namespace render {

// Decodes `size` bytes of an image file. Returns the pixels (width x height
// x 4 bytes), or nullptr when the bytes are not an image the player reads
// (an image of no pixels included) or the image is too large: a side longer
// than `maxSide` (the GL implementation's maximum texture size; at most
// kMaxDecodableImageSide) or more than kMaxImageBytes of pixels, refused
// before pixel memory is allocated. Then `problem` (when given) says why,
// fit to follow "file: " ("10000x400 pixels; the largest side allowed is 8192").
unsigned char* decodeImage(const unsigned char* bytes, std::size_t size, int& width, int& height,
                           std::string* problem = nullptr, int maxSide = kMaxImageSide);

// Reads (only a regular file of at most kMaxImageFileBytes, never blocking)
// and decodes the image file at `path`; nullptr when it cannot, with the
// reason in `problem` when given.
unsigned char* loadImageFile(const char* path, int& width, int& height, std::string* problem = nullptr,
                             int maxSide = kMaxImageSide);

void freeImagePixels(unsigned char* pixels);

// Whether every Huffman table a JPEG defines holds at most 256 codes. The
// decoder trusts the counts and would write past its tables otherwise.
// Anything that is not a JPEG passes.
bool jpegHuffmanTablesFit(const unsigned char* bytes, std::size_t size);

// The EXIF orientation (1..8) a JPEG's APP1 segment gives; 1 (as stored)
// for anything else, a file without one or a damaged one.
int jpegOrientation(const unsigned char* bytes, std::size_t size);

// Whether the decoder takes `bytes` for a TGA image (the one format without
// a signature of its own), and whether that TGA is stored right to left.
bool isRightToLeftTga(const unsigned char* bytes, std::size_t size);

} // namespace render
