// WavFileWriter: 16-bit PCM in a RIFF WAVE file (WAVE_FORMAT_EXTENSIBLE with
// a channel mask for more than two channels), written as it comes; the sizes
// in the header are filled in by finish().
//
// Owns the open file. One thread at a time. Non-copyable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class WavFileWriter {
public:
    WavFileWriter() = default;
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates `path` (replacing a file there). More than two channels are
    // for the speakers `channelMask` names (a WAV channel mask), in its order.
    // False with `problem` set.
    bool open(const std::string& path, int sampleRate, int channels, uint32_t channelMask, std::string& problem);
    // Appends `frames` interleaved frames. False when the disk refuses or the
    // file would outgrow what a WAV header can count (4 GB).
    bool write(const int16_t* samples, int frames, std::string& problem);
    // Writes the header's sizes and closes the file.
    bool finish(std::string& problem);
    // Closes without completing; the caller removes the file.
    void close();

private:
    std::FILE* file_ = nullptr;
    int channels_ = 0;
    int sampleRate_ = 0;
    uint32_t channelMask_ = 0;
    uint64_t dataBytes_ = 0;
};
