// HeadlessGl on Windows: WGL with a pbuffer as the drawable. WGL loads its
// extensions only through a context on a window's device context, so a
// window that is never shown lends one to a helper context; the export's own
// context then draws into a pbuffer of the requested size, which no screen
// limits, covers or scales.
#include "platform/headless_gl.h"
#include "platform/gl_context.h"

#include <windows.h>

#include <GL/glew.h>
#include <GL/wglew.h>

#include <algorithm>
#include <cstdio>

namespace {

// What a context on a pbuffer takes, made in this order.
struct WglObjects {
    HWND window = nullptr;         // hidden, for the helper context
    HDC windowDc = nullptr;        // the window's, for the pixel-format calls
    HGLRC helperContext = nullptr; // a plain context that loads WGL's extensions
    HPBUFFERARB pbuffer = nullptr; // the drawable
    HDC pbufferDc = nullptr;       // the pbuffer's device context
    HGLRC context = nullptr;       // the export's context, on the pbuffer
};

} // namespace

struct HeadlessGl::Handles : WglObjects {};

static const wchar_t kWindowClass[] = L"demoplayer headless GL";

static std::string windowsProblem(const char* what)
{
    char code[16];
    std::snprintf(code, sizeof code, "%lu", static_cast<unsigned long>(GetLastError()));
    return std::string(what) + " (Windows error " + code + ")";
}

// Releases whatever of `handles` exists, the current context first.
static void release(WglObjects& handles)
{
    wglMakeCurrent(nullptr, nullptr);
    if (handles.context != nullptr)
        wglDeleteContext(handles.context);
    if (handles.pbufferDc != nullptr)
        wglReleasePbufferDCARB(handles.pbuffer, handles.pbufferDc);
    if (handles.pbuffer != nullptr)
        wglDestroyPbufferARB(handles.pbuffer);
    if (handles.helperContext != nullptr)
        wglDeleteContext(handles.helperContext);
    if (handles.windowDc != nullptr)
        ReleaseDC(handles.window, handles.windowDc);
    if (handles.window != nullptr)
        DestroyWindow(handles.window);
    handles = WglObjects();
}

// The hidden window with a plain GL context current on it, and WGL's
// extensions loaded. False with `problem` set.
static bool openHelper(WglObjects& handles, std::string& problem)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        problem = windowsProblem("no window class for the GL context");
        return false;
    }
    handles.window = CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    if (handles.window == nullptr) {
        problem = windowsProblem("no window for the GL context");
        return false;
    }
    handles.windowDc = GetDC(handles.window);
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cDepthBits = 24;
    format.iLayerType = PFD_MAIN_PLANE;
    const int chosen = handles.windowDc != nullptr ? ChoosePixelFormat(handles.windowDc, &format) : 0;
    if (chosen == 0 || !SetPixelFormat(handles.windowDc, chosen, &format)) {
        problem = windowsProblem("no OpenGL pixel format");
        return false;
    }
    handles.helperContext = wglCreateContext(handles.windowDc);
    if (handles.helperContext == nullptr || !wglMakeCurrent(handles.windowDc, handles.helperContext)) {
        problem = windowsProblem("no OpenGL context");
        return false;
    }
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        problem = "the GL entry points cannot be loaded";
        return false;
    }
    if (!WGLEW_ARB_pixel_format || !WGLEW_ARB_pbuffer || !WGLEW_ARB_create_context ||
        !WGLEW_ARB_create_context_profile) {
        problem = "the GL driver offers no offscreen drawable (WGL_ARB_pbuffer) or no core-profile context";
        return false;
    }
    return true;
}

// The largest pbuffer of `format`: width, height and pixels (0 where the
// driver does not say). A driver that names no width or height (Wine's on
// some GLX implementations) gets the current context's largest texture and
// viewport instead.
static void pbufferLimits(HDC dc, int format, int limits[3])
{
    const int names[] = {WGL_MAX_PBUFFER_WIDTH_ARB, WGL_MAX_PBUFFER_HEIGHT_ARB, WGL_MAX_PBUFFER_PIXELS_ARB};
    if (!wglGetPixelFormatAttribivARB(dc, format, 0, 3, names, limits))
        limits[0] = limits[1] = limits[2] = 0;
    if (limits[0] > 0 && limits[1] > 0)
        return;
    GLint texture = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    limits[0] = std::min(texture, viewport[0]);
    limits[1] = std::min(texture, viewport[1]);
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
    auto handles = std::make_unique<Handles>();
    auto fail = [&](const std::string& reason) {
        problem = reason;
        release(*handles);
        return false;
    };
    if (!openHelper(*handles, problem))
        return fail(problem);

    // No alpha asked for: the frames are exported without it, and under Wine
    // on a 24-bit X screen a pbuffer with alpha cannot be drawn into.
    const int formatAttributes[] = {WGL_DRAW_TO_PBUFFER_ARB,
                                    GL_TRUE,
                                    WGL_SUPPORT_OPENGL_ARB,
                                    GL_TRUE,
                                    WGL_PIXEL_TYPE_ARB,
                                    WGL_TYPE_RGBA_ARB,
                                    WGL_RED_BITS_ARB,
                                    8,
                                    WGL_GREEN_BITS_ARB,
                                    8,
                                    WGL_BLUE_BITS_ARB,
                                    8,
                                    WGL_DEPTH_BITS_ARB,
                                    24,
                                    0};
    int format = 0;
    UINT formatCount = 0;
    if (!wglChoosePixelFormatARB(handles->windowDc, formatAttributes, nullptr, 1, &format, &formatCount) ||
        formatCount < 1)
        return fail("no 8-bit RGB pbuffer format with a depth buffer for OpenGL");

    int limits[3] = {0, 0, 0}; // width, height, pixels; 0 where unknown
    pbufferLimits(handles->windowDc, format, limits);
    const long long pixels = static_cast<long long>(width) * height;
    sizeRefused_ = width > limits[0] || height > limits[1] || (limits[2] > 0 && pixels > limits[2]);
    if (sizeRefused_)
        return fail(platform_gl_size_beyond(width, height, limits[0], limits[1]));

    const int pbufferAttributes[] = {0};
    handles->pbuffer = wglCreatePbufferARB(handles->windowDc, format, width, height, pbufferAttributes);
    if (handles->pbuffer == nullptr)
        return fail(windowsProblem("the drawable cannot be created"));
    handles->pbufferDc = wglGetPbufferDCARB(handles->pbuffer);
    if (handles->pbufferDc == nullptr)
        return fail(windowsProblem("the drawable has no device context"));

    const int contextAttributes[] = {
        WGL_CONTEXT_MAJOR_VERSION_ARB,    3, WGL_CONTEXT_MINOR_VERSION_ARB, 3, WGL_CONTEXT_PROFILE_MASK_ARB,
        WGL_CONTEXT_CORE_PROFILE_BIT_ARB, 0};
    handles->context = wglCreateContextAttribsARB(handles->pbufferDc, nullptr, contextAttributes);
    if (handles->context == nullptr)
        return fail(windowsProblem("no OpenGL 3.3 core-profile context"));
    if (!wglMakeCurrent(handles->pbufferDc, handles->context))
        return fail(windowsProblem("the context cannot be made current"));
    // The helper has done its work; the window stays until close(), as the
    // pbuffer was made through its device context.
    wglDeleteContext(handles->helperContext);
    handles->helperContext = nullptr;

    // The core context's entry points, which may differ from the helper's.
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
        return fail("the GL entry points cannot be loaded");
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
    release(*handles_);
    handles_.reset();
    width_ = 0;
    height_ = 0;
}
