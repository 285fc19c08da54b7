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
#include "platform/warning.h"

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
        shader_->build(&appState.fileWarnings);
    }

    void addParameter(const std::string& name) { shader_->addParameter(appState.syncDevice.get(), name); }

    void finishShader()
    {
        appState.shaders.push_back(*shader_);
        shader_.reset();
    }

    std::size_t shaderCount() const { return appState.shaders.size(); }

    void beginScene()
    {
        scene_.emplace();
        passCount_ = 0;
    }

    void addPass(uint32_t shaderIndex)
    {
        scene_->addShader(appState.shaders[shaderIndex]);
        ++passCount_;
    }

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
        // The scene's own refusal goes to standard output, where the frame
        // reports soon scroll it away.
        if (passCount_ > static_cast<std::size_t>(Scene::kMaxPasses))
            platform_warn(kDescriptionPath, "scene " + std::to_string(appState.scenes.size()) + " has " +
                                                std::to_string(passCount_) + " passes; only the first " +
                                                std::to_string(Scene::kMaxPasses) + " are drawn");
        appState.scenes.push_back(*scene_);
        scene_.reset();
    }

private:
    std::optional<DemoShader> shader_; // the entry being read
    std::optional<Scene> scene_;       // the scene being read
    std::size_t passCount_ = 0;        // pass entries of the scene being read, refused ones too
};

} // namespace

bool loadDemoDescription()
{
    std::string text;
    std::string problem;
    if (!readDescriptionFile(kDescriptionPath, text, problem)) {
        platform_warn(kDescriptionPath, problem);
        return false;
    }
    nlohmann::json document = parseDescription(text);
    AppStateBuilder builder;
    walkDescription(document, std::cout, builder);
    return true;
}
