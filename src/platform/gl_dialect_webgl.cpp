// The GL dialect of WebGL 2 in a browser (OpenGL ES 3.0): see gl_dialect.h.
// Main thread (the browser's), context current.
#include "platform/gl_dialect.h"

#include <cstring>

#include <GL/glew.h>
#include <emscripten/html5_webgl.h>

bool platform_gl_is_es()
{
    return true;
}

unsigned platform_gl_depth_format()
{
    return GL_DEPTH_COMPONENT24; // ES 3.0 has no 32-bit integer depth
}

bool platform_gl_renders_to_float()
{
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    return context != 0 && emscripten_webgl_enable_extension(context, "EXT_color_buffer_float");
}

// WebGL 2 has no one-dimensional textures, and GLSL ES no sampler1D, so no
// shader of a page can read the spectrum's 1D textures: their uploads do
// nothing there.
extern "C" void glTexImage1D(GLenum, GLint, GLint, GLsizei, GLint, GLenum, GLenum, const void*) {}
extern "C" void glTexSubImage1D(GLenum, GLint, GLint, GLsizei, GLenum, GLenum, const void*) {}
