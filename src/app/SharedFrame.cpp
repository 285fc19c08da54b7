// The frame's values, the choice of scene and the draw, shared by every way
// of running the demo. Main thread, GL context current.
#include "app/SharedFrame.h"

#include <cstdint>

#include <GL/glew.h>

#include "demo/DemoFiles.h"
#include "render/SceneFrame.h"
#include "sync/device.h"

FrameValues app::frameValuesOf(LoadedDemo& loaded, double seconds, double row, const float* spectrum, int binCount)
{
    // Asked for by name every frame; its file is read the first time.
    const SyncTrack* fstrTrack = sync_obtain_track(loaded.syncDevice.get(), demo::kFstrTrack);
    return frameValuesAt(seconds, row, spectrum, binCount, loaded.sceneTrack, loaded.fftSamplingTrack, fstrTrack);
}

Scene* app::sceneToDraw(std::vector<Scene>& scenes, int sceneIndex, bool& found)
{
    found = sceneExists(sceneIndex, scenes.size());
    if (found)
        return &scenes[static_cast<uint32_t>(sceneIndex)];
    return scenes.empty() ? nullptr : &scenes[0];
}

int app::sceneDrawnAt(LoadedDemo& loaded, double row)
{
    const FrameValues values = frameValuesAt(0.0, row, nullptr, 0, loaded.sceneTrack, nullptr, nullptr);
    bool found = false;
    const Scene* scene = sceneToDraw(loaded.demo.scenes, values.sceneIndex, found);
    return scene == nullptr ? -1 : static_cast<int>(scene - loaded.demo.scenes.data());
}

SceneDrawResult app::drawFrame(LoadedDemo& loaded, Scene* scene, const FrameValues& values, const FramePicture& picture,
                               FrameReport report, const PassInputs& inputs)
{
    const FrameView& view = picture.view;
    if (scene == nullptr) {
        // With no scenes at all there is nothing to draw in place of a missing one.
        glBindFramebuffer(GL_FRAMEBUFFER, view.framebuffer);
        const bool whole = view.takesPictureAsItIs(picture.width, picture.height);
        if (!whole) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(view.x, view.y, view.width, view.height);
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (!whole)
            glDisable(GL_SCISSOR_TEST);
        return SceneDrawResult();
    }
    SceneFrame frame{truncateToInt(values.row),
                     values.seconds,
                     values.fftValue,
                     values.fstrValue,
                     static_cast<float>(picture.width),
                     static_cast<float>(picture.height),
                     *loaded.renderTargets,
                     *loaded.quads,
                     *loaded.antiAliasProgram,
                     loaded.console,
                     loaded.syncDevice.get(),
                     report == FrameReport::Console};
    frame.view = view;
    frame.picture = picture.through;
    frame.inputs = inputs;
    frame.finalPass = loaded.demo.finalPass;
    frame.inputs.spectrumTexture = &loaded.spectrumTexture;
    return scene->render(frame);
}
