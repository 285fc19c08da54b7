// Making the render targets. Main thread, GL context current; AppState owns
// what is made here.
#include "render/RenderTargets.h"

#include <memory>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "render/Texture.h"

void createRenderTargets()
{
    for (int i = 0; i < kRenderTargetCount; ++i) {
        glGenFramebuffers(1, &appState.framebuffers[i]);
        glGenRenderbuffers(1, &appState.depthRenderbuffers[i]);
        glBindRenderbuffer(GL_RENDERBUFFER, appState.depthRenderbuffers[i]);
        // The depth buffer takes the window size of this moment, the colour
        // texture the size recorded before the description loaded; they
        // differ when the description switched to full screen.
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT32, glutGet(GLUT_WINDOW_WIDTH),
                              glutGet(GLUT_WINDOW_HEIGHT));
        appState.colorTextures[i] = std::make_unique<Texture>(
            static_cast<int>(appState.windowWidth), static_cast<int>(appState.windowHeight), GL_RGBA);
    }
}
