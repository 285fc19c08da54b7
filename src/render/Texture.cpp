// Texture: image textures from files (decoded by ImageFile) and render-target
// textures, and the GL uploads of both kinds.
//
// Main thread, GL context current. Both constructors leave the new texture
// bound to GL_TEXTURE_2D on the active unit.
#include "render/Texture.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "platform/warning.h"
#include "render/ImageFile.h"

namespace {

// Reads and clears the GL error state and writes its text with no line
// break: GLEW's strings give "No error" for 0 and "Unknown error" for every
// GL error code.
void printGlErrorText()
{
    std::cout << reinterpret_cast<const char*>(glewGetErrorString(glGetError()));
}

} // namespace

Texture::Texture(const std::string& path, std::string* problem)
{
    int width = 0;
    int height = 0;
    std::string reason;
    unsigned char* pixels = render::loadImageFile(path.c_str(), width, height, &reason, render::maxImageSide());

    // An image that does not decode still gives a defined texture: one opaque
    // black texel, rather than an upload from an unknown size.
    static const unsigned char kFallbackTexel[4] = {0, 0, 0, 255};
    const unsigned char* upload = pixels;
    failure = pixels == nullptr ? reason : std::string();
    if (problem != nullptr)
        *problem = failure;
    if (pixels == nullptr) {
        if (problem == nullptr) {
            platform_warn(path, reason);
            std::fprintf(stderr, "Texture load fail : %s !!!!!!!!!!!!!!!!\n", path.c_str());
        }
        upload = kFallbackTexel;
        width = 1;
        height = 1;
    }

    printGlErrorText();
    id = GlName::generate(GlName::Kind::Texture);
    printGlErrorText();
    glBindTexture(GL_TEXTURE_2D, id.get());
    printGlErrorText();

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));

    // Rows of 4-byte pixels are always 4-byte aligned, so the default unpack
    // alignment fits.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, upload);

    if (pixels != nullptr)
        render::freeImagePixels(pixels);
    width_ = width;
    height_ = height;
}

GLuint Texture::uprightId()
{
    if (upright || !id)
        return upright.get();
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
    std::vector<unsigned char> pixels(rowBytes * static_cast<std::size_t>(height_));
    std::vector<unsigned char> flipped(pixels.size());
    // The active unit keeps what it had bound: the twin is made while the
    // samplers are being bound.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, id.get());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    for (int row = 0; row < height_; ++row)
        std::copy_n(&pixels[static_cast<std::size_t>(row) * rowBytes], rowBytes,
                    &flipped[static_cast<std::size_t>(height_ - 1 - row) * rowBytes]);
    upright = render::uploadImageTexture(flipped.data(), width_, height_);
    return upright.get();
}

void Texture::replaceImage(const unsigned char* rgba, int width, int height)
{
    failure.clear();
    upright = GlName();
    glBindTexture(GL_TEXTURE_2D, id.get());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    width_ = width;
    height_ = height;
}

GlName render::uploadImageTexture(const unsigned char* rgba, int width, int height)
{
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    GlName texture = GlName::generate(GlName::Kind::Texture);
    glBindTexture(GL_TEXTURE_2D, texture.get());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    return texture;
}

int render::maxImageSide()
{
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? std::min(static_cast<int>(side), kMaxDecodableImageSide) : kMaxImageSide;
}

Texture::Texture(int width, int height, GLenum format) : width_(width), height_(height)
{
    id = GlName::generate(GlName::Kind::Texture);
    glBindTexture(GL_TEXTURE_2D, id.get());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F, width, height, 0, format, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_NEAREST));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_NEAREST));
}
