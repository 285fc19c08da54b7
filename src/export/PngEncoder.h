// PngEncoder: one exported frame as a PNG file (8-bit RGB, not interlaced),
// compressed by libdeflate at its fastest level. The image sequence's
// frames are written through it.
//
// libdeflate compresses a whole buffer at once, about twice as fast as
// zlib's fastest level and into smaller files, which is what lets an image
// sequence keep up with a video export; the PNG around the compressed rows
// is only a signature and three kinds of chunk.
//
// Owns its compressor and two buffers of about one frame each, kept from
// one frame to the next. One thread at a time; each of the image sequence's
// worker threads takes one of its own. Non-copyable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

struct libdeflate_compressor;

class PngEncoder {
public:
    PngEncoder();
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // Writes `width` x `height` RGBA pixels (GL's order: bottom row first;
    // alpha is dropped, as in the video) to `file` as a PNG. False when the
    // compressor cannot be made or the file cannot be written (errno says why).
    bool write(std::FILE* file, const uint8_t* rgba, int width, int height);

private:
    libdeflate_compressor* compressor_ = nullptr;
    std::vector<uint8_t> rows_;       // the filtered rows, each behind its filter byte
    std::vector<uint8_t> compressed_; // their zlib stream
};
