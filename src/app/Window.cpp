// The window, its GL context and what its closing releases. Main thread; the toolkit owns the window and the context,
// and the window records when the context is there (platform_gl_context_record).
#include "app/Window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/ToolkitCallbacks.h"
#include "platform/gl_context.h"
#include "platform/platform.h"

void app::onToolkitError(const char* format, va_list arguments)
{
    char message[512];
    std::vsnprintf(message, sizeof message, format, arguments);
    std::cout.flush();
    // The toolkit's words, e.g. "failed to open display ''".
    if (std::strstr(message, "open display") != nullptr)
        std::fprintf(stderr,
                     "demoplayer: no display to open the window on (%s); play under a display server such as Xvfb "
                     "(xvfb-run demoplayer ...), or render the demo without one: demoplayer --export OUT\n",
                     message);
    else
        std::fprintf(stderr, "freeglut (demoplayer): %s\n", message);
    std::exit(1);
}

bool app::initWindow(const std::string& title, int width, int height)
{
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    if (width > 0 && height > 0)
        glutInitWindowSize(width, height);
    else
        glutInitWindowSize(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
    // A screen-sized window belongs at the screen's corner; without a window
    // manager to place it, the toolkit's default would leave an edge off screen.
    glutInitWindowPosition(0, 0);
    glutInitContextVersion(3, 1);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    // Closing the window returns from glutMainLoop like Esc and the end row
    // do, so main releases the audio and the process ends with status 0.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutCreateWindow(title.c_str());
    platform_gl_context_record(true);

    glewExperimental = GL_TRUE;
    glFinish();
    if (glewInit() != GLEW_OK) {
        std::cerr << "Unable to initialize GLEW ... exiting\n";
        return false;
    }
    // The swap-control extensions are reached through the extension loader.
    platform_swap_interval(1);
    platform_keep_gl_driver_loaded();

    app::attachWindowCallbacks();
    return true;
}

void app::showWindow(const WindowPlan& plan)
{
    if (plan.fullscreen) {
        glutFullScreen();
        glutSetCursor(GLUT_CURSOR_NONE);
    } else if (plan.width > 0 && plan.height > 0 &&
               (plan.width != glutGet(GLUT_WINDOW_WIDTH) || plan.height != glutGet(GLUT_WINDOW_HEIGHT))) {
        glutReshapeWindow(plan.width, plan.height);
    }
}

void app::onWindowClosed(AppState& run)
{
    // The toolkit makes the window's context current for this call; the GL
    // objects go now, while it still is.
    run.live.reset();
    run.releaseGlObjects();
    platform_gl_context_record(false);
}
