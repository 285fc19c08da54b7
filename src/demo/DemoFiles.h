// The files a demo reads, for packing it up (`demoplayer --print files`,
// which scripts/release asks): the description, the tune, the final pass,
// each shader entry's sources, each scene's images and the track files of
// the tracks it reads. Found by walking the description as the loader
// does, so a description the player refuses is refused here too, but
// nothing is built and no file besides the description is read. Pure; main
// thread.
#pragma once

#include <string>
#include <vector>

// The files every demo reads by their fixed names, beside demo.json.
constexpr const char* kDescriptionFile = "demo.json";
constexpr const char* kTuneFile = "tune.ogg";
constexpr const char* kFinalVertexFile = "test.vsh";
constexpr const char* kFinalFragmentFile = "AA.fsh";

// One file the demo reads.
struct DemoFile {
    std::string path;      // as the description names it, relative to the demo's folder
    std::string reader;    // what reads it, for a message: "the final pass", "an image of scene 2", ...
    bool optional = false; // read when it is there and harmless when not (the tracks
                           // "scene", "fft_sampling_index" and "fstr_val" read 0 without a file)
};

struct DemoFileList {
    std::string name;            // the demo's name
    std::vector<DemoFile> files; // each file once: demo.json, tune.ogg, test.vsh, AA.fsh, then
                                 // the description's files in its order, then the fixed tracks
};

namespace demo {

// The files of the demo described by `descriptionText` (the text of
// demo.json). Throws nlohmann::json::exception for a description the loader
// would refuse (see DemoDescription.h).
DemoFileList listDemoFiles(const std::string& descriptionText);

} // namespace demo
