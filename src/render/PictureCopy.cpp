// The window's picture kept and shown again, scaled. Main thread, GL context current.
#include "render/PictureCopy.h"

#include <algorithm>

void PictureCopy::keep(int width, int height)
{
    if (!framebuffer_ || width != width_ || height != height_) {
        texture_ = GlName::generate(GlName::Kind::Texture);
        glBindTexture(GL_TEXTURE_2D, texture_.get());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        framebuffer_ = GlName::generate(GlName::Kind::Framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.get());
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_.get(), 0);
        width_ = width;
        height_ = height;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_.get());
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void PictureCopy::showInside(int x, int y, int width, int height) const
{
    if (width_ <= 0 || height_ <= 0 || width <= 0 || height <= 0)
        return;
    int shownWidth = width;
    int shownHeight = static_cast<int>(static_cast<double>(width) * height_ / width_);
    if (shownHeight > height) {
        shownHeight = height;
        shownWidth = static_cast<int>(static_cast<double>(height) * width_ / height_);
    }
    const int left = x + (width - shownWidth) / 2;
    const int bottom = y + (height - shownHeight) / 2;

    // Only the margins beside the picture are cleared.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glEnable(GL_SCISSOR_TEST);
    const int margins[4][4] = {{x, y, width, bottom - y},
                               {x, bottom + shownHeight, width, y + height - bottom - shownHeight},
                               {x, bottom, left - x, shownHeight},
                               {left + shownWidth, bottom, x + width - left - shownWidth, shownHeight}};
    for (const auto& margin : margins) {
        if (margin[2] <= 0 || margin[3] <= 0)
            continue;
        glScissor(margin[0], margin[1], margin[2], margin[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);

    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_.get());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, width_, height_, left, bottom, left + shownWidth, bottom + shownHeight, GL_COLOR_BUFFER_BIT,
                      GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
