// Live mode: watching and reloading the demo's files, the errors and the
// heads-up display over the picture, and the timeline keys. Main thread, GL
// context current.
#include "app/LiveMode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <nlohmann/json.hpp>

#include "app/AppState.h"
#include "app/MistakeWarnings.h"
#include "app/DemoSetup.h"
#include "app/ReloadPlan.h"
#include "app/TextTracks.h"
#include "demo/DemoFiles.h"
#include "demo/DemoDescription.h"
#include "demo/DemoLoader.h"
#include "platform/platform.h"
#include "render/ShaderLog.h"
#include "sync/device.h"

namespace {

// Files modified this long before a description reload began may have been
// saved after the reload read them: file systems stamp times from a coarse
// clock, some in whole seconds.
constexpr int64_t kFileTimeSlackNs = 1000000000;

// Lines of one problem shown in the window; the console has them all.
constexpr std::size_t kShownProblemLines = 4;

constexpr unsigned char kTab = 9;

// The window's side of a description loaded again: the title follows the
// demo's name; full screen is left as the person has it now.
class ReloadHost : public BuildAnsweringHost {
public:
    ReloadHost(BuildFailures& builds, std::string& title) : BuildAnsweringHost(builds), title_(title) {}
    void enterFullscreen() override {}
    void setTitle(const std::string& name) override
    {
        title_ = name;
        glutSetWindowTitle(name.c_str());
    }

private:
    std::string& title_; // the run's window title
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

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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

LiveMode::LiveMode(AppState& run) : run_(run), console_(std::cout, platform_stdout_is_terminal()) {}

void LiveMode::start()
{
    // Obtained now so that its file is watched from the first frame on.
    sync_obtain_track(run_.syncDevice.get(), demo::kFstrTrack);
    loadTextTracks();
    for (std::size_t i = 0; i < run_.demo.imageTextures.size(); ++i)
        if (!run_.demo.imageTextures[i]->loadProblem().empty())
            showImageProblem(run_.demo.imagePaths[i], run_.demo.imageTextures[i]->loadProblem(), false);
    watchDemoFiles(INT64_MAX);
    console_.line(std::string("live: watching the demo's files") + (watcher_.notifying() ? "" : " (polling)") +
                  "; Tab shows or hides the heads-up display");
}

void LiveMode::loadTextTracks()
{
    textTracks_ = app::textTrackNames();
    for (const std::string& name : textTracks_) {
        // The track editor's columns are read by the editor, whose keys they play.
        if (run_.edit && run_.edit->ownsTrack(name))
            continue;
        const std::string path = app::textTrackPath(name);
        std::string error;
        SyncTrack* track = sync_obtain_track(run_.syncDevice.get(), name.c_str());
        if (app::loadTextTrack(track, path, error)) {
            clearProblem(path);
            followText(*track, true);
        } else {
            setProblem(path, error);
        }
    }
}

void LiveMode::followText(const SyncTrack& track, bool announce)
{
    const std::string binary = sync_track_path(demo::kTrackBaseName, track.name.c_str());
    bool rewritten = false;
    std::string problem;
    if (!app::keepBinaryInStep(track, rewritten, problem)) {
        setProblem(binary, binary + ": " + problem + "; it keeps its old keys until the text track is saved again");
        return;
    }
    clearProblem(binary);
    // Out of step at start-up: a run ended between the text's write and the binary's.
    if (rewritten && announce)
        console_.line(binary + ": rewritten from " + app::textTrackPath(track.name) +
                      ", which it was out of step with");
}

void LiveMode::watchDemoFiles(int64_t readSinceNs)
{
    std::vector<std::string> paths = {demo::kDescriptionFile, demo::kFinalVertexFile, demo::kFinalFragmentFile};
    for (const DemoShader& shader : run_.demo.shaders)
        for (const std::string& file : shader.getSourceFiles())
            paths.push_back(file);
    for (const std::string& path : run_.demo.imagePaths)
        paths.push_back(path);
    for (const std::unique_ptr<SyncTrack>& track : run_.syncDevice->data.tracks) {
        paths.push_back(sync_track_path(run_.syncDevice->base_name.c_str(), track->name.c_str()));
        paths.push_back(app::textTrackPath(track->name));
    }
    // Files watched already keep their state, so a save not yet looked at
    // (one made while the description loaded) is not lost.
    watcher_.keepOnly(paths);
    for (const std::string& path : paths)
        watcher_.add(path, readSinceNs);
}

void LiveMode::showBuildErrors(const std::vector<ShaderBuildError>& errors)
{
    for (const ShaderBuildError& error : errors)
        setProblem(entryKey(error.vertexPath, error.fragmentPath), error.message);
}

void LiveMode::beginFrame()
{
    const std::vector<std::string> changed = watcher_.changes();
    if (!changed.empty())
        reloadChanged(changed);
    if (loop_.wrapsAt(currentRow()))
        seekToRow(loop_.start(), "");
}

void LiveMode::holdAtEnd(double endRow)
{
    MusicStream& music = run_.musicStream;
    if (!music.isPlaying())
        return;
    music.pause();
    seekToRow(std::max(0.0, std::ceil(endRow) - 1.0), "END");
}

void LiveMode::reloadChanged(const std::vector<std::string>& changed)
{
    // See ReloadPlan.h for what each save rebuilds; tracks stay.
    const ReloadPlan plan = app::planReload(changed, run_.demo);
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

bool LiveMode::reloadDescription()
{
    // Before anything is read: a file modified after this may have been
    // saved after the load read it.
    const int64_t readSinceNs = fileClockNs() - kFileTimeSlackNs;
    DemoContent content;
    BuildFailures builds(BuildFailurePolicy::Show);
    ReloadHost host(builds, run_.windowTitle);
    std::string reason = "cannot be read";
    bool loaded = false;
    try {
        loaded = demo::loadDemoDescription(demo::kDescriptionFile, run_.syncDevice.get(), content, host, run_.console,
                                           &run_.fileWarnings);
    } catch (const nlohmann::json::exception& error) {
        reason = demo::descriptionErrorText(error);
    }
    if (!loaded) {
        setProblem(demo::kDescriptionFile,
                   std::string(demo::kDescriptionFile) + ": " + reason + "; the running demo stays");
        return false;
    }
    for (const std::string& path : run_.demo.imagePaths)
        clearProblem(path);
    keepLastGoodBuilds(content);
    // The music's position is in bytes, so it stays where it is whatever the new tempo.
    run_.demo = std::move(content);
    run_.demo.timing.fitToTune(app::tuneSeconds(run_.musicStream));
    problems_.erase(std::remove_if(problems_.begin(), problems_.end(),
                                   [](const Problem& problem) {
                                       return problem.key.find(", ") != std::string::npos &&
                                              problem.key != entryKey(demo::kFinalVertexFile, demo::kFinalFragmentFile);
                                   }),
                    problems_.end());
    clearProblem(demo::kDescriptionFile);
    showBuildErrors(builds.failures());
    // New parameters may have made tracks that a text file is the source of.
    loadTextTracks();
    watchDemoFiles(readSinceNs);
    reloaded(demo::kDescriptionFile);
    console_.clearStatus();
    app::warnAboutDemoMistakes(run_, app::tuneSeconds(run_.musicStream));
    return true;
}

void LiveMode::keepLastGoodBuilds(DemoContent& fresh)
{
    DemoContent& running = run_.demo;
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

void LiveMode::showImageProblem(const std::string& path, const std::string& problem, bool lastGoodStays)
{
    setProblem(path, path + ": " + problem + (lastGoodStays ? "; the last good picture stays" : ""));
}

void LiveMode::rebuildEntries(const ReloadPlan& plan)
{
    // Copies: a build gives every copy of the entry (the description's and
    // the scenes') its program.
    std::vector<DemoShader> entries;
    for (std::size_t index : plan.entries)
        entries.push_back(run_.demo.shaders[index]);
    for (const auto& [scene, pass] : plan.passCopies)
        entries.push_back(run_.demo.scenes[scene].getPassShaders()[pass]);
    for (DemoShader& entry : entries) {
        const std::string key = entryKey(entry.getVertexPath(), entry.getFragmentPath());
        const BuildOutcome outcome = entry.build(BuildReport::Quiet, run_.console);
        // One program for every copy (the old one goes with its last
        // holder); the files it includes now are watched even when it failed.
        forEachCopy(run_.demo, entry, [&](DemoShader& shader) { shader.shareBuildOf(entry); });
        for (const std::string& file : entry.getSourceFiles())
            watcher_.add(file);
        if (!outcome.built) {
            setProblem(key, outcome.failure);
            continue;
        }
        clearProblem(key);
        reloaded(key);
        console_.clearStatus();
        app::warnAboutUniforms(run_, {entry.getVertexPath(), entry.getFragmentPath()});
    }
}

void LiveMode::rebuildFinalPass()
{
    if (!run_.demo.finalPass)
        return; // "test.vsh" may be a pass's; the demo has no final pass to rebuild
    const std::string key = entryKey(demo::kFinalVertexFile, demo::kFinalFragmentFile);
    ShaderBuild built = render::buildShaderProgram(demo::kFinalVertexFile, demo::kFinalFragmentFile, BuildReport::Quiet,
                                                   run_.console);
    if (!built.outcome.built) {
        setProblem(key, built.outcome.failure);
        return;
    }
    run_.antiAliasProgram = std::make_unique<ShaderProgram>(std::move(built.program));
    // The quads are bound to the program's attributes, which may have moved.
    run_.quads = std::make_unique<SceneQuads>(*run_.antiAliasProgram, run_.console);
    clearProblem(key);
    reloaded(key);
    console_.clearStatus();
    app::warnAboutUniforms(run_, {demo::kFinalVertexFile, demo::kFinalFragmentFile});
}

void LiveMode::trackReloaded(const std::string& path)
{
    clearProblem(path);
    reloaded(path);
}

void LiveMode::reloadTrack(const std::string& path)
{
    // The track editor reads its own tracks' files.
    if (run_.edit && run_.edit->onTrackFileChanged(path))
        return;
    SyncDevice* device = run_.syncDevice.get();
    for (const std::unique_ptr<SyncTrack>& track : device->data.tracks) {
        const bool fromText = contains(textTracks_, track->name);
        if (fromText && path == app::textTrackPath(track->name)) {
            std::string error;
            if (app::loadTextTrack(track.get(), path, error)) {
                clearProblem(path);
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
            if (sync_load_keys(track.get(), path.c_str(), run_.console) == SYNC_LOAD_REJECTED) {
                setProblem(path, path + ": not read; the previous keys stay");
            } else {
                clearProblem(path);
                reloaded(path);
            }
        }
    }
}

void LiveMode::reloadImage(const std::string& path)
{
    int width = 0;
    int height = 0;
    std::string problem;
    const std::unique_ptr<unsigned char, void (*)(unsigned char*)> pixels(
        render::loadImageFile(path.c_str(), width, height, &problem, render::maxImageSide()), render::freeImagePixels);
    if (!pixels) {
        // The last good picture stays, as a shader's last good program does.
        showImageProblem(path, problem, true);
        return;
    }
    // Decoded once; every texture entry of the image gets it (the scenes keep
    // pointing at the same Textures).
    DemoContent& demo = run_.demo;
    for (std::size_t i = 0; i < demo.imagePaths.size() && i < demo.imageTextures.size(); ++i)
        if (demo.imagePaths[i] == path)
            demo.imageTextures[i]->replaceImage(pixels.get(), width, height);
    clearProblem(path);
    reloaded(path);
}

void LiveMode::setProblem(const std::string& key, const std::string& message)
{
    // A file shared by several entries fails all of them alike: said once.
    const bool alreadySaid = std::any_of(problems_.begin(), problems_.end(),
                                         [&](const Problem& problem) { return problem.message == message; });
    auto found = std::find_if(problems_.begin(), problems_.end(),
                              [&](const Problem& problem) { return problem.key == key; });
    if (found == problems_.end())
        problems_.push_back({key, message});
    else
        found->message = message;
    if (alreadySaid)
        return;
    console_.clearStatus();
    std::cout.flush();
    std::fprintf(stderr, "%s\n", render::firstErrorLine(message).c_str());
}

void LiveMode::clearProblem(const std::string& key)
{
    problems_.erase(
        std::remove_if(problems_.begin(), problems_.end(), [&](const Problem& problem) { return problem.key == key; }),
        problems_.end());
}

void LiveMode::reloaded(const std::string& what)
{
    // An entry whose vertex stage has no file of its own is named by its fragment file alone.
    const std::string named = what.compare(0, 2, ", ") == 0 ? what.substr(2) : what;
    latest_ = "reloaded " + named;
    console_.line("Reloaded " + named);
}

void LiveMode::reportFrame(const FrameValues& values, bool sceneFound)
{
    ++rateFrames_;
    const double rateSeconds = secondsSince(rateStart_);
    if (rateSeconds >= 0.5) {
        status_.framesPerSecond = rateFrames_ / rateSeconds;
        rateFrames_ = 0;
        rateStart_ = std::chrono::steady_clock::now();
    }
    status_.row = values.row;
    status_.seconds = values.seconds;
    status_.sceneIndex = values.sceneIndex;
    status_.sceneFound = sceneFound;
    status_.fftValue = values.fftValue;
    console_.status(app::liveStatusText(status_) + " | " + app::loopText(loop_), secondsSince(start_));
}

void LiveMode::drawOverlay(const FrameView& place)
{
    std::vector<HudLine> lines;
    if (displayShown_) {
        lines.push_back({app::liveStatusText(status_).substr(6)}); // without "live: "
        lines.push_back({app::loopText(loop_)});
        if (!latest_.empty())
            lines.push_back({latest_, 160, 255, 160});
    }
    std::vector<std::string> shown;
    for (const Problem& problem : problems_) {
        if (contains(shown, problem.message))
            continue;
        shown.push_back(problem.message);
        std::size_t start = 0;
        for (std::size_t line = 0; line < kShownProblemLines && start < problem.message.size(); ++line) {
            std::size_t end = problem.message.find('\n', start);
            if (end == std::string::npos)
                end = problem.message.size();
            lines.push_back({problem.message.substr(start, end - start), 255, 96, 96});
            start = end + 1;
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, place.framebuffer);
    display_.draw(lines, place.width, place.height, place.x, place.y);
}

double LiveMode::currentRow() const
{
    const MusicStream& music = run_.musicStream;
    return music.bytesToSeconds(music.positionBytes()) * run_.demo.timing.rowsPerSecond;
}

void LiveMode::seekToRow(double row, const std::string& what)
{
    MusicStream& music = run_.musicStream;
    if (row < 0.0)
        row = 0.0;
    if (!what.empty()) {
        char text[32];
        std::snprintf(text, sizeof text, " row %.0f", row);
        console_.line(what + text);
    }
    if (music.hasMusic())
        music.seekBytes(rowToMusicBytes(row, run_.demo.timing.rowsPerSecond, music.sampleRate(), music.channels()));
}

bool LiveMode::onKey(unsigned char key)
{
    const double row = currentRow();
    const double beat = run_.demo.timing.secondsPerBeat() * run_.demo.timing.rowsPerSecond;
    char text[64];
    switch (key) {
    case kTab:
        displayShown_ = !displayShown_;
        console_.line(displayShown_ ? "DISPLAY ON" : "DISPLAY OFF");
        return true;
    case ',':
        seekToRow(row - beat, "BEAT BACK");
        return true;
    case '.':
        seekToRow(row + beat, "BEAT FORWARD");
        return true;
    case '[':
        loop_.setStart(row);
        std::snprintf(text, sizeof text, "LOOP START row %.0f", row);
        console_.line(text);
        return true;
    case ']':
        loop_.setEnd(row);
        std::snprintf(text, sizeof text, "LOOP END row %.0f", row);
        console_.line(text);
        return true;
    case '\\':
        loop_.clear();
        console_.line("LOOP OFF");
        return true;
    default:
        return false;
    }
}

bool LiveMode::onSpecialKey(int key)
{
    const double row = currentRow();
    switch (key) {
    case GLUT_KEY_HOME:
        seekToRow(0.0, "HOME");
        break;
    case GLUT_KEY_PAGE_UP: {
        // Within a second of a scene's start, as after a press a moment ago,
        // the scene before it: presses in a row move on, as a player's
        // previous-track button does.
        double previous = previousSceneChange(run_.sceneTrack, row);
        if (row - previous < run_.demo.timing.rowsPerSecond)
            previous = previousSceneChange(run_.sceneTrack, previous);
        seekToRow(previous, "PREVIOUS SCENE");
        break;
    }
    case GLUT_KEY_PAGE_DOWN: {
        const double next = nextSceneChange(run_.sceneTrack, row);
        if (next < 0.0)
            console_.line("NEXT SCENE none");
        else
            seekToRow(next, "NEXT SCENE");
        break;
    }
    default:
        return false;
    }
    return true;
}

bool app::onLiveSpecialKey(AppState& run, int key)
{
    // Keys still queued behind Esc find the music released and do nothing.
    if (!run.live || run.musicStream.isReleased())
        return false;
    if (key == GLUT_KEY_F2) {
        app::toggleEditor(run);
        return true;
    }
    if (run.edit && run.edit->onSpecialKey(key))
        return true;
    return run.live->onSpecialKey(key);
}

void LiveMode::onMouseButton(int button, int state, int x, int y)
{
    if (button != GLUT_LEFT_BUTTON)
        return;
    // Shaders count pixels from the bottom left.
    const float fromBottom = run_.windowHeight - 1.0f - static_cast<float>(y);
    if (state == GLUT_DOWN)
        mouse_.press(static_cast<float>(x), fromBottom);
    else
        mouse_.release(static_cast<float>(x), fromBottom);
}

void LiveMode::onMouseMotion(int x, int y)
{
    mouse_.move(static_cast<float>(x), run_.windowHeight - 1.0f - static_cast<float>(y));
}

void app::onLiveMouseButton(AppState& run, int button, int state, int x, int y)
{
    if (run.live)
        run.live->onMouseButton(button, state, x, y);
}

void app::onLiveMouseMotion(AppState& run, int x, int y)
{
    if (run.live)
        run.live->onMouseMotion(x, y);
}
