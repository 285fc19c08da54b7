// Gathering the loaded demo's facts for the start-up warnings (see
// MistakeWarnings.h). Main thread.
#include "app/MistakeWarnings.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/DemoSetup.h"
#include "demo/DemoFiles.h"
#include "demo/MistakeChecks.h"
#include "platform/file_read.h"
#include "render/ShaderSource.h"
#include "sync/device.h"

namespace {

// Shader sources for a look at their declarations, each file read once.
class SourceTexts {
public:
    // The file's text; "" when it cannot be read.
    const std::string& operator[](const std::string& path)
    {
        const auto found = texts_.find(path);
        if (found != texts_.end())
            return found->second;
        std::string text;
        std::string problem;
        if (platform_read_file(path.c_str(), kMaxShaderSourceBytes, text, problem) != PLATFORM_READ_OK)
            text.clear();
        return texts_.emplace(path, std::move(text)).first->second;
    }

private:
    std::map<std::string, std::string> texts_;
};

// The uniforms `program` uses, each with the file that declares it: the
// vertex file for what only it declares, else the fragment file.
std::vector<DeclaredUniform> declaredUniforms(GLuint program, const std::string& vertexPath,
                                              const std::string& fragmentPath, SourceTexts& sources)
{
    std::vector<DeclaredUniform> declared;
    for (ShaderUniform& uniform : render::activeUniforms(program)) {
        const bool vertexOnly = demo::declaresUniform(sources[vertexPath], uniform.name) &&
                                !demo::declaresUniform(sources[fragmentPath], uniform.name);
        const std::string& file = vertexOnly ? vertexPath : fragmentPath;
        const int line = demo::uniformDeclarationLine(sources[file], uniform.name);
        declared.push_back({std::move(uniform), file, line});
    }
    return declared;
}

// Every program of the demo where it draws: each scene's passes and the
// final pass after each scene.
std::vector<ProgramUse> programUses(const LoadedDemo& loaded, SourceTexts& sources)
{
    std::vector<ProgramUse> uses;
    const std::vector<Scene>& scenes = loaded.demo.scenes;
    for (std::size_t s = 0; s < scenes.size(); ++s) {
        UniformSetting setting;
        setting.sceneIndex = static_cast<int>(s);
        setting.passCount = scenes[s].passCount();
        setting.textureCount = static_cast<int>(scenes[s].getTextures().size());
        setting.textureNames.clear();
        for (const SceneTextureOptions& options : scenes[s].getTextureOptions())
            setting.textureNames.push_back(options.name);
        for (const DemoShader& pass : scenes[s].getPassShaders()) {
            setting.parameters = pass.getParameterNames();
            setting.convention = pass.getConvention();
            const PassSettings& passSettings = scenes[s].getPassSettings()[static_cast<std::size_t>(setting.passIndex)];
            setting.channelCount = passSettings.hasChannels ? static_cast<int>(passSettings.channels.size()) : -1;
            uses.push_back(
                {declaredUniforms(pass.getProgramId(), pass.getVertexPath(), pass.getFragmentPath(), sources),
                 setting});
            ++setting.passIndex;
        }
        if (loaded.antiAliasProgram && loaded.demo.finalPass) {
            setting.finalPass = true;
            setting.parameters.clear();
            setting.convention = nullptr;
            setting.channelCount = -1;
            setting.textureNames.clear();
            uses.push_back({declaredUniforms(loaded.antiAliasProgram->getProgramId(), demo::kFinalVertexFile,
                                             demo::kFinalFragmentFile, sources),
                            setting});
        }
    }
    return uses;
}

// Whether anything stands at the track's file name: a file the reader could
// not use has had its own line already.
bool trackFileExists(const std::string& name)
{
    std::error_code error;
    const auto status = std::filesystem::symlink_status(sync_track_path(demo::kTrackBaseName, name.c_str()), error);
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

DemoFacts gatherFacts(const LoadedDemo& loaded, double tuneSeconds)
{
    DemoFacts facts;
    SourceTexts sources;
    for (const DemoShader& shader : loaded.demo.shaders) {
        ShaderFacts entry;
        entry.vertexPath = shader.getVertexPath();
        entry.fragmentPath = shader.getFragmentPath();
        entry.vertexSource = sources[entry.vertexPath];
        // A declaration in an included file counts as the fragment shader's.
        for (const std::string& file : shader.getSourceFiles())
            if (file != entry.vertexPath)
                entry.fragmentSource += sources[file];
        entry.parameterNames = shader.getParameterNames();
        facts.shaders.push_back(entry);
    }
    facts.sceneCount = loaded.demo.scenes.size();

    // Every track the demo reads: the ones made so far, and the flash track
    // that the first frame asks for.
    for (const auto& track : loaded.syncDevice->data.tracks) {
        TrackFacts& entry = factsFor(facts, track->name);
        entry.readByDemo = true;
        entry.keyCount = track->key_count;
        entry.lastKeyRow = track->key_count > 0 ? track->keys[track->key_count - 1].row : 0;
    }
    factsFor(facts, demo::kFstrTrack).readByDemo = true;
    if (const SyncTrack* fstr = sync_obtain_track(loaded.syncDevice.get(), demo::kFstrTrack)) {
        TrackFacts& entry = factsFor(facts, demo::kFstrTrack);
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

    const SyncTrack* scene = loaded.sceneTrack;
    for (int32_t i = 0; scene != nullptr && i < scene->key_count; ++i) {
        facts.sceneTrackKeyValues.push_back(scene->keys[i].value);
        facts.sceneTrackKeyRows.push_back(scene->keys[i].row);
    }
    facts.tuneSeconds = tuneSeconds;
    facts.timing = loaded.demo.timing;
    facts.programUses = programUses(loaded, sources);
    return facts;
}

} // namespace

void app::warnAboutDemoMistakes(const LoadedDemo& loaded, double tuneSeconds)
{
    std::cout.flush();
    for (const std::string& warning : demo::demoWarnings(gatherFacts(loaded, tuneSeconds)))
        std::fprintf(stderr, "%s\n", warning.c_str());
}

std::string app::keyboardInExportNote(const std::vector<Scene>& scenes)
{
    std::string first;
    int more = 0;
    for (const Scene& scene : scenes)
        for (const PassSettings& settings : scene.getPassSettings())
            for (std::size_t c = 0; c < settings.channels.size(); ++c) {
                if (settings.channels[c].source != PassChannel::Source::Keyboard)
                    continue;
                if (first.empty())
                    first = settings.entryPath + ".channels[" + std::to_string(c) + "]";
                else
                    ++more;
            }
    if (first.empty())
        return "";
    std::string note = std::string(demo::kDescriptionFile) + ": " + first +
                       ": \"keyboard\" reads no key in an export: every key stays up (all zero)";
    if (more > 0)
        note += more == 1 ? "; so does 1 more keyboard channel"
                          : "; so do " + std::to_string(more) + " more keyboard channels";
    return note;
}

void app::warnAboutUniforms(const LoadedDemo& loaded, const std::vector<std::string>& files)
{
    SourceTexts sources;
    std::cout.flush();
    for (const std::string& warning : demo::uniformWarnings(programUses(loaded, sources)))
        for (const std::string& file : files)
            if (warning.compare(0, file.size() + 2, file + ": ") == 0)
                std::fprintf(stderr, "%s\n", warning.c_str());
}
