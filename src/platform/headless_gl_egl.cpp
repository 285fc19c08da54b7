// HeadlessGl on EGL's surfaceless platform, with a pbuffer as the drawable.
#include "platform/headless_gl.h"

#include <GL/glew.h>
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

#include "platform/gl_context.h"
#include "platform/platform.h"

struct HeadlessGl::Handles {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
};

static bool hasExtension(const char* list, const char* name)
{
    if (list == nullptr)
        return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + length, name)) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

static std::string eglProblem(const char* what)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%04x", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " (EGL error " + code + ")";
}

HeadlessGl::HeadlessGl() = default;

HeadlessGl::~HeadlessGl()
{
    close();
}

bool HeadlessGl::isOpen() const
{
    return handles_ != nullptr;
}

bool HeadlessGl::open(int width, int height, std::string& problem)
{
    close();
    sizeRefused_ = false;
    if (width < 1 || height < 1) {
        sizeRefused_ = true;
        problem = "the size must be at least 1x1";
        return false;
    }
    if (!hasExtension(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), "EGL_MESA_platform_surfaceless")) {
        problem = "EGL has no surfaceless platform (Mesa's EGL is needed)";
        return false;
    }
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) {
        problem = "EGL cannot open platform displays";
        return false;
    }

    auto handles = std::make_unique<Handles>();
    handles->display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0;
    EGLint minor = 0;
    if (handles->display == EGL_NO_DISPLAY || !eglInitialize(handles->display, &major, &minor)) {
        problem = eglProblem("EGL's surfaceless platform cannot be initialised");
        return false;
    }
    // The driver is loaded now. Keep it loaded after the display is gone, so
    // that what it leaves behind can still be traced to it.
    platform_keep_gl_driver_loaded();
    // From here on a failure must terminate the display again.
    auto fail = [&](const std::string& reason) {
        problem = reason;
        if (handles->context != EGL_NO_CONTEXT)
            eglDestroyContext(handles->display, handles->context);
        if (handles->surface != EGL_NO_SURFACE)
            eglDestroySurface(handles->display, handles->surface);
        eglTerminate(handles->display);
        return false;
    };

    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_ALPHA_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       24,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(handles->display, configAttributes, &config, 1, &configCount) || configCount < 1)
        return fail(eglProblem("no 8-bit RGBA configuration with a depth buffer for OpenGL"));

    EGLint maxWidth = 0;
    EGLint maxHeight = 0;
    eglGetConfigAttrib(handles->display, config, EGL_MAX_PBUFFER_WIDTH, &maxWidth);
    eglGetConfigAttrib(handles->display, config, EGL_MAX_PBUFFER_HEIGHT, &maxHeight);
    sizeRefused_ = width > maxWidth || height > maxHeight;
    if (sizeRefused_)
        return fail(platform_gl_size_beyond(width, height, maxWidth, maxHeight));

    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    handles->surface = eglCreatePbufferSurface(handles->display, config, surfaceAttributes);
    if (handles->surface == EGL_NO_SURFACE)
        return fail(eglProblem("the drawable cannot be created"));

    if (!eglBindAPI(EGL_OPENGL_API))
        return fail(eglProblem("EGL offers no desktop OpenGL"));
    const EGLint contextAttributes[] = {
        EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    handles->context = eglCreateContext(handles->display, config, EGL_NO_CONTEXT, contextAttributes);
    if (handles->context == EGL_NO_CONTEXT)
        return fail(eglProblem("no OpenGL 3.3 core-profile context"));
    if (!eglMakeCurrent(handles->display, handles->surface, handles->surface, handles->context))
        return fail(eglProblem("the context cannot be made current"));

    // GLEW's GLX build loads the GL entry points first, then looks for an X
    // display for the GLX extensions; with EGL there is none, which is fine.
    glewExperimental = GL_TRUE;
    const GLenum loaded = glewInit();
    if (loaded != GLEW_OK && loaded != GLEW_ERROR_NO_GLX_DISPLAY) {
        eglMakeCurrent(handles->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        return fail("the GL entry points cannot be loaded");
    }
    while (glGetError() != GL_NO_ERROR) {
        // GLEW's probing on a core profile leaves errors behind; start clean.
    }

    handles_ = std::move(handles);
    width_ = width;
    height_ = height;
    platform_gl_context_record(true);
    return true;
}

void HeadlessGl::close()
{
    if (!handles_)
        return;
    platform_gl_context_record(false);
    eglMakeCurrent(handles_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(handles_->display, handles_->context);
    eglDestroySurface(handles_->display, handles_->surface);
    eglTerminate(handles_->display);
    handles_.reset();
    width_ = 0;
    height_ = 0;
}
