// The description loader with the player's builder: every shader entry a
// built DemoShader, every scene a Scene holding copies of its entries, every
// texture entry one image Texture. AppState owns all of it until the process
// ends. Main thread, GL context current.
#include "demo/DemoLoader.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "demo/DemoDescription.h"

namespace {

const char* const kDescriptionPath = "demo.json";

// Makes the description's objects in appState (see walkDescription for the
// order of the calls).
class AppStateBuilder {
public:
    void setFullscreen()
    {
        glutFullScreen();
        glutSetCursor(GLUT_CURSOR_NONE);
    }

    void setTitle(const std::string& name) { appState.windowTitle = name; }

    void beginShader(const std::string& vertexPath, const std::string& fragmentPath)
    {
        shader_.emplace(vertexPath, fragmentPath);
        // A program that fails to compile or link still joins the list; its
        // messages are on the console and hot reload can mend it later.
        shader_->build();
    }

    void addParameter(const std::string& name) { shader_->addParameter(appState.syncDevice.get(), name); }

    void finishShader()
    {
        appState.shaders.push_back(*shader_);
        shader_.reset();
    }

    std::size_t shaderCount() const { return appState.shaders.size(); }

    void beginScene() { scene_.emplace(); }

    void addPass(uint32_t shaderIndex) { scene_->addShader(appState.shaders[shaderIndex]); }

    DescriptionTexture addTexture(const std::string& path)
    {
        appState.imageTextures.push_back(std::make_unique<Texture>(path));
        Texture& texture = *appState.imageTextures.back();
        scene_->addTexture(texture);
        return {texture.getId(), &texture};
    }

    const void* sceneAddress() const { return &*scene_; }

    void finishScene()
    {
        appState.scenes.push_back(*scene_);
        scene_.reset();
    }

private:
    std::optional<DemoShader> shader_; // the entry being read
    std::optional<Scene> scene_;       // the scene being read
};

} // namespace

void loadDemoDescription()
{
    nlohmann::json document = parseDescription(readDescriptionText(kDescriptionPath));
    AppStateBuilder builder;
    walkDescription(document, std::cout, builder);
}
