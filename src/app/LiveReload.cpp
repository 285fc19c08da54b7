// Live mode's reloads (see LiveReload.h). Main thread, GL context current.
#include "app/LiveReload.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>

#include <nlohmann/json.hpp>

#include "app/DemoSetup.h"
#include "app/MistakeWarnings.h"
#include "app/TextTracks.h"
#include "demo/DemoDescription.h"
#include "demo/DemoFiles.h"
#include "demo/DemoLoader.h"
#include "render/ShaderLog.h"
#include "sync/device.h"

namespace {

// Files modified this long before a description reload began may have been
// saved after the reload read them: file systems stamp times from a coarse
// clock, some in whole seconds.
constexpr int64_t kFileTimeSlackNs = 1000000000;

// The run's side of a description loaded again: the title follows the
// demo's name; full screen is left as the person has it now.
class DescriptionReloadHost : public BuildAnsweringHost {
public:
    DescriptionReloadHost(BuildFailures& builds, LiveReloadHost& run) : BuildAnsweringHost(builds), run_(run) {}
    void enterFullscreen() override {}
    void setTitle(const std::string& name) override { run_.setTitle(name); }

private:
    LiveReloadHost& run_;
};

std::string entryKey(const std::string& vertexPath, const std::string& fragmentPath)
{
    return vertexPath + ", " + fragmentPath;
}

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Now, as file times count: nanoseconds since 1970.
int64_t fileClockNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Every copy of `entry`: the description's and the scenes'.
template <typename Action> void forEachCopy(DemoContent& demo, const DemoShader& entry, Action action)
{
    auto visit = [&](DemoShader& shader) {
        if (app::sameEntry(shader, entry))
            action(shader);
    };
    for (DemoShader& shader : demo.shaders)
        visit(shader);
    for (Scene& scene : demo.scenes)
        for (DemoShader& shader : scene.getPassShaders())
            visit(shader);
}

} // namespace

LiveReload::LiveReload(LoadedDemo& loaded, LiveReloadHost& host, LiveConsole& console)
    : loaded_(loaded), host_(host), console_(console)
{
}

void LiveReload::start()
{
    // Obtained now so that its file is watched from the first frame on.
    sync_obtain_track(loaded_.syncDevice.get(), demo::kFstrTrack);
    loadTextTracks();
    const DemoContent& demo = loaded_.demo;
    for (std::size_t i = 0; i < demo.imageTextures.size(); ++i)
        if (!demo.imageTextures[i]->loadProblem().empty())
            showImageProblem(demo.imagePaths[i], demo.imageTextures[i]->loadProblem(), false);
    watchDemoFiles(INT64_MAX);
}

void LiveReload::loadTextTracks()
{
    textTracks_ = app::textTrackNames();
    for (const std::string& name : textTracks_) {
        // The track editor's columns are read by the editor, whose keys they play.
        if (host_.editorOwnsTrack(name))
            continue;
        const std::string path = app::textTrackPath(name);
        std::string error;
        SyncTrack* track = sync_obtain_track(loaded_.syncDevice.get(), name.c_str());
        if (app::loadTextTrack(track, path, error)) {
            problems_.clear(path);
            followText(*track, true);
        } else {
            setProblem(path, error);
        }
    }
}

void LiveReload::followText(const SyncTrack& track, bool announce)
{
    const std::string binary = sync_track_path(demo::kTrackBaseName, track.name.c_str());
    bool rewritten = false;
    std::string problem;
    if (!app::keepBinaryInStep(track, rewritten, problem)) {
        setProblem(binary, binary + ": " + problem + "; it keeps its old keys until the text track is saved again");
        return;
    }
    problems_.clear(binary);
    // Out of step at start-up: a run ended between the text's write and the binary's.
    if (rewritten && announce)
        console_.line(binary + ": rewritten from " + app::textTrackPath(track.name) +
                      ", which it was out of step with");
}

void LiveReload::watchDemoFiles(int64_t readSinceNs)
{
    std::vector<std::string> paths = {demo::kDescriptionFile, demo::kFinalVertexFile, demo::kFinalFragmentFile};
    for (const DemoShader& shader : loaded_.demo.shaders)
        for (const std::string& file : shader.getSourceFiles())
            paths.push_back(file);
    for (const std::string& path : loaded_.demo.imagePaths)
        paths.push_back(path);
    const SyncDevice& device = *loaded_.syncDevice;
    for (const std::unique_ptr<SyncTrack>& track : device.data.tracks) {
        paths.push_back(sync_track_path(device.base_name.c_str(), track->name.c_str()));
        paths.push_back(app::textTrackPath(track->name));
    }
    // Files watched already keep their state, so a save not yet looked at
    // (one made while the description loaded) is not lost.
    watcher_.keepOnly(paths);
    for (const std::string& path : paths)
        watcher_.add(path, readSinceNs);
}

