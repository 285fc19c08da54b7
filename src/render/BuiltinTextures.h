// The textures the player makes itself for shaders of the live-coding tool
// (ShaderConvention.h, "bonzomatic"): texNoise, texChecker and stand-ins for
// texTex1 .. texTex4 where the demo gives no texture of that name. Each is
// kSide x kSide 8-bit RGBA with repeat wrapping and linear filters:
// - noise: every texel's four channels independent white noise, the same in
//   every run (a hash of the texel's place);
// - checker: black and white squares of kCheckerSquare pixels;
// - stand-in N: a colour ramp (red rising with s, green with t) with a grid line every
//   32 pixels whose colour tells N apart (1 white, 2 red, 3 green, 4 blue).
// And a keyboard with no key down, for a "keyboard" channel where no keys
// arrive (an export).
//
// Main thread, GL context current. Owns its GL textures (GlName), each made
// when first asked for. Move-only.
#pragma once

#include <array>
#include <vector>

#include "render/GlName.h"
#include "render/KeyboardTexture.h"

class BuiltinTextures {
public:
    static constexpr int kSide = 256;
    static constexpr int kCheckerSquare = 32;
    static constexpr int kStandIns = 4;

    GLuint noise();
    GLuint checker();
    // Stand-in `number` (1 .. kStandIns); 0 for any other number.
    GLuint standIn(int number);
    // A KeyboardTexture that no key reaches: all zero.
    GLuint noKeys();

private:
    GlName noise_;
    GlName checker_;
    std::array<GlName, kStandIns> standIns_;
    KeyboardTexture noKeys_;
};

namespace render {

// The pixels of those textures (top row first, kSide x kSide RGBA), for the
// textures and for tests.
std::vector<unsigned char> builtinNoisePixels();
std::vector<unsigned char> builtinCheckerPixels();
std::vector<unsigned char> builtinStandInPixels(int number);

} // namespace render
