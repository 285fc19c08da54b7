// How a pass draws into its target beyond its shader: whether it gets a
// depth buffer (attached, cleared and tested) and whether its target is
// cleared before the draw. A pass quad drawn with blending off over a target
// it covers entirely leaves nothing of what the target held, so a clear
// there is a full-target write nobody sees; and a depth buffer cleared to 1
// changes nothing for one quad whose fragments keep their depth below it:
// the player's quad, unless the fragment shader writes gl_FragDepth.
//
// Pure functions of shader texts and settings; any thread.
#pragma once

#include <string>

// What a program's sources say about how it draws.
struct PassSourceFacts {
    bool writesFragDepth = true; // the fragment shader writes gl_FragDepth
    bool discards = true;        // the fragment shader may leave pixels undrawn
    bool coversTarget = false;   // the vertex shader places the pass quad as the player does: over the whole
                                 // target, nearer than the far plane
};

// What a pass does around its draw.
struct PassDrawing {
    bool depth = true; // a depth buffer attached, cleared and tested
    bool clear = true; // the colour target cleared to transparent black first
};

namespace render {

// The facts of a program built from `vertexSource` and `fragmentSource` (the
// texts the compiler was given). Comments do not count; anything the reading
// cannot be sure of counts as the costlier answer.
PassSourceFacts passSourceFacts(const std::string& vertexSource, const std::string& fragmentSource);

// The drawing of a pass whose program has `facts`, that asks for depth
// itself (`asksForDepth`, its "depth" key) and that reads its own previous
// output (`feedback`): feedback targets keep their clears.
PassDrawing passDrawing(const PassSourceFacts& facts, bool asksForDepth, bool feedback);

} // namespace render
