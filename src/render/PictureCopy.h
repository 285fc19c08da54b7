// A copy of the window's finished picture, to show it again scaled into a
// part of the window: the track editor draws its panel over the window and
// the picture beside it, so the picture itself is drawn at the window's
// full size (its iResolution unchanged) and only shown smaller.
//
// Main thread, GL context current. Owns its texture and framebuffer (GlName).
#pragma once

#include "render/GlName.h"

class PictureCopy {
public:
    // Copies framebuffer 0's `width` x `height` pixels (the finished picture).
    void keep(int width, int height);

    // Draws the kept picture into framebuffer 0's rectangle at (x, y) (from
    // the bottom left) of `width` x `height`: as large as fits at its aspect
    // ratio, centred, filtered linearly; the rest of the rectangle is cleared
    // to the current clear colour. Nothing outside the rectangle is touched.
    void showInside(int x, int y, int width, int height) const;

private:
    GlName texture_;
    GlName framebuffer_;
    int width_ = 0;
    int height_ = 0;
};
