// FrameSink: where an export's frames and sound go. VideoFileWriter and
// ImageSequenceWriter are the two kinds. A sink writes under temporary names
// and puts its files under their final names only in finish(), so a failed or
// cancelled export leaves nothing that looks complete.
//
// The export's worker threads write to it after the render thread opened it:
// one at a time, or up to concurrentFrames() at once for a sink whose frames
// are independent of each other (then they arrive in any order).
#pragma once

#include <cstdint>
#include <string>

// The sound that goes with the frames: tune frames [firstFrame, endFrame).
// No sound when tunePath is empty.
struct ExportSound {
    std::string tunePath;
    uint64_t firstFrame = 0;
    uint64_t endFrame = 0;
    // Nothing is joined after this range (it ends the demo): compressed sound
    // runs to endFrame exactly. Otherwise it stops where the next range's file
    // takes over, within one compressed frame of endFrame (see VideoFileWriter).
    bool toTheEnd = false;
};

class FrameSink {
public:
    virtual ~FrameSink() = default;

    // How many writeFrame() calls may run at once, on as many threads.
    virtual int concurrentFrames() const { return 1; }
    // Writes frame `index` (0, 1, ...; in order when concurrentFrames() is 1):
    // width x height 8-bit RGBA pixels, bottom row first. False with `problem`
    // set on failure.
    virtual bool writeFrame(const uint8_t* rgba, uint64_t index, std::string& problem) = 0;
    // Writes the rest (sound, trailers) and puts the files under their final
    // names. False with `problem` set on failure; then nothing is left behind.
    virtual bool finish(std::string& problem) = 0;
    // Removes everything written so far. Harmless after finish().
    virtual void discard() = 0;
};
