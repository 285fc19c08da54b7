// The demo module: everything "demo.json" describes, made into objects the
// renderer draws with, and the loader that makes them (DemoLoader.h).
//
// Main thread only. DemoContent owns the shader entries, the scenes and the
// image textures the scenes point at, as one unit: a description loaded
// again can be made into a new DemoContent and swapped in whole while the
// demo runs. Moving a DemoContent keeps the scenes' texture pointers valid
// (each texture lives on the heap).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "demo/DemoTiming.h"
#include "demo/ReleaseWindow.h"
#include "render/DemoShader.h"
#include "render/Scene.h"
#include "render/Texture.h"

struct DemoContent {
    std::vector<DemoShader> shaders;                     // the description's entries, in file order
    std::vector<Scene> scenes;                           // the description's scenes, addressed by index
    std::vector<std::unique_ptr<Texture>> imageTextures; // one per texture entry; scenes point at them
    std::vector<std::string> imagePaths;                 // the file of each image texture, in the same order
    DemoTiming timing;                                   // the demo's length and tempo
    ReleaseWindow release;                               // how a release shows it (--release)
    bool finalPass = true; // false ("final_pass": "none"): each scene's last pass draws the picture
};
