// The optional keys of shader and pass entries that bring shaders from
// elsewhere: a shader entry's "convention", and a pass entry's "channels",
// "format", "scale", "filter" and "depth". Without them an entry is what it always
// was.
//
// Main thread (the description's walk). Wrong kinds of value end the load
// with nlohmann::json::type_error, as every error of the description's form
// does (see DemoDescription.h); a channel that names nothing is only a
// warning, and reads black.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "render/PassSettings.h"
#include "render/SceneTextureOptions.h"
#include "render/ShaderConvention.h"

namespace demo {

// The shader entry's "convention" (`value`, at `path`): null when absent.
// Throws type_error for anything but a convention's name.
const ShaderConvention* descriptionConvention(const nlohmann::json& value, const std::string& path);

// The demo's "common" (`value`, at "common") as it applies to a shader entry
// of `convention` (null for none): a file name applies to every entry, an
// object of file names by convention name ("shadertoy": "common.glsl") to
// the entries of that convention. "" for none. Throws type_error for
// anything else.
std::string descriptionCommonPath(const nlohmann::json& value, const ShaderConvention* convention);

// A scene texture entry's optional "name" (a sampler name) and "vflip"
// (true or false), at `path`. Throws type_error for other values.
SceneTextureOptions descriptionTextureOptions(const nlohmann::json& texture, const std::string& path);

// The pass entry's optional keys (`pass`, an object at `path`). Absent keys
// keep their defaults. Throws type_error for a "format" or "filter" that is
// not one of its names, a "scale" outside 0.25 .. 1, a "depth" that is not
// true or false, "channels" that is not a list of at most four strings, or a
// "define" that is not a macro name. A string that is not a channel gives
// a black channel; `channelNames` receives the strings as written.
PassSettings descriptionPassSettings(nlohmann::json& pass, const std::string& path,
                                     std::vector<std::string>& channelNames);

// One pass of a scene as channelProblems needs it.
struct ScenePassChannels {
    std::string path;                  // the pass entry's place in the description
    std::vector<std::string> channels; // its "channels" as written
};

// One line for each channel of a scene's passes that names nothing a pass
// can read: not a channel at all, a pass that is not before its own, or a
// texture beyond the scene's `textureCount`. Each line names the channel by
// its place in the description and says that it reads black.
std::vector<std::string> channelProblems(const std::vector<ScenePassChannels>& passes, std::size_t textureCount);

} // namespace demo
