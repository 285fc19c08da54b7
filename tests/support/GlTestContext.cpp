// The test processes' GL context and pixel read-backs. Main thread; the
// window is never closed.
#include "GlTestContext.h"

#include <cstdio>
#include <cstdlib>

#include <GL/freeglut.h>

#include "platform/gl_context.h"
#include "platform/platform.h"

namespace gltest {
namespace {

// Tests draw and read back themselves; the toolkit's redraws do nothing.
void onDisplayNothing() {}

} // namespace

void ensureGlContext()
{
    static int window = 0;
    if (window != 0) {
        glutSetWindow(window);
        return;
    }

    int argc = 1;
    char name[] = "gl_tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutInitContextVersion(3, 1);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    window = glutCreateWindow(name);
    platform_gl_context_record(true);
    glutDisplayFunc(onDisplayNothing);

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fputs("GlTestContext: GLEW could not be initialised\n", stderr);
        std::abort();
    }
    platform_keep_gl_driver_loaded();
    glutMainLoopEvent();
    clearGlErrors();
}

void clearGlErrors()
{
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

glm::vec4 readFramebufferPixel(GLuint framebuffer, int x, int y)
{
    glm::vec4 pixel(0.0f);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, &pixel[0]);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    return pixel;
}

glm::ivec4 readWindowPixel(int x, int y)
{
    unsigned char pixel[4] = {0, 0, 0, 0};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return glm::ivec4(pixel[0], pixel[1], pixel[2], pixel[3]);
}

bool windowHasAlpha()
{
    GLint bound = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &bound);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    GLint alphaBits = 0;
    glGetFramebufferAttachmentParameteriv(GL_READ_FRAMEBUFFER, GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE,
                                          &alphaBits);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(bound));
    return alphaBits > 0;
}

} // namespace gltest
