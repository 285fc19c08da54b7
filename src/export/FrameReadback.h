// FrameReadback: reads rendered frames back from the GPU without waiting for
// each one. Every frame is copied into the next pixel buffer object of a
// small ring (the copy runs on the GPU's side); it is collected a few frames
// later, when the GPU has long finished it, so rendering, readback and
// encoding overlap.
//
// Pixels come out as 8-bit RGBA rows, bottom row first (GL's order).
// Owns the buffer objects and their fences (see GlName). Render thread only,
// with the GL context current. Non-copyable.
#pragma once

#include <GL/glew.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/GlName.h"

class FrameReadback {
public:
    static constexpr int kDefaultRingSize = 3;

    FrameReadback() = default;
    FrameReadback(const FrameReadback&) = delete;
    FrameReadback& operator=(const FrameReadback&) = delete;

    // Makes the ring for width x height frames. False when GL refuses.
    bool open(int width, int height, int ringSize = kDefaultRingSize);
    void close();

    size_t frameBytes() const { return static_cast<size_t>(width_) * height_ * 4; }
    // Whether the next start() needs a collect() first.
    bool full() const { return pending_ == static_cast<int>(buffers_.size()); }
    // Frames started and not collected yet.
    int pending() const { return pending_; }

    // Starts copying the framebuffer bound for reading (its read buffer).
    void start();
    // Waits for the oldest started frame and copies its frameBytes() into
    // `pixels`. False when nothing is pending or GL fails.
    bool collect(uint8_t* pixels);

private:
    std::vector<GlName> buffers_;
    std::vector<GlName> fences_; // per buffer: the fence after its copy, while it is pending
    int width_ = 0;
    int height_ = 0;
    int next_ = 0;    // ring slot that start() uses next
    int pending_ = 0; // started, not collected; the oldest is next_ - pending_
};
