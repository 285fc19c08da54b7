// Which texture unit each sampler of a scene's pass is bound to: the outputs
// of the passes before it (or what its "channels" name), the scene's
// textures, and the first unit free for what the pass adds beyond those (the
// spectrum, a convention's textures).
//
// The units of the scene's textures run on from pass to pass over a frame:
// pass i's textures start after every unit the passes before it counted
// (their earlier-pass channels and their textures), so a scene's texture k
// sits on a different unit in every pass. Nothing is ever bound to unit 0
// beyond the first pass's defaults, so a sampler that nothing sets (pointing
// at unit 0) reads pass 0's output or nothing.
//
// Pure; any thread.
#pragma once

#include <vector>

// What decides a pass's units.
struct PassUnitRequest {
    int passIndex = 0;               // the pass's place in its scene
    int textureCount = 0;            // the scene's textures (tex0, tex1, ...)
    bool hasProgram = true;          // false: the pass draws nothing, but its units stay counted
    bool hasChannels = false;        // its "channels" name what its iChannels read
    int channelCount = 0;            // how many they name
    bool conventionChannels = false; // a convention's iChannel0..3 without an earlier pass read black
};

struct PassUnitPlan {
    static constexpr int kNone = -1;
    static constexpr int kMaxChannels = 4; // iChannel0 .. iChannel3 beyond the earlier passes

    std::vector<int> channelUnits; // iChannelN's unit, or kNone where nothing is bound
    std::vector<int> textureUnits; // texN's unit
    int firstFreeUnit = 1;         // where the pass's further samplers go, one unit each
    int unitsCounted = 0;          // the running count the next pass of the scene starts from
};

namespace render {

// The units of the pass `request` describes, when the scene's passes before
// it counted `unitsBefore` units (0 for the first pass).
PassUnitPlan planPassUnits(const PassUnitRequest& request, int unitsBefore);

} // namespace render
