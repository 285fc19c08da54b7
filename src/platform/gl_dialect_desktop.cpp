// The GL dialect of desktop OpenGL 3 (Linux, Windows): see gl_dialect.h.
#include "platform/gl_dialect.h"

#include <GL/glew.h>

bool platform_gl_is_es()
{
    return false;
}

unsigned platform_gl_depth_format()
{
    return GL_DEPTH_COMPONENT32;
}

bool platform_gl_renders_to_float()
{
    return true; // core in OpenGL 3.0
}
