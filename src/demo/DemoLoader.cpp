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
#include "platform/warning.h"

namespace {

// Makes the description's objects in a DemoContent (see walkDescription for
// the order of the calls).
class ContentBuilder {
public:
    ContentBuilder(const char* path, SyncDevice* device, DemoContent& content, DescriptionHost& host,
                   FileWarnings* warnings, std::vector<ShaderBuildError>* buildErrors)
        : path_(path), device_(device), content_(content), host_(host), warnings_(warnings), buildErrors_(buildErrors)
    {
    }

    void setFullscreen() { host_.enterFullscreen(); }

    void setTitle(const std::string& name) { host_.setTitle(name); }

    void beginShader(const std::string& vertexPath, const std::string& fragmentPath, const ShaderConvention* convention)
    {
        shader_.emplace(vertexPath, fragmentPath, convention);
        // A program that fails to compile or link still joins the list; its
        // messages are on the console and hot reload can mend it later.
        if (buildErrors_ == nullptr) {
            shader_->build(warnings_);
            return;
        }
        std::string failure;
        if (!shader_->build(warnings_, &failure))
            buildErrors_->push_back({vertexPath, fragmentPath, failure});
    }

    void addParameter(const std::string& name) { shader_->addParameter(device_, name); }

    void finishShader()
    {
        content_.shaders.push_back(*shader_);
        shader_.reset();
    }

    std::size_t shaderCount() const { return content_.shaders.size(); }

    void beginScene()
    {
        scene_.emplace();
        passCount_ = 0;
    }

    void addPass(uint32_t shaderIndex, const PassSettings& settings)
    {
        scene_->addShader(content_.shaders[shaderIndex], settings);
        ++passCount_;
    }

    DescriptionTexture addTexture(const std::string& path)
    {
        content_.imageTextures.push_back(std::make_unique<Texture>(path));
        content_.imagePaths.push_back(path);
        Texture& texture = *content_.imageTextures.back();
        scene_->addTexture(texture);
        return {texture.getId(), &texture};
    }

    const void* sceneAddress() const { return &*scene_; }

    void finishScene()
    {
        // The scene's own refusal goes to standard output, where the frame
        // reports soon scroll it away.
        if (passCount_ > static_cast<std::size_t>(Scene::kMaxPasses))
            platform_warn(path_, "scene " + std::to_string(content_.scenes.size()) + " has " +
                                     std::to_string(passCount_) + " passes; only the first " +
                                     std::to_string(Scene::kMaxPasses) + " are drawn");
        content_.scenes.push_back(*scene_);
        scene_.reset();
    }

    void warn(const std::string& message) { platform_warn(path_, message); }

private:
    const char* path_;
    SyncDevice* device_;
    DemoContent& content_;
    DescriptionHost& host_;
    FileWarnings* warnings_;
    std::vector<ShaderBuildError>* buildErrors_; // null: builds as the specified player does
    std::optional<DemoShader> shader_;           // the entry being read
    std::optional<Scene> scene_;                 // the scene being read
    std::size_t passCount_ = 0;                  // pass entries of the scene being read, refused ones too
};

} // namespace

bool demo::loadDemoDescription(const char* path, SyncDevice* device, DemoContent& content, DescriptionHost& host,
                               FileWarnings* warnings, std::vector<ShaderBuildError>* buildErrors)
{
    std::string text;
    std::string problem;
    if (!readDescriptionFile(path, text, problem)) {
        platform_warn(path, problem);
        return false;
    }
    nlohmann::json document = parseDescription(text);
    // The length, tempo and release settings first: a wrong one ends the
    // load before anything is made.
    readDescriptionSettings(document, content.timing, content.release);
    ContentBuilder builder(path, device, content, host, warnings, buildErrors);
    walkDescription(document, std::cout, builder);
    return true;
}
