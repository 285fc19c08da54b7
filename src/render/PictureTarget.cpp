// The offscreen picture (see PictureTarget.h). Main thread, GL context current.
#include "render/PictureTarget.h"

void PictureTarget::bind(int width, int height)
{
    if (!framebuffer_ || width != width_ || height != height_) {
        framebuffer_ = GlName::generate(GlName::Kind::Framebuffer);
        colour_ = GlName::generate(GlName::Kind::Texture);
        depth_ = GlName::generate(GlName::Kind::Renderbuffer);
        width_ = width;
        height_ = height;
        glBindTexture(GL_TEXTURE_2D, colour_.get());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_.get());
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT32, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.get());
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_.get(), 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_.get());
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.get());
}

void PictureTarget::copyTo(const FrameView& view) const
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_.get());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, view.framebuffer);
    glBlitFramebuffer(0, 0, width_, height_, view.x, view.y, view.x + view.width, view.y + view.height,
                      GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, view.framebuffer);
}

void PictureTarget::copyRegionTo(GLuint framebuffer, int x, int y, int width, int height) const
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_.get());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glBlitFramebuffer(x, y, x + width, y + height, x, y, x + width, y + height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}
