// Live mode's reload policy carried out on a real demo loaded in a scratch
// folder: a save that does not build keeps what was drawing and says why
// once; a save that builds replaces only what uses the file (a pass with a
// define of its own included); a description that does not load leaves the
// running demo; a description reload decodes each image once, however many
// texture entries name it.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CapturedConsole.h"
#include "GlTestContext.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "TestShaders.h"
#include "app/DemoSetup.h"
#include "app/LiveConsole.h"
#include "app/LiveReload.h"
#include "app/LoadedDemo.h"

namespace {

using testsupport::kBrokenFragmentShader;
using testsupport::kQuadVertexShader;
using testsupport::kWhiteFragmentShader;
const char* const kGreyFragmentShader = "#version 140\nout vec4 colour;\nvoid main() { colour = vec4(0.5); }\n";

// Two entries sharing v.vsh; scene 0 draws a then b and reads noise.png
// twice, scene 1 draws a and reads noise.png and grain.png.
const char* const kDescription = R"({"name": "Reloads", "fullscreen": false, "final_pass": "none",
  "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "a.fsh"}, {"vertexsrc": "v.vsh", "fragmentsrc": "b.fsh"}],
  "scenes": [
    {"shader_order": [{"shader_id": 0}, {"shader_id": 1}],
     "textures": [{"id": 0, "src": "noise.png"}, {"id": 1, "src": "noise.png"}]},
    {"shader_order": [{"shader_id": 0}],
     "textures": [{"id": 0, "src": "noise.png"}, {"id": 1, "src": "grain.png"}]}]})";

// The start-up's side of the first load, as live mode's: failures kept, nothing waits.
struct StartUpHost : BuildAnsweringHost {
    using BuildAnsweringHost::BuildAnsweringHost;
    void enterFullscreen() override {}
    void setTitle(const std::string&) override {}
};

// A run without a window, music or track editor.
struct PlainRun : LiveReloadHost {
    void setTitle(const std::string& name) override { title = name; }
    double tuneSeconds() const override { return 0.0; }
    std::string title;
};

class LiveReloadTest : public testing::Test {
protected:
    void SetUp() override
    {
        gltest::ensureGlContext();
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(std::filesystem::u8path(dir.path()));
        dir.write("v.vsh", kQuadVertexShader);
        dir.write("a.fsh", kWhiteFragmentShader);
        dir.write("b.fsh", kWhiteFragmentShader);
        writeImage("noise.png", 1);
        writeImage("grain.png", 1);
        dir.write("demo.json", kDescription);

        BuildFailures builds(BuildFailurePolicy::Show);
        StartUpHost host(builds);
        ASSERT_TRUE(app::loadDemoContent(host, loaded));
        reload = std::make_unique<LiveReload>(loaded, run, liveConsole);
        reload->showBuildErrors(builds.takeFailures());
        reload->start();
        ASSERT_EQ(loaded.demo.shaders.size(), 2u);
        ASSERT_EQ(loaded.demo.scenes.size(), 2u);
        console.takeOut();
        ASSERT_EQ(console.takeErr(), "");
    }

    void TearDown() override
    {
        reload.reset();
        loaded.releaseGlObjects();
        std::filesystem::current_path(previousDirectory);
    }

    // An image `width` x 1 pixels.
    void writeImage(const std::string& name, int width)
    {
        const std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * 4, 200);
        ASSERT_TRUE(testsupport::writePng(dir.file(name), width, 1, 4, pixels.data()));
    }

    GLuint entryProgram(std::size_t entry) const { return loaded.demo.shaders.at(entry).getProgramId(); }
    GLuint passProgram(std::size_t scene, std::size_t pass)
    {
        return loaded.demo.scenes.at(scene).getPassShaders().at(pass).getProgramId();
    }
    std::vector<std::string> problemKeys() const
    {
        std::vector<std::string> keys;
        for (const ReloadProblem& problem : reload->problems().all())
            keys.push_back(problem.key);
        return keys;
    }

    ScratchDir dir;
    std::filesystem::path previousDirectory;
    CapturedConsole console; // the loaded demo's console; the live console writes to its account too
    LiveConsole liveConsole{console.out, false};
    LoadedDemo loaded{console.sink};
    PlainRun run;
    std::unique_ptr<LiveReload> reload;
};

} // namespace

