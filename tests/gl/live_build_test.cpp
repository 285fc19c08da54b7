// Live mode's builds against a real GL context: a failure neither prints,
// waits for input nor loses the file's name and line; one program is handed
// to every copy of an entry; and a load tells its host every entry that fails.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "CapturedConsole.h"
#include "GlTestContext.h"
#include "ScratchDir.h"
#include "TestShaders.h"
#include "demo/DemoLoader.h"
#include "render/DemoShader.h"
#include "render/ShaderProgram.h"
#include "sync/device.h"

namespace {

using testsupport::kBrokenFragmentShader;
using testsupport::kQuadVertexShader;
using testsupport::kWhiteFragmentShader;
// Compiles, but there is nothing to link: no main.
const char* const kNoMainFragment = "#version 140\nout vec4 colour;\nvoid paint() { colour = vec4(1.0); }\n";

class LiveBuild : public testing::Test {
protected:
    CapturedConsole console; // what the code under test said
    void SetUp() override { gltest::ensureGlContext(); }

    // Builds v.vsh and `fragmentName` live, with "xy" waiting on standard input.
    ShaderProgram build(const std::string& fragmentName)
    {
        EXPECT_NE(std::freopen(dir.write("input", "xy").c_str(), "r", stdin), nullptr);
        ShaderBuild build = render::buildShaderProgram(vertex, dir.file(fragmentName), BuildReport::Quiet,
                                                       console.sink);
        out = console.takeOut();
        err = console.takeErr();
        failure = build.outcome.failure;
        EXPECT_EQ(build.outcome.built, build.program.isValid());
        return std::move(build.program);
    }

    ScratchDir dir;
    const std::string vertex = dir.write("v.vsh", kQuadVertexShader);
    std::string failure, out, err;
};

} // namespace

TEST_F(LiveBuild, FailuresAreReturnedNamedAndNeverWaitOrPrint)
{
    dir.write("broken.fsh", kBrokenFragmentShader);
    EXPECT_FALSE(build("broken.fsh").isValid());
    EXPECT_EQ(failure.rfind(dir.file("broken.fsh") + ":3:", 0), 0u) << failure;
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    EXPECT_EQ(std::getchar(), 'x') << "the failed fragment must not wait for Enter";

    dir.write("nomain.fsh", kNoMainFragment);
    EXPECT_FALSE(build("nomain.fsh").isValid());
    EXPECT_EQ(failure.rfind(vertex + ", " + dir.file("nomain.fsh") + ": program does not link: ", 0), 0u) << failure;
    EXPECT_EQ(failure.find('\n'), std::string::npos);
    EXPECT_EQ(err, "");

    EXPECT_FALSE(build("missing.fsh").isValid());
    EXPECT_EQ(failure.rfind(dir.file("missing.fsh") + ": ", 0), 0u) << failure;

    dir.write("good.fsh", kWhiteFragmentShader);
    EXPECT_TRUE(build("good.fsh").isValid());
    EXPECT_EQ(failure, "") << "a success leaves no reason behind";
    EXPECT_EQ(out, "");
}

TEST_F(LiveBuild, ErrorsInIncludedFilesNameThatFileAndItsLine)
{
    // A shader-site source on the player's own vertex shader: the error is
    // in the included file, behind the lines the convention adds.
    std::filesystem::create_directory(dir.file("lib"));
    dir.write("lib/tone.glsl", "// tone\nvec3 tone(vec2 p) { return vec3(p, 0.0) }\n");
    DemoShader entry("",
                     dir.write("site.fsh",
                               "#include \"lib/tone.glsl\"\n"
                               "void mainImage(out vec4 c, in vec2 p) { c = vec4(tone(p), 1.0); }\n"),
                     render::findShaderConvention("shadertoy"));
    const BuildOutcome broken = entry.build(BuildReport::Quiet, console.sink);
    EXPECT_FALSE(broken.built);
    EXPECT_EQ(broken.failure.rfind(dir.file("lib/tone.glsl") + ":2:", 0), 0u) << broken.failure;
    EXPECT_EQ(entry.getSourceFiles(), (std::vector<std::string>{dir.file("site.fsh"), dir.file("lib/tone.glsl")}));

    // The player's own check notices a saved include as it does its own files.
    EXPECT_FALSE(entry.checkForChanges(console.sink));
    dir.write("lib/tone.glsl", "vec3 tone(vec2 p) { return vec3(p, 0.0); }\n");
    const auto path = std::filesystem::u8path(dir.file("lib/tone.glsl"));
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_TRUE(entry.checkForChanges(console.sink));
    EXPECT_EQ(console.takeOut(), "timestamp is different, file has been modified\nsource is diff\n");
    const BuildOutcome mended = entry.build(BuildReport::Quiet, console.sink);
    EXPECT_TRUE(mended.built) << mended.failure;
}

