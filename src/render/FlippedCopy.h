// FlippedCopy: another texture turned upside down, copied again at each
// frame that reads it: what a channel with "vflip": true reads of a pass's
// output, a pass's previous frame or the player's own textures (images are
// flipped once, by Texture::uprightId).
//
// Main thread, GL context current. Owns its texture and the two
// framebuffers of the copy (GlName). Move-only.
#pragma once

#include <GL/glew.h>

#include "render/GlName.h"

class FlippedCopy {
public:
    // Copies `source` (`width` x `height` pixels) with its rows in the other
    // order and returns the copy's texture, sampled linearly or not; 0 (a
    // black channel) for no source. Leaves GL_FRAMEBUFFER bound to 0.
    GLuint copy(GLuint source, int width, int height, bool linear);

private:
    GlName texture_;
    GlName readFramebuffer_;
    GlName drawFramebuffer_;
    int width_ = 0;
    int height_ = 0;
};
