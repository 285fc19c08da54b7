// Making, clearing and swapping a pass's own target. Main thread, GL context
// current.
#include "render/PassTarget.h"

#include <algorithm>
#include <cmath>

#include "platform/gl_dialect.h"

namespace {

struct TextureFormat {
    GLint internalFormat;
    GLenum type;
};

TextureFormat textureFormat(PassFormat format)
{
    // Without floating-point targets (WebGL 2 without EXT_color_buffer_float)
    // every target is 8-bit: the picture stays, with less range.
    if (!platform_gl_renders_to_float())
        return {GL_RGBA8, GL_UNSIGNED_BYTE};
    switch (format) {
    case PassFormat::Rgba8:
        return {GL_RGBA8, GL_UNSIGNED_BYTE};
    case PassFormat::Rgba32f:
        return {GL_RGBA32F, GL_FLOAT};
    case PassFormat::Rgba16f:
        break;
    }
    return {GL_RGBA16F, GL_FLOAT};
}

} // namespace

int render::scaledSide(int side, float scale)
{
    return std::max(1, static_cast<int>(std::floor(static_cast<double>(side) * scale)));
}

PassTarget::PassTarget(const PassSettings& settings)
    : settings_(settings), pictureCount_(settings.readsPrevious() ? 2 : 1)
{
}

void PassTarget::beginFrame(int pictureWidth, int pictureHeight, uint64_t epoch, uint64_t frameNumber)
{
    const int width = render::scaledSide(pictureWidth, settings_.scale);
    const int height = render::scaledSide(pictureHeight, settings_.scale);
    const bool remade = width != width_ || height != height_;
    if (remade) {
        width_ = width;
        height_ = height;
        makeStorage();
    }
    if (remade || epoch != epoch_) {
        static const GLfloat kBlack[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.get());
        for (int i = 0; i < pictureCount_; ++i) {
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, textures_[i].get(), 0);
            glClearBufferfv(GL_COLOR, 0, kBlack);
        }
        epoch_ = epoch;
        frameNumber_ = frameNumber;
        current_ = 0;
    } else if (frameNumber != frameNumber_) {
        frameNumber_ = frameNumber;
        current_ = pictureCount_ - 1 - current_;
    }
}

void PassTarget::finishDraw()
{
    if (settings_.filter != PassFilter::Mipmap)
        return;
    glBindTexture(GL_TEXTURE_2D, texture());
    glGenerateMipmap(GL_TEXTURE_2D);
}

void PassTarget::makeStorage()
{
    if (!framebuffer_)
        framebuffer_ = GlName::generate(GlName::Kind::Framebuffer);
    const TextureFormat format = textureFormat(settings_.format);
    const bool linear = settings_.filter != PassFilter::Nearest;
    const GLint minFilter = settings_.filter == PassFilter::Mipmap ? GL_LINEAR_MIPMAP_LINEAR
                            : linear                               ? GL_LINEAR
                                                                   : GL_NEAREST;
    for (int i = 0; i < pictureCount_; ++i) {
        // The old storage goes first, so a resize never holds two sets at once.
        textures_[i] = GlName();
        textures_[i] = GlName::generate(GlName::Kind::Texture);
        glBindTexture(GL_TEXTURE_2D, textures_[i].get());
        glTexImage2D(GL_TEXTURE_2D, 0, format.internalFormat, width_, height_, 0, GL_RGBA, format.type, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
        if (settings_.filter == PassFilter::Mipmap)
            glGenerateMipmap(GL_TEXTURE_2D); // makes the levels' storage
    }
}
