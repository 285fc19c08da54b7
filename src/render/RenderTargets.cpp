// Making the render targets. Main thread, GL context current.
#include "render/RenderTargets.h"

RenderTargets::RenderTargets(int colourWidth, int colourHeight, int depthWidth, int depthHeight)
{
    colourTextures.reserve(kCount);
    for (size_t i = 0; i < kCount; ++i) {
        framebuffers[i] = GlName::generate(GlName::Kind::Framebuffer);
        depthRenderbuffers[i] = GlName::generate(GlName::Kind::Renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, depthRenderbuffers[i].get());
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT32, depthWidth, depthHeight);
        colourTextures.emplace_back(colourWidth, colourHeight, GL_RGBA);
    }
}
