// The eight offscreen render targets that a scene's passes draw into: pass k
// draws into target k, and later passes read its colour texture.
//
// Main thread, GL context current. RenderTargets owns, per target, a
// framebuffer, a depth renderbuffer and a colour texture, and deletes them
// when it goes away (move-only). Nothing is attached to the framebuffers
// here: the scene attaches them before each pass. To follow a new window
// size, make a new RenderTargets.
#pragma once

#include <array>
#include <vector>

#include "render/GlName.h"
#include "render/Texture.h"

class RenderTargets {
public:
    static constexpr int kCount = 8;

    // For each target: a framebuffer, a GL_DEPTH_COMPONENT32 renderbuffer of
    // depthWidth x depthHeight and a GL_RGBA16F colour texture of
    // colourWidth x colourHeight. The last renderbuffer stays bound.
    RenderTargets(int colourWidth, int colourHeight, int depthWidth, int depthHeight);

    GLuint framebuffer(int target) const { return framebuffers[static_cast<size_t>(target)].get(); }
    GLuint depthRenderbuffer(int target) const { return depthRenderbuffers[static_cast<size_t>(target)].get(); }
    GLuint colourTexture(int target) const { return colourTextures[static_cast<size_t>(target)].getId(); }

private:
    std::array<GlName, kCount> framebuffers;
    std::array<GlName, kCount> depthRenderbuffers;
    std::vector<Texture> colourTextures; // kCount, in target order
};
