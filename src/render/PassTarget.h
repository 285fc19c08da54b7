// PassTarget: where a pass draws when its settings ask for more than the
// shared render targets give (see PassSettings.h): another format, a
// fraction of the picture's size, linear filtering or mipmaps for its
// readers, or two pictures for a pass that reads its own previous output.
//
// Main thread, GL context current. A PassTarget owns its framebuffer and
// its one or two colour textures (GlName) and deletes them when it goes
// away; it is move-only. The depth buffer is not its own: the scene
// attaches the shared one, which is at least as large.
#pragma once

#include <array>
#include <cstdint>

#include "render/GlName.h"
#include "render/PassSettings.h"

class PassTarget {
public:
    explicit PassTarget(const PassSettings& settings);

    // Gets ready to draw frame `frameNumber` of timeline `epoch` in a picture
    // of pictureWidth x pictureHeight. The storage is made (or made again) at
    // the scaled size when that size changed, and every picture is cleared
    // to transparent black when it is new or the epoch changed (a seek). A
    // target that keeps two pictures swaps them when the frame number moved
    // on, so that the previous frame's picture is the one read as
    // "previous"; the same frame drawn again (paused) keeps it.
    void beginFrame(int pictureWidth, int pictureHeight, uint64_t epoch, uint64_t frameNumber);

    // After the pass has drawn: the mipmap levels, when its readers filter with them.
    void finishDraw();

    GLuint framebuffer() const { return framebuffer_.get(); }
    // The picture drawn this frame, and the one drawn in the frame before
    // (the same texture when the target keeps one picture).
    GLuint texture() const { return textures_[current_].get(); }
    GLuint previousTexture() const { return textures_[pictureCount_ - 1 - current_].get(); }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    void makeStorage();

    PassSettings settings_;
    int pictureCount_ = 1; // 2 when the pass reads its previous output
    GlName framebuffer_;
    std::array<GlName, 2> textures_;
    int current_ = 0; // which picture is drawn this frame
    int width_ = 0;   // pixels, 0 before the first frame
    int height_ = 0;
    uint64_t epoch_ = 0;
    uint64_t frameNumber_ = 0;
};

namespace render {

// The size of a pass at `scale` of a picture side of `side` pixels: at least 1.
int scaledSide(int side, float scale);

} // namespace render
