// KeyboardTexture: the keyboard as the shader sites give it to a channel
// ("keyboard"): kKeys x kRows single-channel bytes, indexed by the key's
// JavaScript key code (letters 65-90, digits 48-57, arrows 37-40, space
// 32, ...); row 0 holds 255 while the key is held, row 1 in the first frame
// drawn after it went down, row 2 flips between 0 and 255 at every press.
// A key that repeats while held (the system's auto-repeat) is not pressed
// again.
//
// The run feeds it the keys the player does not take itself; a frame's
// passes read it through PassInputs (SceneFrame.h). Main thread; the GL
// calls with the context current. Owns its texture (GlName), made at the
// first upload. Move-only.
#pragma once

#include <array>
#include <cstdint>

#include "render/GlName.h"

class KeyboardTexture {
public:
    static constexpr int kKeys = 256;
    static constexpr int kRows = 3;
    enum class Row { Held = 0, Pressed = 1, Toggled = 2 };

    // Key `keyCode` went down; codes outside 1..kKeys-1 are ignored.
    void press(int keyCode);
    // Key `keyCode` went up.
    void release(int keyCode);
    // A frame was drawn: no key is "pressed this frame" any more.
    void endFrame();

    // The byte of `row` for `keyCode` (0 outside the texture).
    uint8_t texel(int keyCode, Row row) const;

    // Puts the keys into the texture when they changed since the last
    // upload (makes it at the first). Before the first pass that reads it.
    void upload();
    // The texture; 0 before the first upload.
    GLuint texture() const { return texture_.get(); }

private:
    uint8_t& at(int keyCode, Row row) { return texels_[static_cast<std::size_t>(row) * kKeys + keyCode]; }

    std::array<uint8_t, kKeys* kRows> texels_ = {}; // row 0 first
    bool changed_ = true;                           // since the last upload
    GlName texture_;
};
