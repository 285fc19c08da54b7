// ImageSequenceWriter: one PNG per frame (RGB, lossless) and the sound of the
// range as a 16-bit WAV beside them. Frames are numbered from the export's
// first frame on the whole demo's count (start x fps), so sequences of
// consecutive ranges fit together without renumbering.
//
// Each image is written under a temporary name and renamed when complete;
// the WAV likewise at finish(). discard() removes every file of the export.
// Owns its scratch row buffer and the list of files written. One thread at a
// time. Non-copyable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/ExportTarget.h"
#include "export/FrameSink.h"

class ImageSequenceWriter : public FrameSink {
public:
    ImageSequenceWriter() = default;
    ~ImageSequenceWriter() override; // an unfinished sequence is discarded
    ImageSequenceWriter(const ImageSequenceWriter&) = delete;
    ImageSequenceWriter& operator=(const ImageSequenceWriter&) = delete;

    // Prepares the sequence; frame index 0 becomes number `firstNumber`. False
    // with `problem` set when the place is not writable or the tune cannot
    // be decoded.
    bool open(const ExportTarget& target, int width, int height, uint64_t firstNumber, const ExportSound& sound,
              std::string& problem);

    bool writeFrame(const uint8_t* rgba, uint64_t index, std::string& problem) override;
    bool finish(std::string& problem) override;
    void discard() override;

private:
    bool writeSound(std::string& problem);

    ExportTarget target_;
    ExportSound sound_;
    int width_ = 0;
    int height_ = 0;
    uint64_t firstNumber_ = 0;
    std::vector<uint8_t> rgb_;         // one frame, top row first, 3 bytes a pixel
    std::vector<std::string> written_; // files of this export under their final names
    std::string pending_;              // a temporary file that may exist
};
