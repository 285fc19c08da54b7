// The test processes' GL context and pixel read-backs. Main thread; the
// window is never closed.
#include "GlTestContext.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <link.h>

#include <GL/freeglut.h>

namespace gltest {
namespace {

// Tests draw and read back themselves; the toolkit's redraws do nothing.
void onDisplayNothing() {}

// Keeps a loaded Mesa DRI driver mapped until the process ends. Otherwise it
// is unloaded before LeakSanitizer's check at exit, its frames lose their
// module name and the driver's own allocations cannot be suppressed by name.
int pinDriverModule(dl_phdr_info* info, size_t, void*)
{
    if (info->dlpi_name != nullptr && std::strstr(info->dlpi_name, "_dri.so") != nullptr)
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

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
    glutDisplayFunc(onDisplayNothing);

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fputs("GlTestContext: GLEW could not be initialised\n", stderr);
        std::abort();
    }
    dl_iterate_phdr(pinDriverModule, nullptr);
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

} // namespace gltest
