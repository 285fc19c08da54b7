// The record of the current GL context and its size limits (see
// gl_context.h). The record is one per thread, as GL's own, and the same on
// every system. Any thread.
#include "platform/gl_context.h"

#include <algorithm>

#include <GL/glew.h>

namespace {

thread_local bool contextCurrent = false;

} // namespace

bool platform_gl_context_current()
{
    return contextCurrent;
}

void platform_gl_context_record(bool current)
{
    contextCurrent = current;
}

std::string platform_gl_size_problem(int width, int height)
{
    GLint texture = 0;
    GLint renderbuffer = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    const int maxWidth = std::min({texture, renderbuffer, viewport[0]});
    const int maxHeight = std::min({texture, renderbuffer, viewport[1]});
    if (width <= maxWidth && height <= maxHeight)
        return "";
    return platform_gl_size_beyond(width, height, maxWidth, maxHeight);
}

std::string platform_gl_size_beyond(int width, int height, int maxWidth, int maxHeight)
{
    return "size " + std::to_string(width) + "x" + std::to_string(height) +
           " is larger than the GL implementation allows (" + std::to_string(maxWidth) + "x" +
           std::to_string(maxHeight) + ")";
}
