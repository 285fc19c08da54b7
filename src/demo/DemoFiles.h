// The files a demo reads: their fixed names, and the list of them for
// packing a demo up (`demoplayer --print files`, which scripts/release
// asks): the description, the tune, the final pass, each shader entry's
// sources, each scene's images and the track files of
// the tracks it reads, and the files those shaders #include. Found by
// walking the description as the loader does, so a description the player
// refuses is refused here too, but nothing is built. Main thread.
#pragma once

#include <string>
#include <vector>

#include "render/ShaderSource.h"

namespace demo {

// The fixed names in a demo's folder, which every way of running a demo
// reads: the description, the music (unless the description names another
// file with "tune"), the final pass's two shaders, and the
// tracks that every frame reads, each in a file named after the tracks'
// base name (track NAME in sync_NAME.track).
inline constexpr const char* kDescriptionFile = "demo.json";
inline constexpr const char* kTuneFile = "tune.ogg";
inline constexpr const char* kFinalVertexFile = "test.vsh";
inline constexpr const char* kFinalFragmentFile = "AA.fsh";
inline constexpr const char* kTrackBaseName = "sync";
inline constexpr const char* kSceneTrack = "scene";
inline constexpr const char* kFftSamplingTrack = "fft_sampling_index";
inline constexpr const char* kFstrTrack = "fstr_val";

} // namespace demo

// One file the demo reads.
struct DemoFile {
    std::string path;          // as the description names it, relative to the demo's folder
    std::string reader;        // what reads it, for a message: "the final pass", "an image of scene 2", ...
    bool optional = false;     // read when it is there and harmless when not (the tracks
                               // "scene", "fft_sampling_index" and "fstr_val" read 0 without a file)
    bool shaderSource = false; // a shader file named by the description or the final pass,
                               // which may #include others
};

struct DemoFileList {
    std::string name;            // the demo's name
    std::vector<DemoFile> files; // each file once: demo.json, the tune, test.vsh, AA.fsh, then
                                 // the description's files in its order, then the fixed tracks,
                                 // then (addIncludedFiles) the files shaders include
};

namespace demo {

// The files of the demo described by `descriptionText` (the text of
// demo.json). Throws nlohmann::json::exception for a description the loader
// would refuse (see DemoDescription.h).
DemoFileList listDemoFiles(const std::string& descriptionText);

// Adds to `list` the files its shader sources #include (and those they
// include), as the shaders' builds read them, through `read`. A shader
// source that cannot be read adds nothing; an #include of a file that
// cannot be read adds that file, so that it is found missing.
void addIncludedFiles(DemoFileList& list, const ShaderSource::FileReader& read);

} // namespace demo