TEST_F(LiveReloadTest, ABrokenShaderKeepsItsLastGoodProgramUntilItBuildsAgain)
{
    const GLuint a = entryProgram(0);
    const GLuint b = entryProgram(1);

    dir.write("a.fsh", kBrokenFragmentShader);
    reload->reload({"a.fsh"});
    EXPECT_EQ(entryProgram(0), a) << "the last good program keeps drawing";
    EXPECT_EQ(passProgram(0, 0), a);
    EXPECT_EQ(passProgram(1, 0), a);
    EXPECT_TRUE(glIsProgram(a));
    EXPECT_EQ(problemKeys(), (std::vector<std::string>{"v.vsh, a.fsh"}));
    const std::string said = console.takeErr();
    EXPECT_EQ(said.rfind("a.fsh:3:", 0), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
    EXPECT_EQ(console.takeOut(), "");
    EXPECT_EQ(reload->latest(), "");

    dir.write("a.fsh", kGreyFragmentShader);
    reload->reload({"a.fsh"});
    const GLuint rebuilt = entryProgram(0);
    EXPECT_NE(rebuilt, a);
    EXPECT_EQ(passProgram(0, 0), rebuilt) << "every copy of the entry draws with the new program";
    EXPECT_EQ(passProgram(1, 0), rebuilt);
    EXPECT_EQ(entryProgram(1), b) << "b.fsh's entry does not use the saved file";
    EXPECT_EQ(passProgram(0, 1), b);
    EXPECT_TRUE(problemKeys().empty());
    EXPECT_EQ(console.takeOut(), "Reloaded v.vsh, a.fsh\n");
    EXPECT_EQ(console.takeErr(), "");
    EXPECT_EQ(reload->latest(), "reloaded v.vsh, a.fsh");
}

TEST_F(LiveReloadTest, AFileSharedByEntriesFailsThemAllButIsSaidOnce)
{
    const GLuint a = entryProgram(0);
    const GLuint b = entryProgram(1);
    dir.write("v.vsh", "#version 140\nin vec3 s_vPosition;\nvoid main() { gl_Position = vec4(s_vPosition) }\n");
    reload->reload({"v.vsh"});
    EXPECT_EQ(entryProgram(0), a);
    EXPECT_EQ(entryProgram(1), b);
    EXPECT_EQ(problemKeys(), (std::vector<std::string>{"v.vsh, a.fsh", "v.vsh, b.fsh"}));
    EXPECT_EQ(reload->problems().distinctMessages().size(), 1u);
    const std::string said = console.takeErr();
    EXPECT_EQ(said.rfind("v.vsh:3:", 0), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "said once: " << said;

    dir.write("v.vsh", kQuadVertexShader);
    reload->reload({"v.vsh"});
    EXPECT_NE(entryProgram(0), a);
    EXPECT_NE(entryProgram(1), b);
    EXPECT_TRUE(problemKeys().empty());
    EXPECT_EQ(console.takeOut(), "Reloaded v.vsh, a.fsh\nReloaded v.vsh, b.fsh\n");
}

TEST_F(LiveReloadTest, ADescriptionThatDoesNotLoadLeavesTheRunningDemo)
{
    const GLuint a = entryProgram(0);
    const GLuint b = entryProgram(1);
    dir.write("demo.json", R"({"name": "Broken", "shaders": [)");
    dir.write("b.fsh", kGreyFragmentShader);
    reload->reload({"demo.json", "b.fsh"});
    ASSERT_EQ(loaded.demo.shaders.size(), 2u);
    ASSERT_EQ(loaded.demo.scenes.size(), 2u);
    EXPECT_EQ(entryProgram(0), a);
    EXPECT_NE(entryProgram(1), b) << "a shader saved with it is rebuilt in the running demo";
    EXPECT_EQ(run.title, "");
    EXPECT_EQ(problemKeys(), (std::vector<std::string>{"demo.json"}));
    const std::string said = console.takeErr();
    EXPECT_EQ(said.rfind("demo.json: ", 0), 0u) << said;
    EXPECT_NE(said.find("; the running demo stays\n"), std::string::npos) << said;

    // Mended, with a third entry and a new name: the new demo replaces the running one.
    std::string mended = kDescription;
    mended.replace(mended.find("\"Reloads\""), 9, "\"Mended\"");
    mended.replace(mended.find("]"), 1, R"(, {"vertexsrc": "v.vsh", "fragmentsrc": "b.fsh"}])");
    dir.write("demo.json", mended);
    reload->reload({"demo.json"});
    EXPECT_EQ(loaded.demo.shaders.size(), 3u);
    EXPECT_EQ(run.title, "Mended");
    EXPECT_TRUE(problemKeys().empty());
    EXPECT_NE(console.takeOut().find("Reloaded demo.json\n"), std::string::npos);
    EXPECT_EQ(console.takeErr(), "");
}

TEST_F(LiveReloadTest, AnEntryThatFailsInAReloadedDescriptionDrawsWithItsLastGoodProgram)
{
    const GLuint a = entryProgram(0);
    dir.write("a.fsh", kBrokenFragmentShader);
    reload->reload({"demo.json", "a.fsh"});
    EXPECT_EQ(entryProgram(0), a);
    EXPECT_EQ(passProgram(1, 0), a);
    EXPECT_TRUE(glIsProgram(a));
    EXPECT_EQ(problemKeys(), (std::vector<std::string>{"v.vsh, a.fsh"}));
}

TEST_F(LiveReloadTest, ADescriptionReloadDecodesEachImageOnce)
{
    // noise.png is named by three texture entries, grain.png by one.
    const std::size_t before = reload->images().decodes();
    reload->reload({"demo.json"});
    EXPECT_EQ(reload->images().decodes() - before, 2u);
    ASSERT_EQ(loaded.demo.imagePaths.size(), 4u);

    // A saved image is decoded once for all its entries.
    writeImage("noise.png", 3);
    reload->reload({"noise.png"});
    EXPECT_EQ(reload->images().decodes() - before, 3u);
    for (std::size_t i = 0; i < loaded.demo.imagePaths.size(); ++i)
        EXPECT_EQ(loaded.demo.imageTextures[i]->width(), loaded.demo.imagePaths[i] == "noise.png" ? 3 : 1)
            << loaded.demo.imagePaths[i];
}

TEST_F(LiveReloadTest, APassWithADefineHasItsOwnProgramRebuiltWithItsEntrysFiles)
{
    std::string defined = kDescription;
    const std::string scene1 = R"({"shader_order": [{"shader_id": 0}],)";
    defined.replace(defined.find(scene1), scene1.size(),
                    R"({"shader_order": [{"shader_id": 0}, {"shader_id": 0, "define": "SOFT"}],)");
    dir.write("demo.json", defined);
    reload->reload({"demo.json"});
    ASSERT_EQ(loaded.demo.scenes.at(1).getPassShaders().size(), 2u);
    const GLuint own = passProgram(1, 1);
    ASSERT_NE(own, entryProgram(0));

    dir.write("b.fsh", kGreyFragmentShader);
    reload->reload({"b.fsh"});
    EXPECT_EQ(passProgram(1, 1), own) << "b.fsh is not among its files";

    dir.write("a.fsh", kGreyFragmentShader);
    reload->reload({"a.fsh"});
    EXPECT_NE(passProgram(1, 1), own);
    EXPECT_NE(passProgram(1, 1), entryProgram(0)) << "still a program of its own, with its define";
    EXPECT_EQ(passProgram(1, 0), entryProgram(0));
    EXPECT_TRUE(problemKeys().empty());
}
