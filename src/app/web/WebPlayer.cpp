// The demo in a browser page (see WebPlayer.h). Main thread, WebGL 2 context
// current.
#include "app/web/WebPlayer.h"

#include <chrono>
#include <memory>
#include <utility>

#include <GL/glew.h>
#include <nlohmann/json.hpp>

#include "app/BuildFailures.h"
#include "app/DemoSetup.h"
#include "app/FrameDecisions.h"
#include "app/SharedFrame.h"
#include "app/LiveTimeline.h"
#include "demo/DemoFiles.h"
#include "demo/DemoDescription.h"
#include "demo/DemoLoader.h"
#include "render/FinalPass.h"
#include "sync/device.h"

namespace {

// A page has no window of its own: full screen is the person's choice (the
// page's button) and the name goes to the page's title.
class PageHost : public BuildAnsweringHost {
public:
    PageHost(BuildFailures& builds, std::string& name) : BuildAnsweringHost(builds), name_(name) {}
    void enterFullscreen() override {}
    void setTitle(const std::string& name) override { name_ = name; }
    bool takesImageFailures() const override { return true; }
    void imageFailed(const std::string& path, const std::string& problem) override
    {
        if (imageFailure_.empty())
            imageFailure_ = path + ": " + problem;
    }
    const std::string& imageFailure() const { return imageFailure_; }

private:
    std::string& name_;
    std::string imageFailure_;
};

// The first line of the first shader that did not build, or "".
std::string firstBuildFailure(const BuildFailures& builds)
{
    if (builds.failures().empty())
        return "";
    const std::string& message = builds.failures().front().message;
    return message.substr(0, message.find('\n'));
}

} // namespace

bool WebPlayer::load(const WebStart& start)
{
    // The page reads Ogg Vorbis; another format plays in silence, said on the console.
    music_.open(demo::tuneFileOf(demo::kDescriptionFile).c_str());
    BuildFailures builds(BuildFailurePolicy::Fail);
    PageHost host(builds, name_);
    loaded_.syncDevice.reset(sync_open(demo::kTrackBaseName, loaded_.console));
    loaded_.sceneTrack = sync_obtain_track(loaded_.syncDevice.get(), demo::kSceneTrack);
    loaded_.fftSamplingTrack = sync_obtain_track(loaded_.syncDevice.get(), demo::kFftSamplingTrack);
    try {
        if (!demo::loadDemoDescription(demo::kDescriptionFile, loaded_.syncDevice.get(), loaded_.demo, host,
                                       loaded_.console, &loaded_.fileWarnings))
            failure_ = std::string(demo::kDescriptionFile) + ": the description does not load";
    } catch (const nlohmann::json::exception& error) {
        failure_ = std::string(demo::kDescriptionFile) + ": " + demo::descriptionErrorText(error);
    }
    if (!failure_.empty())
        return false;
    // The final pass, as the native start-up builds it (a plain copy where
    // the demo has none).
    ShaderBuild finalBuild;
    if (loaded_.demo.finalPass) {
        finalBuild = render::buildShaderProgram(demo::kFinalVertexFile, demo::kFinalFragmentFile, builds.report(),
                                                loaded_.console, &loaded_.fileWarnings);
        builds.answer(demo::kFinalVertexFile, demo::kFinalFragmentFile, finalBuild.outcome);
    }
    failure_ = firstBuildFailure(builds);
    if (failure_.empty())
        failure_ = host.imageFailure();
    if (!failure_.empty())
        return false;

    glDisable(GL_CULL_FACE);
    loaded_.renderTargets = std::make_unique<RenderTargets>(1, 1, 1, 1, render::longestPassChain(loaded_.demo.scenes));
    loaded_.antiAliasProgram = std::make_unique<ShaderProgram>(
        loaded_.demo.finalPass ? render::finalPassProgram(std::move(finalBuild), demo::kFinalVertexFile,
                                                          demo::kFinalFragmentFile, loaded_.console)
                               : render::buildPassThroughProgram());
    loaded_.quads = std::make_unique<SceneQuads>(*loaded_.antiAliasProgram, loaded_.console);
    const double tuneSeconds = music_.hasMusic() ? music_.bytesToSeconds(music_.lengthBytes()) : 0.0;
    loaded_.demo.timing.fitToTune(tuneSeconds);
    if (start.hasRow && music_.hasMusic())
        music_.seekBytes(
            rowToMusicBytes(start.row, loaded_.demo.timing.rowsPerSecond, music_.sampleRate(), music_.channels()));
    begun_ = start.paused;
    if (start.play && !start.paused)
        begin();
    return true;
}

double WebPlayer::aspect() const
{
    const ReleaseWindow& release = loaded_.demo.release;
    if (release.width > 0 && release.height > 0)
        return static_cast<double>(release.width) / release.height;
    return 16.0 / 9.0;
}

void WebPlayer::begin()
{
    if (begun_)
        return;
    begun_ = true;
    music_.play();
}

void WebPlayer::onChannelKey(int keyCode, bool down)
{
    if (down)
        keyboard_.press(keyCode);
    else
        keyboard_.release(keyCode);
}

bool WebPlayer::onKey(const std::string& key)
{
    if (key == " ") {
        if (music_.isPlaying())
            music_.pause();
        else if (!held_)
            music_.play();
        return true;
    }
    if (key == "a" || key == "A" || key == "d" || key == "D") {
        const SeekDirection direction = key == "d" || key == "D" ? SeekDirection::Forwards : SeekDirection::Backwards;
        if (music_.seekBytes(app::seekTarget(music_.positionBytes(), direction)))
            held_ = false;
        return true;
    }
    return false;
}

int WebPlayer::drawFrame(int width, int height)
{
    float spectrum[MusicStream::kSpectrumBins];
    const double seconds = music_.bytesToSeconds(music_.positionBytes());
    music_.spectrum(spectrum);
    const FrameValues values = app::frameValuesOf(loaded_, seconds, seconds * loaded_.demo.timing.rowsPerSecond,
                                                  spectrum, MusicStream::kSpectrumBins);
    FramePicture picture;
    picture.width = width;
    picture.height = height;
    picture.view.width = width;
    picture.view.height = height;
    bool found = false;
    Scene* scene = app::sceneToDraw(loaded_.demo.scenes, values.sceneIndex, found);
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    PassInputs counted = passInputs_.playedFrame(values.seconds, music_.seekCount(), wallSeconds);
    if (music_.hasMusic())
        counted.sampleRate = static_cast<float>(music_.sampleRate());
    counted.keyboardTexture = &keyboard_;
    const PassInputs inputs = app::passInputsFor(
        passInputs_, counted, scene, values.seconds, spectrum,
        [&](float* smoothed) { music_.smoothedSpectrum(smoothed); }, [&](uint8_t* rows) { music_.siteSound(rows); });
    const SceneDrawResult result = app::drawFrame(loaded_, scene, values, picture, FrameReport::Silent, inputs);
    keyboard_.endFrame();
    if (!result.drawn)
        failure_ = result.problem();
    if (app::demoIsOver(values.row, loaded_.demo.timing.endRow) && music_.isPlaying()) {
        // The end of the demo: the picture holds there; a seek back plays on.
        music_.pause();
        held_ = true;
    }
    return app::truncateToInt(values.row);
}
