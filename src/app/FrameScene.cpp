// The frame's values, the choice of scene and the draw, shared by playback
// and export. Main thread, GL context current.
#include "app/FrameScene.h"

#include <cstdint>
#include <vector>

#include <GL/glew.h>

#include "app/AppState.h"
#include "render/SceneFrame.h"
#include "sync/device.h"

FrameValues app::frameValuesFromTracks(double seconds, double row, const float* spectrum, int binCount)
{
    const SyncTrack* fstrTrack = sync_obtain_track(appState.syncDevice.get(), "fstr_val");
    return frameValuesAt(seconds, row, spectrum, binCount, appState.sceneTrack, appState.fftSamplingTrack, fstrTrack);
}

Scene* app::sceneToDraw(int sceneIndex, bool& found)
{
    std::vector<Scene>& scenes = appState.demo.scenes;
    found = sceneExists(sceneIndex, scenes.size());
    if (found)
        return &scenes[static_cast<uint32_t>(sceneIndex)];
    return scenes.empty() ? nullptr : &scenes[0];
}

SceneDrawResult app::drawSceneFrame(Scene* scene, const FrameValues& values, FrameReport report)
{
    if (scene == nullptr) {
        // With no scenes at all there is nothing to draw in place of a missing one.
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return SceneDrawResult();
    }
    const SceneFrame frame{truncateToInt(values.row),
                           values.seconds,
                           values.fftValue,
                           values.fstrValue,
                           appState.windowWidth,
                           appState.windowHeight,
                           *appState.renderTargets,
                           *appState.quads,
                           *appState.antiAliasProgram,
                           appState.syncDevice.get(),
                           report == FrameReport::Console};
    return scene->render(frame);
}
