// A GL context that needs no window on screen and, on Linux, no display: a
// drawable of the size asked for, independent of any screen. Exports render
// into it on servers and build machines without X. On Linux it comes from
// EGL's surfaceless platform (Mesa's, which renders in software when there
// is no GPU), with a pbuffer as the drawable; on Windows from WGL, with a
// pbuffer likewise (a hidden window only lends its device context while the
// context is made).
//
// The context is GL 3.3 or later, core profile, with a depth buffer. Its
// drawable is framebuffer 0, as a window's would be, so code that draws into
// "the window" draws into it unchanged. GL entry points are loaded through
// GLEW once the context is current.
//
// The HeadlessGl owns the display connection (or hidden window), drawable
// and context and releases them when closed or destroyed. Call it from the
// thread that uses the context. Non-copyable.
#pragma once

#include <memory>
#include <string>

class HeadlessGl {
public:
    HeadlessGl();
    ~HeadlessGl();
    HeadlessGl(const HeadlessGl&) = delete;
    HeadlessGl& operator=(const HeadlessGl&) = delete;

    // Creates the context with a width x height drawable and makes it current
    // on the calling thread. False with `problem` set when the system's GL
    // has no offscreen drawables or no fitting configuration, or the size is
    // larger than the implementation's drawables can be.
    bool open(int width, int height, std::string& problem);
    // Releases the context (no longer current afterwards). Idempotent.
    void close();

    bool isOpen() const;
    // Whether the last open() failed because the size is larger than the
    // implementation allows (a wrong request rather than a missing facility).
    bool sizeRefused() const { return sizeRefused_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    int width_ = 0;
    int height_ = 0;
    bool sizeRefused_ = false;
};
