// The description loader with the player's builder: every shader entry a
// built DemoShader, every scene a Scene holding copies of its entries, every
// texture entry one image Texture, all into one DemoContent. Main thread, GL
// context current.
#include "demo/DemoLoader.h"

#include <memory>
#include <optional>
#include <string>

#include "demo/DemoDescription.h"
#include "platform/ConsoleSink.h"

namespace {

// Makes the description's objects in a DemoContent (see walkDescription for
// the order of the calls).
class ContentBuilder {
public:
    ContentBuilder(const char* path, SyncDevice* device, DemoContent& content, DescriptionHost& host,
                   ConsoleSink& console, FileWarnings* warnings, ImageCache& images)
        : path_(path), device_(device), content_(content), host_(host), console_(console), warnings_(warnings),
          images_(images)
    {
    }

    void setFullscreen() { host_.enterFullscreen(); }

    void setTitle(const std::string& name) { host_.setTitle(name); }

    void beginShader(const std::string& vertexPath, const std::string& fragmentPath, const ShaderConvention* convention,
                     const std::string& commonPath)
    {
        shader_.emplace(vertexPath, fragmentPath, convention, &console_);
        shader_->setCommonPath(commonPath);
        // A program that fails to compile or link still joins the list; the
        // host has its failure, and hot reload can mend it later.
        const BuildOutcome outcome = shader_->build(host_.buildReport(), console_, warnings_);
        host_.shaderBuilt(vertexPath, fragmentPath, outcome);
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
        dropped_.clear();
    }

    void addPass(uint32_t shaderIndex, const PassSettings& settings)
    {
        DemoShader shader = content_.shaders[shaderIndex];
        if (!settings.define.empty())
            shader = definedCopy(shader, settings.define);
        if (passCount_ >= static_cast<std::size_t>(Scene::kMaxPasses))
            dropped_ += std::string(dropped_.empty() ? "" : ", ") + "shader_order[" + std::to_string(passCount_) +
                        "] " + shader.getFragmentPath();
        if (!scene_->addShader(shader, settings))
            console_.out() << "Sorry. Only max 8 shaders per scene allowed for now. Shall we fix it?";
        ++passCount_;
    }

    DescriptionTexture addTexture(const std::string& path, const SceneTextureOptions& options)
    {
        std::string problem;
        content_.imageTextures.push_back(std::make_unique<Texture>(path, images_.image(path), console_,
                                                                   host_.takesImageFailures() ? &problem : nullptr));
        if (!problem.empty())
            host_.imageFailed(path, problem);
        content_.imagePaths.push_back(path);
        Texture& texture = *content_.imageTextures.back();
        scene_->addTexture(texture, options);
        return {texture.getId(), &texture};
    }

    const void* sceneAddress() const { return &*scene_; }

    void finishScene()
    {
        // The scene's own refusal goes to standard output, where the frame
        // reports soon scroll it away.
        if (passCount_ > static_cast<std::size_t>(Scene::kMaxPasses))
            console_.warn(path_, "scene " + std::to_string(content_.scenes.size()) + " has " +
                                     std::to_string(passCount_) + " passes; only the first " +
                                     std::to_string(Scene::kMaxPasses) + " are drawn; dropped: " + dropped_);
        content_.scenes.push_back(*scene_);
        scene_.reset();
    }

    void warn(const std::string& message) { console_.warn(path_, message); }

private:
    // The entry's files built once more with `define`: a program of its own,
    // or none when that build fails (never the entry's program without it).
    DemoShader definedCopy(const DemoShader& entry, const std::string& define)
    {
        DemoShader shader(entry.getVertexPath(), entry.getFragmentPath(), entry.getConvention());
        shader.setCommonPath(entry.getCommonPath());
        shader.addDefine(define);
        for (const std::string& name : entry.getParameterNames())
            shader.addParameter(device_, name);
        const BuildOutcome outcome = shader.build(host_.buildReport(), console_, warnings_);
        host_.shaderBuilt(shader.getVertexPath(), shader.getFragmentPath(), outcome);
        return shader;
    }

    const char* path_;
    SyncDevice* device_;
    DemoContent& content_;
    DescriptionHost& host_;
    ConsoleSink& console_;
    FileWarnings* warnings_;
    std::optional<DemoShader> shader_; // the entry being read
    std::optional<Scene> scene_;       // the scene being read
    std::size_t passCount_ = 0;        // pass entries of the scene being read, refused ones too
    std::string dropped_;              // the refused ones, "shader_order[8] glow.fsh, ..."
    ImageCache& images_;               // each image decoded once per load, however many entries name it
};

} // namespace

bool demo::loadDemoDescription(const char* path, SyncDevice* device, DemoContent& content, DescriptionHost& host,
                               ConsoleSink& console, FileWarnings* warnings, ImageCache* images)
{
    std::string text;
    std::string problem;
    if (!readDescriptionFile(path, text, problem)) {
        console.warn(path, problem);
        return false;
    }
    nlohmann::json document = parseDescription(text);
    // Before the walk, which may end the load on the very key mistyped.
    for (const std::string& line : unknownDescriptionKeys(document))
        console.warn(path, line);
    // The length, tempo and release settings first: a wrong one ends the
    // load before anything is made.
    readDescriptionSettings(document, content.timing, content.release);
    content.finalPass = readFinalPass(document);
    ImageCache ownImages;
    ContentBuilder builder(path, device, content, host, console, warnings, images != nullptr ? *images : ownImages);
    walkDescription(document, console.out(), builder);
    return true;
}
