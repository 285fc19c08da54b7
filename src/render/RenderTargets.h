// The eight offscreen render targets that a scene's passes draw into.
//
// Main thread, GL context current, once at start-up after the description
// has loaded. The targets belong to AppState (framebuffers,
// depthRenderbuffers, colorTextures) and live for the whole process.
#pragma once

// Fills the three parallel arrays of AppState: for each target a framebuffer
// with nothing attached yet, a GL_DEPTH_COMPONENT32 renderbuffer of the
// window's current size, and a GL_RGBA16F colour texture of
// appState.windowWidth x appState.windowHeight (truncated). The last
// renderbuffer stays bound.
void createRenderTargets();
