// Encoding Ogg Vorbis files from float samples, for the programs that make
// tunes (the tonefile tool) and for tests and benchmarks that need music.
// The player itself only decodes. Any thread; nothing is shared between calls.
#pragma once

#include <functional>
#include <string>

struct OggWriterFormat {
    int sampleRate = 44100; // frames per second
    int channels = 2;
    float quality = 0.4f; // vorbisenc's VBR quality, -0.1 (smallest) .. 1.0 (best)
};

// Fills `count` frames starting at frame `first`: buffers[c][i] is channel c
// of frame first + i, in -1.0 .. 1.0.
using OggFrameSource = std::function<void(float** buffers, long first, int count)>;

// Encodes `totalFrames` frames from `source` into a new file at `path`
// (replacing one that is there). False when the encoder refuses the format or
// the file cannot be written; the caller removes what was written.
bool writeOggVorbis(const std::string& path, const OggWriterFormat& format, long totalFrames,
                    const OggFrameSource& source);
