// Image files for scene textures: PNG, JPEG, BMP or TGA decoded into 8-bit
// RGBA, top row first. Images come from the demo's author and are decoded as
// untrusted input (see ImageFile.cpp for the guards).
//
// Main thread only. The caller owns the returned pixels and frees them with
// freeImagePixels.
#pragma once

#include <cstddef>
#include <string>

// Largest image file read: an uncompressed image of the largest size decoded
// (8192 x 8192 pixels of 4 bytes) with room for its headers.
constexpr std::size_t kMaxImageFileBytes = 8192u * 8192u * 4u + 1024u * 1024u;

namespace render {

// Decodes `size` bytes of an image file. Returns the pixels (width x height
// x 4 bytes), or nullptr when the bytes are not an image the player reads
// (an image of no pixels included); then `problem` (when given) says why,
// fit to follow "file: ".
unsigned char* decodeImage(const unsigned char* bytes, std::size_t size, int& width, int& height,
                           std::string* problem = nullptr);

// Reads (only a regular file of at most kMaxImageFileBytes, never blocking)
// and decodes the image file at `path`; nullptr when it cannot, with the
// reason in `problem` when given.
unsigned char* loadImageFile(const char* path, int& width, int& height, std::string* problem = nullptr);

void freeImagePixels(unsigned char* pixels);

// Whether every Huffman table a JPEG defines holds at most 256 codes. The
// decoder trusts the counts and would write past its tables otherwise.
// Anything that is not a JPEG passes.
bool jpegHuffmanTablesFit(const unsigned char* bytes, std::size_t size);

} // namespace render
