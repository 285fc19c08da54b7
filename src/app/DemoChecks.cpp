// Gathering the loaded demo's facts for the start-up warnings (see
// DemoChecks.h). Main thread.
#include "app/DemoChecks.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "app/AppState.h"
#include "demo/DemoWarnings.h"
#include "platform/file_read.h"
#include "sync/device.h"

namespace {

// The track that the frame loop asks for by name every frame.
const char* const kFstrTrack = "fstr_val";

// A source's text for a look at its declarations ("" when it cannot be read).
std::string quietlyRead(const std::string& path)
{
    std::string text;
    std::string problem;
    constexpr unsigned long long kLongestLook = 16ull * 1024 * 1024;
    if (platform_read_file(path.c_str(), kLongestLook, text, problem) != PLATFORM_READ_OK)
        text.clear();
    return text;
}

// Whether anything stands at the track's file name: a file the reader could
// not use has had its own line already.
bool trackFileExists(const std::string& name)
{
    std::error_code error;
    const auto status = std::filesystem::symlink_status(sync_track_path("sync", name.c_str()), error);
    return !error && status.type() != std::filesystem::file_type::not_found;
}

TrackFacts& factsFor(DemoFacts& facts, const std::string& name)
{
    for (TrackFacts& track : facts.tracks)
        if (track.name == name)
            return track;
    facts.tracks.push_back({name, trackFileExists(name), false, 0, 0});
    return facts.tracks.back();
}

DemoFacts gatherFacts(double tuneSeconds)
{
    DemoFacts facts;
    for (const DemoShader& shader : appState.demo.shaders) {
        ShaderFacts entry;
        entry.vertexPath = shader.getVertexPath();
        entry.fragmentPath = shader.getFragmentPath();
        entry.vertexSource = quietlyRead(entry.vertexPath);
        entry.fragmentSource = quietlyRead(entry.fragmentPath);
        entry.parameterNames = shader.getParameterNames();
        facts.shaders.push_back(entry);
    }
    facts.sceneCount = appState.demo.scenes.size();

    // Every track the demo reads: the ones made so far, and the flash track
    // that the first frame asks for.
    for (const auto& track : appState.syncDevice->data.tracks) {
        TrackFacts& entry = factsFor(facts, track->name);
        entry.readByDemo = true;
        entry.keyCount = track->key_count;
        entry.lastKeyRow = track->key_count > 0 ? track->keys[track->key_count - 1].row : 0;
    }
    factsFor(facts, kFstrTrack).readByDemo = true;
    if (const SyncTrack* fstr = sync_obtain_track(appState.syncDevice.get(), kFstrTrack)) {
        TrackFacts& entry = factsFor(facts, kFstrTrack);
        entry.keyCount = fstr->key_count;
        entry.lastKeyRow = fstr->key_count > 0 ? fstr->keys[fstr->key_count - 1].row : 0;
    }

    // Track files beside demo.json that nothing asked for.
    std::error_code error;
    for (std::filesystem::directory_iterator it(".", error), end; !error && it != end; it.increment(error)) {
        const std::string file = it->path().filename().string();
        const std::string prefix = "sync_", suffix = ".track";
        if (file.size() > prefix.size() + suffix.size() && file.compare(0, prefix.size(), prefix) == 0 &&
            file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0)
            factsFor(facts, file.substr(prefix.size(), file.size() - prefix.size() - suffix.size()));
    }

    const SyncTrack* scene = appState.sceneTrack;
    for (int32_t i = 0; scene != nullptr && i < scene->key_count; ++i) {
        facts.sceneTrackKeyValues.push_back(scene->keys[i].value);
        facts.sceneTrackKeyRows.push_back(scene->keys[i].row);
    }
    facts.tuneSeconds = tuneSeconds;
    facts.timing = appState.demo.timing;
    return facts;
}

} // namespace

void app::warnAboutDemoMistakes()
{
    const MusicStream& music = appState.musicStream;
    warnAboutDemoMistakes(music.hasMusic() ? music.bytesToSeconds(music.lengthBytes()) : 0.0);
}

void app::warnAboutDemoMistakes(double tuneSeconds)
{
    std::cout.flush();
    for (const std::string& warning : demo::demoWarnings(gatherFacts(tuneSeconds)))
        std::fprintf(stderr, "%s\n", warning.c_str());
}
