// Where a frame's picture goes, and the offscreen picture that takes it
// there when the place is not a framebuffer at the picture's own size (the
// track editor shows the picture scaled beside its panel): the final pass
// draws into the PictureTarget at the picture's size, so its gl_FragCoord
// and "iResolution" stay the picture's, and the result is copied into the
// rectangle, scaled with linear filtering.
//
// Main thread, GL context current. A PictureTarget owns its framebuffer,
// colour texture and depth renderbuffer (see GlName); move-only.
#pragma once

#include <GL/glew.h>

#include "render/GlName.h"

// A rectangle of a framebuffer, in that framebuffer's pixels.
struct FrameView {
    GLuint framebuffer = 0; // 0: the window's, or the headless context's drawable
    int x = 0;              // the lower left corner
    int y = 0;
    int width = 0; // 0 x 0: the picture's own size
    int height = 0;

    // Whether the picture of width x height fills this view at its own size.
    bool takesPictureAsItIs(int pictureWidth, int pictureHeight) const
    {
        return x == 0 && y == 0 && ((width == 0 && height == 0) || (width == pictureWidth && height == pictureHeight));
    }
};

class PictureTarget {
public:
    // Binds the target for drawing a picture of width x height, made or
    // made again at that size.
    void bind(int width, int height);

    // Copies the picture drawn since bind() into `view` and leaves the
    // view's framebuffer bound.
    void copyTo(const FrameView& view) const;

    // Copies the rectangle x, y, width x height of the picture to the same
    // place of framebuffer `framebuffer`, unscaled, and leaves that bound.
    void copyRegionTo(GLuint framebuffer, int x, int y, int width, int height) const;

private:
    GlName framebuffer_;
    GlName colour_; // 8-bit RGBA, as a window's
    GlName depth_;
    int width_ = 0; // pixels
    int height_ = 0;
};
