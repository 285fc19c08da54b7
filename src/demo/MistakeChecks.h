// Start-up warnings about mistakes that would otherwise pass in silence: a
// parameter without a track file or that no shader declares, a track file
// that nothing reads, a scene track pointing past the last scene, keys
// beyond the tune's end, a tune that ends before the demo does or plays on
// long after it, and uniforms that the player does not set as a shader
// declares them (see render/UniformContract.h).
//
// The checks are pure functions of what start-up has gathered (DemoFacts),
// so they run without GL, audio or files. Each warning is one line for
// standard error that names the file it is about. None of them is fatal.
// Main thread.
#pragma once

#include <string>
#include <vector>

#include "demo/DemoTiming.h"
#include "render/UniformContract.h"

// One shader entry of the description, as the checks see it.
struct ShaderFacts {
    std::string vertexPath;
    std::string fragmentPath;
    std::string vertexSource; // the file's text ("" when it could not be read)
    std::string fragmentSource;
    std::vector<std::string> parameterNames;
};

// One track the player read, or a track file found beside demo.json.
struct TrackFacts {
    std::string name;        // the track's name ("speed" for sync_speed.track)
    bool hasFile = false;    // a readable track file exists
    bool readByDemo = false; // the player or a shader asks for this track
    int keyCount = 0;
    int lastKeyRow = 0; // row of the last key, when keyCount > 0
};

// A uniform a program uses, and the file that declares it.
struct DeclaredUniform {
    ShaderUniform uniform;
    std::string file;
    int line = 0; // of its declaration in `file`, from 1; 0 when not found there
};

// One program where it draws: an entry in one pass of a scene, or the final
// pass after a scene.
struct ProgramUse {
    std::vector<DeclaredUniform> uniforms;
    UniformSetting setting;
};

struct DemoFacts {
    std::vector<ShaderFacts> shaders;
    std::size_t sceneCount = 0;
    std::vector<TrackFacts> tracks;         // every track read and every track file found
    std::vector<float> sceneTrackKeyValues; // the values of the "scene" track's keys
    std::vector<int> sceneTrackKeyRows;     // and their rows, parallel
    double tuneSeconds = 0.0;               // length of the tune; 0 when there is none
    DemoTiming timing;
    std::vector<ProgramUse> programUses; // every program in every place it draws
};

// Music that goes on for up to this long after the demo's end is taken for
// the tune's tail (a reverb, a last chord), not for a forgotten "end_row".
constexpr double kTuneTailSeconds = 5.0;

namespace demo {

// The warnings, in a fixed order: tune, parameters, track files, scene
// track, keys past the tune's end, uniforms.
std::vector<std::string> demoWarnings(const DemoFacts& facts);

// The uniform part of the warnings: "file: problem" for each uniform that
// the player does not set as declared, each line once however many places
// it draws in.
std::vector<std::string> uniformWarnings(const std::vector<ProgramUse>& uses);

// Whether `source` declares a uniform called `name` (a cheap look at the
// text; a declaration inside a comment counts too).
bool declaresUniform(const std::string& source, const std::string& name);

// The line (from 1) of `source` where the declaration of uniform `name`
// begins; 0 when `source` does not declare it.
int uniformDeclarationLine(const std::string& source, const std::string& name);

} // namespace demo
