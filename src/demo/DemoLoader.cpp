// The description loader with the player's builder: every shader entry a
// built DemoShader, every scene a Scene holding copies of its entries, every
// texture entry one image Texture, all into one DemoContent. Main thread, GL
// context current.
#include "demo/DemoLoader.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "demo/DemoDescription.h"

namespace {

// Makes the description's objects in a DemoContent (see walkDescription for
// the order of the calls).
class ContentBuilder {
public:
    ContentBuilder(SyncDevice* device, DemoContent& content, DescriptionHost& host)
        : device_(device), content_(content), host_(host)
    {
    }

    void setFullscreen() { host_.enterFullscreen(); }

    void setTitle(const std::string& name) { host_.setTitle(name); }

    void beginShader(const std::string& vertexPath, const std::string& fragmentPath)
    {
        shader_.emplace(vertexPath, fragmentPath);
        // A program that fails to compile or link still joins the list; its
        // messages are on the console and hot reload can mend it later.
        shader_->build();
    }

    void addParameter(const std::string& name) { shader_->addParameter(device_, name); }

    void finishShader()
    {
        content_.shaders.push_back(*shader_);
        shader_.reset();
    }

    std::size_t shaderCount() const { return content_.shaders.size(); }

    void beginScene() { scene_.emplace(); }

    void addPass(uint32_t shaderIndex) { scene_->addShader(content_.shaders[shaderIndex]); }

    DescriptionTexture addTexture(const std::string& path)
    {
        content_.imageTextures.push_back(std::make_unique<Texture>(path));
        Texture& texture = *content_.imageTextures.back();
        scene_->addTexture(texture);
        return {texture.getId(), &texture};
    }

    const void* sceneAddress() const { return &*scene_; }

    void finishScene()
    {
        content_.scenes.push_back(*scene_);
        scene_.reset();
    }

private:
    SyncDevice* device_;
    DemoContent& content_;
    DescriptionHost& host_;
    std::optional<DemoShader> shader_; // the entry being read
    std::optional<Scene> scene_;       // the scene being read
};

} // namespace

void loadDemoDescription(const char* path, SyncDevice* device, DemoContent& content, DescriptionHost& host)
{
    nlohmann::json document = parseDescription(readDescriptionText(path));
    ContentBuilder builder(device, content, host);
    walkDescription(document, std::cout, builder);
}
