// Process entry of the demo player: the start-up steps in their order, the
// toolkit's main loop, and the shutdown. Run in a demo's folder; the command
// line goes to the toolkit unchanged. Exit status 0 after Esc, the end row or
// a closed window; 1 when the GL entry points cannot be loaded or the
// description fails to load.
#include <cstdio>
#include <iostream>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/DemoSetup.h"
#include "app/Keyboard.h"
#include "app/Window.h"
#include "platform/platform.h"

int main(int argc, char** argv)
{
    // Every line of the account goes out as it is written, so whatever ends
    // the process, its output shows how far it got.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    glutInit(&argc, argv);
    platform_console_open(appState.console);

    if (!initWindow())
        return 1;
    if (!initDemo()) {
        releaseMusic();
        return 1;
    }
    initAntiAliasProgram();
    glutKeyboardFunc(onKeyboard);
    std::cout << "----------------\n";
    glDisable(GL_CULL_FACE);
    initQuadMeshes();

    glutMainLoop();

    releaseMusic();
    return 0;
}
