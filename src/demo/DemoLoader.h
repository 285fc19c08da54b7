// The demo layer: the description (demo.json) read, checked and turned into
// the demo's content, the files a demo reads, its timing and release
// settings, on the render, sync and platform layers. The content it fills
// owns the demo's shader entries, scenes and image textures; the caller owns
// the content. Main thread, with the GL context current while loading.
//
// The description loader, the layer's main entry: turns a description file
// into a DemoContent, writing the description's account to a console sink
// as it goes.
#pragma once

#include "demo/DemoContent.h"
#include "demo/DescriptionHost.h"
#include "platform/ConsoleSink.h"
#include "platform/FileWarnings.h"
#include "render/ImageCache.h"
#include "sync/device.h"

namespace demo {

// Reads the description at `path` (the player's is "demo.json") and fills
// `content`: built shader entries, scenes holding copies of them, one image
// texture per texture entry, and the demo's length and tempo. Every shader parameter is a track of
// `device`. The demo's name and a full-screen request go to `host`; the
// account and the warnings go to `console`, those about shader files through
// `warnings` (once per file and problem). Call on the thread that owns the GL
// context. Returns false, after one warning "demo.json: reason", when the
// file cannot be read. A bad
// description ends the load where it went wrong by throwing
// nlohmann::json::exception (see demo/DemoDescription.h); the start-up
// catches it. Whatever was loaded until then stays in `content`. A scene of
// more passes than a scene draws loads its first ones, with one warning. Shader entries build as `host` asks and tell
// it each outcome. Images are decoded through `images` when given (the
// caller's cache, whose decodes it can count), else through a cache of the
// load's own: either way each file once, however many entries name it.
bool loadDemoDescription(const char* path, SyncDevice* device, DemoContent& content, DescriptionHost& host,
                         ConsoleSink& console, FileWarnings* warnings, ImageCache* images = nullptr);

} // namespace demo
