// A GL 2D texture: an image file decoded and uploaded, or the empty colour
// buffer of a render target.
//
// Main thread, GL context current. A Texture is a small value that names its
// GL texture; copies name the same texture and none of them deletes it. The
// textures live for the whole process (the description's image textures and
// the eight render targets are made once at start-up).
#pragma once

#include <string>

#include <GL/glew.h>

class Texture {
public:
    // Decodes `path` to 8-bit RGBA (top row at t = 0) and uploads it with
    // repeat wrapping and linear filters. Writes the GL error text ("No error"
    // or "Unknown error") to standard output three times, with no line
    // breaks. A file that does not decode gets one line on standard error and
    // a 1 x 1 texel (0, 0, 0, 255).
    explicit Texture(const std::string& path);

    // Storage only: GL_RGBA16F of width x height, `format` with GL_FLOAT and
    // no pixels, repeat wrapping and nearest filters.
    Texture(int width, int height, GLenum format);

    GLuint getId() const { return id; }

private:
    GLuint id = 0;
};
