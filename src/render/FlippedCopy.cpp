// A texture's rows in the other order (see FlippedCopy.h). Main thread.
#include "render/FlippedCopy.h"

GLuint FlippedCopy::copy(GLuint source, int width, int height, bool linear)
{
    if (source == 0 || width <= 0 || height <= 0)
        return 0;
    if (!texture_ || width != width_ || height != height_) {
        // 32-bit floats keep whatever the source holds: a pass's values beyond
        // 0..1, the spectrum's single channel (its red).
        texture_ = GlName();
        texture_ = GlName::generate(GlName::Kind::Texture);
        glBindTexture(GL_TEXTURE_2D, texture_.get());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        width_ = width;
        height_ = height;
    }
    glBindTexture(GL_TEXTURE_2D, texture_.get());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
    if (!readFramebuffer_) {
        readFramebuffer_ = GlName::generate(GlName::Kind::Framebuffer);
        drawFramebuffer_ = GlName::generate(GlName::Kind::Framebuffer);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer_.get());
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, source, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, drawFramebuffer_.get());
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_.get(), 0);
    // The destination's rectangle upside down: its first row gets the source's last.
    glBlitFramebuffer(0, 0, width, height, 0, height, width, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return texture_.get();
}
