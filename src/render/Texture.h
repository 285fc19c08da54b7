// A GL 2D texture: an image file decoded and uploaded, or the empty colour
// buffer of a render target.
//
// Main thread, GL context current. A Texture owns its GL texture and deletes
// it when it goes away; it is move-only. The description's image textures
// belong to the demo's content, which scenes point into; the render targets'
// colour textures belong to RenderTargets.
#pragma once

class ConsoleSink;

#include <memory>
#include <string>

#include <GL/glew.h>

#include "render/GlName.h"
#include "render/ImageFile.h"

// An image file decoded once, for every texture made from it: 8-bit RGBA,
// top row first; no pixels (and the reason) when it did not decode.
struct DecodedImage {
    std::shared_ptr<const unsigned char> pixels; // null when it did not decode
    int width = 0;
    int height = 0;
    std::string problem; // why it did not decode; "" when it did

    // Decodes `path` (see the Texture constructor for the limits).
    static DecodedImage decode(const std::string& path);
};

class Texture {
public:
    // Decodes `path` to 8-bit RGBA (top row at t = 0) and uploads it with
    // repeat wrapping and linear filters. An image larger than
    // render::maxImageSide() on a side, or than 1 GB, is refused. Writes the GL error text ("No error"
    // or "Unknown error") to `console`'s account three times, with no line
    // breaks. A file that does not decode gets a 1 x 1 texel (0, 0, 0, 255)
    // and, without `problem`, two lines on its error stream (its reason, then
    // "Texture load fail : path !!!..."); with `problem`, nothing is said
    // and the reason is left there ("" when the image loaded). Either way the
    // reason stays in loadProblem().
    Texture(const std::string& path, ConsoleSink& console, std::string* problem = nullptr);
    // The same from `image`, decoded from `path` already.
    Texture(const std::string& path, const DecodedImage& image, ConsoleSink& console, std::string* problem = nullptr);

    // Replaces the image of an image texture with `rgba` (8-bit RGBA, top
    // row first, width x height), keeping its GL name and parameters; the
    // texture is left bound to GL_TEXTURE_2D on the active unit.
    void replaceImage(const unsigned char* rgba, int width, int height);

    // Storage only: GL_RGBA16F of width x height, `format` with GL_FLOAT and
    // no pixels, repeat wrapping and nearest filters.
    Texture(int width, int height, GLenum format);

    GLuint getId() const { return id.get(); }
    // The same picture turned upside down (the image's top row at t = 1, as
    // the shader site and glslViewer show images), made from the texture at
    // the first call and again after replaceImage.
    GLuint uprightId();
    // The texture's size in pixels.
    int width() const { return width_; }
    int height() const { return height_; }

    // Why the image file gave no picture ("cannot decode: ..."); "" when it did.
    const std::string& loadProblem() const { return failure; }

private:
    GlName id;
    GlName upright; // see uprightId; none until asked for
    int width_ = 0;
    int height_ = 0;
    std::string failure; // see loadProblem
};

namespace render {

// A new 8-bit RGBA texture of `rgba` (width x height, row 0 at t = 0) with
// repeat wrapping and linear filters. The active unit keeps what it had
// bound: textures are made while samplers are being bound.
GlName uploadImageTexture(const unsigned char* rgba, int width, int height);

// The largest side of an image texture: the GL implementation's maximum
// texture size (the context must be current), at most kMaxDecodableImageSide.
int maxImageSide();

} // namespace render
