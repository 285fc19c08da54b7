// Texture: image textures from files (decoded by ImageFile) and render-target
// textures, and the GL uploads of both kinds.
//
// Main thread, GL context current. Both constructors leave the new texture
// bound to GL_TEXTURE_2D on the active unit.
#include "render/Texture.h"

#include <algorithm>
#include <vector>

#include "platform/ConsoleSink.h"
#include "platform/gl_dialect.h"
#include "render/ImageFile.h"

namespace {

// Reads and clears the GL error state and writes its text with no line
// break: GLEW's strings give "No error" for 0 and "Unknown error" for every
// GL error code.
void printGlErrorText(ConsoleSink& console)
{
    console.out() << reinterpret_cast<const char*>(glewGetErrorString(glGetError()));
}

} // namespace

DecodedImage DecodedImage::decode(const std::string& path)
{
    DecodedImage image;
    unsigned char* pixels = render::loadImageFile(path.c_str(), image.width, image.height, &image.problem,
                                                  render::maxImageSide());
    if (pixels != nullptr)
        image.pixels = std::shared_ptr<const unsigned char>(
            pixels, [](const unsigned char* p) { render::freeImagePixels(const_cast<unsigned char*>(p)); });
    return image;
}

Texture::Texture(const std::string& path, ConsoleSink& console, std::string* problem)
    : Texture(path, DecodedImage::decode(path), console, problem)
{
}

Texture::Texture(const std::string& path, const DecodedImage& image, ConsoleSink& console, std::string* problem)
{
    int width = image.width;
    int height = image.height;
    const std::string& reason = image.problem;
    const unsigned char* pixels = image.pixels.get();

    // An image that does not decode still gives a defined texture: one opaque
    // black texel, rather than an upload from an unknown size.
    static const unsigned char kFallbackTexel[4] = {0, 0, 0, 255};
    const unsigned char* upload = pixels;
    failure = pixels == nullptr ? reason : std::string();
    if (problem != nullptr)
        *problem = failure;
    if (pixels == nullptr) {
        if (problem == nullptr) {
            console.warn(path, reason);
            console.error("Texture load fail : " + path + " !!!!!!!!!!!!!!!!");
        }
        upload = kFallbackTexel;
        width = 1;
        height = 1;
    }

    printGlErrorText(console);
    id = GlName::generate(GlName::Kind::Texture);
    printGlErrorText(console);
    glBindTexture(GL_TEXTURE_2D, id.get());
    printGlErrorText(console);

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));

    // Rows of 4-byte pixels are always 4-byte aligned, so the default unpack
    // alignment fits.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, upload);
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
    // Read through a framebuffer of its own: WebGL 2 has no glGetTexImage.
    GLint boundFramebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &boundFramebuffer);
    const GlName reader = GlName::generate(GlName::Kind::Framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, reader.get());
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, id.get(), 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(boundFramebuffer));
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
    if (platform_gl_renders_to_float())
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F, width, height, 0, format, GL_FLOAT, nullptr);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, format, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_NEAREST));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_NEAREST));
}
