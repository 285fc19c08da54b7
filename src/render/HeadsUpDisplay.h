// HeadsUpDisplay: a few lines of text drawn over the picture, in the window's
// top left corner on a dark box, so they read on any picture: live mode's
// row, time, scene and frame rate, the latest reload, and build errors.
//
// Text is drawn with stb_easy_font's small bitmap font (printable ASCII;
// anything else shows as '?'), scaled by whole pixels for large windows.
// Drawing leaves the GL state as it found it (program, vertex array, buffer,
// blending, depth test, viewport), so the frames around it see no difference.
//
// Main thread, GL context current. Owns its program, vertex array and buffer
// (see GlName). Non-copyable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "render/GlName.h"
#include "render/ShaderProgram.h"

struct HudLine {
    std::string text;
    uint8_t red = 255, green = 255, blue = 255; // the text's colour
};

class HeadsUpDisplay {
public:
    HeadsUpDisplay() = default;
    HeadsUpDisplay(const HeadsUpDisplay&) = delete;
    HeadsUpDisplay& operator=(const HeadsUpDisplay&) = delete;

    // Draws `lines` into the framebuffer bound now, in its rectangle of
    // `width` x `height` pixels at (x, y) (the whole of it by default). The
    // GL objects are made at the first call. Nothing is drawn for no lines
    // or an empty rectangle.
    void draw(const std::vector<HudLine>& lines, int width, int height, int x = 0, int y = 0);

    // Pixels per font unit for a window `height` pixels high: 1, or more on large windows.
    static int scaleFor(int height);

private:
    bool makeObjects();

    ShaderProgram program_;
    GlName vertexArray_;
    GlName buffer_;
    bool failed_ = false; // the program could not be made; draw nothing
};
