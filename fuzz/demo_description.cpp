// Fuzz target for the demo description: any bytes as "demo.json" text are
// parsed and walked as the loader walks them, with a builder that makes no GL
// objects. A bad description may only end in the library's exceptions, which
// the start-up turns into its one error line; anything else (a crash, a
// sanitizer report, another exception) is a finding.
//
//   build/sanitize/fuzz/fuzz_demo_description -max_total_time=600 fuzz/seeds/demo_description
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "demo/DemoDescription.h"

namespace {

// Keeps only counts, so passes can be checked against the shader list.
class CountingBuilder {
public:
    void setFullscreen() {}
    void setTitle(const std::string&) {}
    void beginShader(const std::string&, const std::string&, const ShaderConvention*, const std::string&)
    {
        open_ = true;
    }
    void addParameter(const std::string&)
    {
        if (!open_)
            __builtin_trap(); // a parameter outside a shader entry
    }
    void finishShader()
    {
        open_ = false;
        ++shaders_;
    }
    std::size_t shaderCount() const { return shaders_; }
    void beginScene() { passes_ = 0; }
    void addPass(uint32_t shaderIndex, const PassSettings& settings)
    {
        if (settings.channels.size() > static_cast<std::size_t>(PassSettings::kMaxChannels))
            __builtin_trap(); // more channels than a pass has
        if (shaderIndex >= shaders_)
            __builtin_trap(); // the walk let an index through that has no shader
        ++passes_;
    }
    DescriptionTexture addTexture(const std::string&, const SceneTextureOptions&) { return {++textures_, this}; }
    const void* sceneAddress() const { return this; }
    void finishScene() {}
    void warn(const std::string&) {}

private:
    bool open_ = false;
    std::size_t shaders_ = 0;
    std::size_t passes_ = 0;
    unsigned int textures_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // Cut at the first 0xFF as reading the file does.
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\xff'));
    try {
        nlohmann::json document = demo::parseDescription(text);
        std::ostringstream log;
        CountingBuilder builder;
        demo::walkDescription(document, log, builder);
    } catch (const nlohmann::json::exception&) {
        // The load ends here; the start-up reports its message and exits with 1.
    }
    return 0;
}
