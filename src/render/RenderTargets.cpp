// Making, growing and resizing the render targets. Main thread, GL context
// current.
#include "render/RenderTargets.h"

#include <algorithm>

RenderTargets::RenderTargets(int colourWidth, int colourHeight, int depthWidth, int depthHeight, int count)
    : colourWidth_(colourWidth), colourHeight_(colourHeight), depthWidth_(depthWidth), depthHeight_(depthHeight)
{
    addTargets(count);
}

void RenderTargets::fit(int width, int height, int passCount)
{
    const int wanted = std::max(count(), std::min(passCount, kCount));
    const bool sized = colourWidth_ == width && colourHeight_ == height && depthWidth_ == width &&
                       depthHeight_ == height;
    if (sized && wanted == count())
        return;
    if (!sized) {
        // Released before the new storage is made, so a resize never holds
        // two sets at once. The framebuffers have no storage and stay.
        colourTextures.clear();
        depthBuffer_.reset();
        colourWidth_ = depthWidth_ = width;
        colourHeight_ = depthHeight_ = height;
    }
    addTargets(wanted);
}

void RenderTargets::addTargets(int count)
{
    count = std::clamp(count, 0, kCount);
    colourTextures.reserve(static_cast<size_t>(count));
    for (size_t i = colourTextures.size(); i < static_cast<size_t>(count); ++i) {
        if (!framebuffers[i])
            framebuffers[i] = GlName::generate(GlName::Kind::Framebuffer);
        colourTextures.emplace_back(colourWidth_, colourHeight_, GL_RGBA);
    }
}

GLuint RenderTargets::depthBuffer()
{
    if (!depthBuffer_) {
        depthBuffer_ = GlName::generate(GlName::Kind::Renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_.get());
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT32, depthWidth_, depthHeight_);
    }
    return depthBuffer_.get();
}
