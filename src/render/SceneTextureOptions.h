// How a scene reads one of its image textures beyond its place in the
// scene's list: the optional keys of a texture entry in the description.
//
// Plain values; any thread.
#pragma once

#include <optional>
#include <string>

struct SceneTextureOptions {
    std::string name;          // "" or a sampler name that reads it in every pass ("texAmiga")
    std::optional<bool> vflip; // upright (true) or as loaded (false); unset: the reading convention's way
};
