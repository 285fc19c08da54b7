// ImageSequenceWriter: one PNG per frame (RGB, lossless) and the sound of the
// range as a 16-bit WAV beside them. Frames are numbered from the export's
// first frame on the whole demo's count (start x fps), so sequences of
// consecutive ranges fit together without renumbering.
//
// PNGs are compressed by libdeflate at its fastest level (PngEncoder), each
// frame on whichever of the export's worker threads takes it
// (concurrentFrames(), one per core), so an image sequence keeps up with a
// video export.
//
// Each image is written under a temporary name and renamed when complete;
// the WAV likewise at finish(). discard() removes every file of the export.
// Owns the list of files written and one PngEncoder per worker. open(),
// finish() and discard() on one thread; writeFrame() from up to
// concurrentFrames() threads at once. Non-copyable.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "export/ExportTarget.h"
#include "export/FrameSink.h"
#include "export/PngEncoder.h"

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

    int concurrentFrames() const override;
    bool writeFrame(const uint8_t* rgba, uint64_t index, std::string& problem) override;
    bool finish(std::string& problem) override;
    void discard() override;

private:
    bool writeSound(std::string& problem);
    // An encoder no other thread uses, made when none is idle; given back after the frame.
    std::unique_ptr<PngEncoder> takeEncoder();
    void giveBack(std::unique_ptr<PngEncoder> encoder);
    // Notes a temporary file that may exist until it is renamed or removed.
    void notePending(const std::string& path);
    // The temporary file `pending` became `path`, complete.
    void noteWritten(const std::string& pending, const std::string& path);

    ExportTarget target_;
    ExportSound sound_;
    int width_ = 0;
    int height_ = 0;
    uint64_t firstNumber_ = 0;
    std::mutex filesLock_;             // guards the two lists below
    std::vector<std::string> written_; // files of this export under their final names
    std::set<std::string> pending_;    // temporary files that may exist
    std::mutex encodersLock_;          // guards idleEncoders_
    std::vector<std::unique_ptr<PngEncoder>> idleEncoders_;
};