void LiveReload::showBuildErrors(const std::vector<ShaderBuildError>& errors)
{
    for (const ShaderBuildError& error : errors)
        setProblem(entryKey(error.vertexPath, error.fragmentPath), error.message);
}

void LiveReload::reloadSaved()
{
    const std::vector<std::string> changed = watcher_.changes();
    if (!changed.empty())
        reload(changed);
}

void LiveReload::reload(const std::vector<std::string>& changed)
{
    // See ReloadPlan.h for what each save rebuilds; tracks stay.
    const ReloadPlan plan = app::planReload(changed, loaded_.demo);
    const bool described = plan.description && reloadDescription();
    if (!described) {
        rebuildEntries(plan);
        for (const std::string& path : plan.images)
            reloadImage(path);
    }
    if (plan.finalPass)
        rebuildFinalPass();
    for (const std::string& path : plan.trackCandidates)
        reloadTrack(path);
}

bool LiveReload::reloadDescription()
{
    // Before anything is read: a file modified after this may have been
    // saved after the load read it.
    const int64_t readSinceNs = fileClockNs() - kFileTimeSlackNs;
    DemoContent content;
    BuildFailures builds(BuildFailurePolicy::Show);
    DescriptionReloadHost host(builds, host_);
    std::string reason = "cannot be read";
    bool loaded = false;
    try {
        loaded = demo::loadDemoDescription(demo::kDescriptionFile, loaded_.syncDevice.get(), content, host,
                                           loaded_.console, &loaded_.fileWarnings, &images_);
    } catch (const nlohmann::json::exception& error) {
        reason = demo::descriptionErrorText(error);
    }
    images_.clear();
    if (!loaded) {
        setProblem(demo::kDescriptionFile,
                   std::string(demo::kDescriptionFile) + ": " + reason + "; the running demo stays");
        return false;
    }
    for (const std::string& path : loaded_.demo.imagePaths)
        problems_.clear(path);
    keepLastGoodBuilds(content);
    // The music's position is in bytes, so it stays where it is whatever the new tempo.
    loaded_.demo = std::move(content);
    loaded_.demo.timing.fitToTune(host_.tuneSeconds());
    // Every entry was built again; the final pass was not.
    const std::string finalPass = entryKey(demo::kFinalVertexFile, demo::kFinalFragmentFile);
    problems_.clearWhere(
        [&](const std::string& key) { return key.find(", ") != std::string::npos && key != finalPass; });
    problems_.clear(demo::kDescriptionFile);
    showBuildErrors(builds.failures());
    // New parameters may have made tracks that a text file is the source of.
    loadTextTracks();
    watchDemoFiles(readSinceNs);
    reloaded(demo::kDescriptionFile);
    console_.clearStatus();
    app::warnAboutDemoMistakes(loaded_, host_.tuneSeconds());
    return true;
}

void LiveReload::keepLastGoodBuilds(DemoContent& fresh)
{
    DemoContent& running = loaded_.demo;
    // An entry that does not build draws with its last good program.
    auto inherit = [&](DemoShader& shader) {
        for (const DemoShader& previous : running.shaders)
            if (app::sameEntry(previous, shader))
                shader.inheritProgram(previous);
    };
    for (DemoShader& shader : fresh.shaders)
        inherit(shader);
    for (Scene& scene : fresh.scenes)
        for (DemoShader& shader : scene.getPassShaders())
            inherit(shader);

    // An image that no longer loads keeps its last good picture: the running
    // texture moves into the new one, which the new scenes point at.
    std::vector<bool> taken(running.imageTextures.size(), false);
    std::vector<std::string> said;
    for (std::size_t i = 0; i < fresh.imageTextures.size(); ++i) {
        const std::string problem = fresh.imageTextures[i]->loadProblem();
        if (problem.empty())
            continue;
        bool kept = false;
        for (std::size_t j = 0; j < running.imageTextures.size() && !kept; ++j) {
            if (taken[j] || running.imagePaths[j] != fresh.imagePaths[i] ||
                !running.imageTextures[j]->loadProblem().empty())
                continue;
            *fresh.imageTextures[i] = std::move(*running.imageTextures[j]);
            taken[j] = true;
            kept = true;
        }
        if (!contains(said, fresh.imagePaths[i]))
            showImageProblem(fresh.imagePaths[i], problem, kept);
        said.push_back(fresh.imagePaths[i]);
    }
}

void LiveReload::showImageProblem(const std::string& path, const std::string& problem, bool lastGoodStays)
{
    setProblem(path, path + ": " + problem + (lastGoodStays ? "; the last good picture stays" : ""));
}

