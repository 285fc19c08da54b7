// The toolkit's callbacks, each forwarding to the run's work. Main thread.
#include "app/ToolkitCallbacks.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/EditMode.h"
#include "app/FrameLoop.h"
#include "app/Keyboard.h"
#include "app/LiveMode.h"
#include "app/Window.h"

namespace {

// The run the callbacks serve; null while none is attached.
AppState* servedRun = nullptr;

void display()
{
    if (servedRun != nullptr)
        app::onDisplay(*servedRun);
}

void idle()
{
    glutPostRedisplay();
}

// The scene passes set the viewports they need.
void reshape(int, int) {}

void windowClosed()
{
    if (servedRun != nullptr)
        app::onWindowClosed(*servedRun);
}

void keyboard(unsigned char key, int, int)
{
    if (servedRun != nullptr)
        app::onKeyboard(*servedRun, key);
}

void specialKey(int key, int, int)
{
    if (servedRun != nullptr)
        app::onSpecialKey(*servedRun, key);
}

void liveMouseButton(int button, int state, int x, int y)
{
    if (servedRun != nullptr)
        app::onLiveMouseButton(*servedRun, button, state, x, y);
}

void liveMouseMotion(int x, int y)
{
    if (servedRun != nullptr)
        app::onLiveMouseMotion(*servedRun, x, y);
}

void editorMouse(int button, int state, int x, int y)
{
    if (servedRun != nullptr)
        app::onEditorMouse(*servedRun, button, state, x, y);
}

void editorMotion(int x, int y)
{
    if (servedRun != nullptr)
        app::onEditorMotion(*servedRun, x, y);
}

void editorWheel(int wheel, int direction, int x, int y)
{
    if (servedRun != nullptr)
        app::onEditorWheel(*servedRun, wheel, direction, x, y);
}

// A key going up: the keyboard channel's, and the editor's when it is open
// (whichever attaches first, both get it).
void keyUp(unsigned char key, int x, int y)
{
    if (servedRun == nullptr)
        return;
    app::onKeyboardUp(*servedRun, key);
    app::onEditorKeyUp(*servedRun, key, x, y);
}

void specialKeyUp(int key, int x, int y)
{
    if (servedRun == nullptr)
        return;
    app::onSpecialKeyUp(*servedRun, key);
    app::onEditorSpecialUp(*servedRun, key, x, y);
}

void editorWindowClosed()
{
    if (servedRun != nullptr)
        app::onEditorWindowClosed(*servedRun);
}

} // namespace

app::AttachedRun::AttachedRun(AppState& run)
{
    servedRun = &run;
}

app::AttachedRun::~AttachedRun()
{
    if (glutGetWindow() != 0)
        glutDestroyWindow(glutGetWindow());
    servedRun = nullptr;
}

void app::attachWindowCallbacks()
{
    glutCloseFunc(windowClosed);
    glutReshapeFunc(reshape);
    glutIdleFunc(idle);
    glutDisplayFunc(display);
}

void app::attachKeyCallbacks(bool live)
{
    glutKeyboardFunc(keyboard);
    glutKeyboardUpFunc(keyUp);
    glutSpecialFunc(specialKey);
    glutSpecialUpFunc(specialKeyUp);
    if (!live)
        return;
    glutMouseFunc(liveMouseButton);
    glutMotionFunc(liveMouseMotion);
    glutPassiveMotionFunc(liveMouseMotion);
}

void app::attachEditorCallbacks()
{
    glutKeyboardUpFunc(keyUp);
    glutSpecialUpFunc(specialKeyUp);
    glutMouseFunc(editorMouse);
    glutMotionFunc(editorMotion);
    glutPassiveMotionFunc(editorMotion);
    glutMouseWheelFunc(editorWheel);
    glutCloseFunc(editorWindowClosed);
}
