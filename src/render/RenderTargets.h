// The offscreen render targets that a scene's passes draw into: pass k
// draws into target k, and later passes read its colour texture.
//
// Main thread, GL context current. RenderTargets owns, per target, a
// framebuffer and a colour texture, and one depth renderbuffer that all
// targets share, and deletes them when it goes away (move-only). Only the
// targets that the demo's scenes reach are made (at most kCount); fit()
// follows a new window size and adds targets a longer scene needs. Nothing
// is attached to the framebuffers here: the scene attaches them before each
// pass.
//
// One depth buffer serves every target because each pass clears depth before
// its draw and nothing reads a pass's depth after it: the depth test within a
// pass behaves as with a buffer of its own, at a fraction of the memory. It
// is made only when a pass first needs depth (see PassDrawing.h): most
// demos never do, and save its 4 bytes per pixel.
#pragma once

#include <array>
#include <vector>

#include "render/GlName.h"
#include "render/Texture.h"

class RenderTargets {
public:
    static constexpr int kCount = 8;

    // `count` targets (0 .. kCount): for each a framebuffer and a GL_RGBA16F
    // colour texture of colourWidth x colourHeight. The shared
    // GL_DEPTH_COMPONENT32 renderbuffer of depthWidth x depthHeight waits
    // for depthBuffer().
    RenderTargets(int colourWidth, int colourHeight, int depthWidth, int depthHeight, int count = kCount);

    // Makes the targets ready for a scene of `passCount` passes in a window of
    // width x height: when the colour or depth size differs, every target's
    // storage is made again at that size (the old storage goes first); targets
    // up to passCount (at most kCount) that do not exist yet are added.
    void fit(int width, int height, int passCount);

    // How many targets exist: targets 0 .. count() - 1.
    int count() const { return static_cast<int>(colourTextures.size()); }
    int colourWidth() const { return colourWidth_; }
    int colourHeight() const { return colourHeight_; }

    // For target 0 .. count() - 1.
    GLuint framebuffer(int target) const { return framebuffers[static_cast<size_t>(target)].get(); }
    // The shared depth buffer, 0 while no pass has needed one.
    GLuint depthRenderbuffer(int /*target*/) const { return depthBuffer_.get(); }
    // The shared depth buffer at the depth size, made when missing (it then stays bound).
    GLuint depthBuffer();
    GLuint colourTexture(int target) const { return colourTextures[static_cast<size_t>(target)].getId(); }

private:
    // Adds targets up to `count`, at the recorded size.
    void addTargets(int count);

    std::array<GlName, kCount> framebuffers;
    GlName depthBuffer_;                 // shared by every target; made at first need
    std::vector<Texture> colourTextures; // count(), in target order
    int colourWidth_ = 0;                // pixels
    int colourHeight_ = 0;
    int depthWidth_ = 0;
    int depthHeight_ = 0;
};
