// The demo's start-up steps. Main thread, GL context current; everything
// made here is owned by AppState.
#include "app/DemoSetup.h"

#include <iostream>
#include <memory>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <nlohmann/json.hpp>

#include "app/AppState.h"
#include "demo/DemoDescription.h"
#include "demo/DemoLoader.h"
#include "platform/warning.h"
#include "render/QuadMesh.h"
#include "render/RenderTargets.h"
#include "render/ShaderProgram.h"
#include "sync/device.h"

namespace {

// The one place where a description error is caught: it ends the start-up.
bool loadDescription()
{
    try {
        return loadDemoDescription();
    } catch (const nlohmann::json::exception& error) {
        platform_warn("demo.json", descriptionErrorText(error));
        return false;
    }
}

std::unique_ptr<VertexArrayObject> makeQuad()
{
    auto quad = std::make_unique<VertexArrayObject>(kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount,
                                                    kQuadTexCoordCount, kQuadIndexCount);
    quad->bindAttributes(*appState.antiAliasProgram);
    return quad;
}

} // namespace

bool initDemo()
{
    appState.windowWidth = static_cast<float>(glutGet(GLUT_WINDOW_WIDTH));
    appState.windowHeight = static_cast<float>(glutGet(GLUT_WINDOW_HEIGHT));

    // A missing or undecodable tune is reported by the stream; the clock
    // then stands at 0 and the demo still runs.
    appState.musicStream.open("tune.ogg");

    appState.syncDevice.reset(sync_open("sync"));
    // Requested before the description, so a shader parameter called "scene"
    // shares this track.
    appState.sceneTrack = sync_obtain_track(appState.syncDevice.get(), "scene");
    appState.fftSamplingTrack = sync_obtain_track(appState.syncDevice.get(), "fft_sampling_index");

    if (!loadDescription())
        return false;
    glutSetWindowTitle(appState.windowTitle.c_str());

    appState.musicStream.update();
    createRenderTargets();
    return true;
}

void initAntiAliasProgram()
{
    const GLuint vertexShader = compileVertexShader(readShaderSource("test.vsh", &appState.fileWarnings).c_str());
    const GLuint fragmentShader = compileFragmentShader(readShaderSource("AA.fsh", &appState.fileWarnings).c_str());
    appState.antiAliasProgram = std::make_unique<ShaderProgram>(fragmentShader, vertexShader);
}

void initQuadMeshes()
{
    appState.screenQuad = makeQuad();
    for (auto& passQuad : appState.passQuads)
        passQuad = makeQuad();
}

void releaseMusic()
{
    if (!appState.musicStream.isReleased())
        appState.musicStream.release();
}
