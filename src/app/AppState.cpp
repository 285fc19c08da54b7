// The process-wide AppState instance and its reset. Main thread only.
#include "app/AppState.h"

AppState appState;

void resetAppState()
{
    appState.shaders.clear();
    appState.scenes.clear();
    appState.windowTitle.clear();
    appState.paused = false;
    appState.sceneTrack = nullptr;
    appState.fftSamplingTrack = nullptr;
    appState.musicStarted = false;
    appState.reloadCursor = 0;
    // musicStream stays as it is: a released stream cannot be opened again,
    // so tests that need music keep a MusicStream of their own.
    appState.rowsPerSecond = 1200.0 / 60.0 * 1.0;
    appState.fftValue = 0.0f;
    appState.screenQuad.reset();
    for (auto& quad : appState.passQuads)
        quad.reset();
    appState.antiAliasProgram.reset();
    appState.fstrValue = 0.0f;
    appState.syncDevice.reset();
    appState.windowWidth = 0.0f;
    appState.windowHeight = 0.0f;
    appState.framebuffers.fill(0);
    appState.depthRenderbuffers.fill(0);
    for (auto& texture : appState.colorTextures)
        texture.reset();
    appState.beepArmed = true;
    appState.vertexArrayObjectCount = 0;
    appState.imageTextures.clear();
    appState.console = PlatformConsole();
    appState.fileWarnings = FileWarnings();
}