void LiveReload::rebuildEntries(const ReloadPlan& plan)
{
    // Copies: a build gives every copy of the entry (the description's and
    // the scenes') its program.
    std::vector<DemoShader> entries;
    for (std::size_t index : plan.entries)
        entries.push_back(loaded_.demo.shaders[index]);
    for (const auto& [scene, pass] : plan.passCopies)
        entries.push_back(loaded_.demo.scenes[scene].getPassShaders()[pass]);
    for (DemoShader& entry : entries) {
        const std::string key = entryKey(entry.getVertexPath(), entry.getFragmentPath());
        const BuildOutcome outcome = entry.build(BuildReport::Quiet, loaded_.console);
        // One program for every copy (the old one goes with its last
        // holder); the files it includes now are watched even when it failed.
        forEachCopy(loaded_.demo, entry, [&](DemoShader& shader) { shader.shareBuildOf(entry); });
        for (const std::string& file : entry.getSourceFiles())
            watcher_.add(file);
        if (!outcome.built) {
            setProblem(key, outcome.failure);
            continue;
        }
        problems_.clear(key);
        reloaded(key);
        console_.clearStatus();
        app::warnAboutUniforms(loaded_, {entry.getVertexPath(), entry.getFragmentPath()});
    }
}

void LiveReload::rebuildFinalPass()
{
    if (!loaded_.demo.finalPass)
        return; // "test.vsh" may be a pass's; the demo has no final pass to rebuild
    const std::string key = entryKey(demo::kFinalVertexFile, demo::kFinalFragmentFile);
    ShaderBuild built = render::buildShaderProgram(demo::kFinalVertexFile, demo::kFinalFragmentFile, BuildReport::Quiet,
                                                   loaded_.console);
    if (!built.outcome.built) {
        setProblem(key, built.outcome.failure);
        return;
    }
    loaded_.antiAliasProgram = std::make_unique<ShaderProgram>(std::move(built.program));
    // The quads are bound to the program's attributes, which may have moved.
    loaded_.quads = std::make_unique<SceneQuads>(*loaded_.antiAliasProgram, loaded_.console);
    problems_.clear(key);
    reloaded(key);
    console_.clearStatus();
    app::warnAboutUniforms(loaded_, {demo::kFinalVertexFile, demo::kFinalFragmentFile});
}

void LiveReload::trackReloaded(const std::string& path)
{
    problems_.clear(path);
    reloaded(path);
}

void LiveReload::reloadTrack(const std::string& path)
{
    // The track editor reads its own tracks' files.
    if (host_.editorTookTrackFile(path))
        return;
    SyncDevice* device = loaded_.syncDevice.get();
    for (const std::unique_ptr<SyncTrack>& track : device->data.tracks) {
        const bool fromText = contains(textTracks_, track->name);
        if (fromText && path == app::textTrackPath(track->name)) {
            std::string error;
            if (app::loadTextTrack(track.get(), path, error)) {
                problems_.clear(path);
                reloaded(path);
                followText(*track, false);
            } else {
                setProblem(path, error + "; the previous keys stay");
            }
        } else if (!fromText && path == app::textTrackPath(track->name)) {
            // A text track saved for the first time becomes the track's source.
            textTracks_.push_back(track->name);
            reloadTrack(path);
            return;
        } else if (!fromText && path == sync_track_path(device->base_name.c_str(), track->name.c_str())) {
            // A rejected file has had its line on standard error and leaves the keys as they were.
            if (sync_load_keys(track.get(), path.c_str(), loaded_.console) == SYNC_LOAD_REJECTED) {
                setProblem(path, path + ": not read; the previous keys stay");
            } else {
                problems_.clear(path);
                reloaded(path);
            }
        }
    }
}

void LiveReload::reloadImage(const std::string& path)
{
    // Decoded once; every texture entry of the image gets it (the scenes keep
    // pointing at the same Textures).
    const DecodedImage& image = images_.image(path);
    if (!image.pixels) {
        // The last good picture stays, as a shader's last good program does.
        showImageProblem(path, image.problem, true);
    } else {
        DemoContent& demo = loaded_.demo;
        for (std::size_t i = 0; i < demo.imagePaths.size() && i < demo.imageTextures.size(); ++i)
            if (demo.imagePaths[i] == path)
                demo.imageTextures[i]->replaceImage(image.pixels.get(), image.width, image.height);
        problems_.clear(path);
        reloaded(path);
    }
    images_.clear();
}

void LiveReload::setProblem(const std::string& key, const std::string& message)
{
    if (!problems_.set(key, message))
        return;
    console_.clearStatus();
    loaded_.console.error(render::firstErrorLine(message));
}

void LiveReload::reloaded(const std::string& what)
{
    // An entry whose vertex stage has no file of its own is named by its fragment file alone.
    const std::string named = what.compare(0, 2, ", ") == 0 ? what.substr(2) : what;
    latest_ = "reloaded " + named;
    console_.line("Reloaded " + named);
}