TEST_F(LiveBuild, OneProgramServesEveryCopyAndOutlivesTheEntryThatMadeIt)
{
    DemoShader entry(vertex, dir.write("f.fsh", kWhiteFragmentShader));
    ASSERT_TRUE(entry.build(BuildReport::Console, console.sink).built);
    console.takeOut();
    DemoShader copy = entry;

    DemoShader rebuilt = entry;
    ASSERT_TRUE(rebuilt.build(BuildReport::Quiet, console.sink).built);
    ASSERT_NE(rebuilt.getProgramId(), entry.getProgramId());
    copy.shareBuildOf(rebuilt);
    entry.shareBuildOf(rebuilt);
    const GLuint program = rebuilt.getProgramId();
    rebuilt = DemoShader(vertex, vertex);
    EXPECT_EQ(copy.getProgramId(), program);
    EXPECT_EQ(entry.getProgramId(), program);
    EXPECT_TRUE(glIsProgram(program));
}

namespace {

// Builds quietly and keeps every outcome, as live mode's host does.
struct QuietHost : DescriptionHost {
    void enterFullscreen() override {}
    void setTitle(const std::string&) override {}
    BuildReport buildReport() const override { return BuildReport::Quiet; }
    void shaderBuilt(const std::string& vertexPath, const std::string& fragmentPath,
                     const BuildOutcome& outcome) override
    {
        if (!outcome.built)
            errors.push_back({vertexPath, fragmentPath, outcome.failure});
    }

    struct Error {
        std::string vertexPath, fragmentPath, message;
    };
    std::vector<Error> errors;
};

} // namespace

TEST_F(LiveBuild, LiveLoadCollectsTheEntriesThatFailAndTheImagesFiles)
{
    dir.write("good.fsh", kWhiteFragmentShader);
    dir.write("broken.fsh", kBrokenFragmentShader);
    dir.write("demo.json", R"({"name": "live", "fullscreen": false, "shaders": [
        {"name": "good", "vertexsrc": "v.vsh", "fragmentsrc": "good.fsh"},
        {"name": "broken", "vertexsrc": "v.vsh", "fragmentsrc": "broken.fsh"}],
      "scenes": [{"id": "one", "shader_order": [{"pass_order": 0, "shader_id": 1}],
                  "textures": [{"id": 0, "src": "none.png"}]}]})");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    ASSERT_NE(std::freopen(dir.write("input", "xy").c_str(), "r", stdin), nullptr);
    std::unique_ptr<SyncDevice, void (*)(SyncDevice*)> device(sync_open("sync", console.sink), sync_close);
    DemoContent content;
    QuietHost host;
    const bool loaded = demo::loadDemoDescription("demo.json", device.get(), content, host, console.sink, nullptr);
    const std::vector<QuietHost::Error>& errors = host.errors;
    console.takeOut();
    console.takeErr();
    std::filesystem::current_path(previous);

    ASSERT_TRUE(loaded);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].vertexPath, "v.vsh");
    EXPECT_EQ(errors[0].fragmentPath, "broken.fsh");
    EXPECT_EQ(errors[0].message.rfind("broken.fsh:3:", 0), 0u) << errors[0].message;
    EXPECT_EQ(std::getchar(), 'x') << "the load must not wait for Enter";
    EXPECT_NE(content.shaders.at(0).getProgramId(), 0u);
    EXPECT_EQ(content.imagePaths, std::vector<std::string>{"none.png"});
}
