// The demo description loader: turns "demo.json" in the working directory
// into the shader entries, scenes and image textures of AppState, writing the
// description's account to standard output as it goes.
#pragma once

// Reads "demo.json" and fills appState.shaders, appState.scenes, the image
// textures that the scenes refer to and appState.windowTitle; switches the
// current window to full screen, cursor hidden, when the description asks.
// Call once, on the thread that owns the GL context, after appState's
// syncDevice exists. Returns false, after one line "demo.json: reason" on
// standard error, when the file cannot be read. A bad description ends the
// load where it went wrong by throwing nlohmann::json::exception (see
// demo/DemoDescription.h); the start-up catches it. Whatever was loaded
// until then stays in appState. A scene of more passes than a scene draws
// loads its first ones, with one line on standard error.
bool loadDemoDescription();
