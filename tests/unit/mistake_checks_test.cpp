// Start-up warnings for mistakes that would otherwise pass in silence.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demo/MistakeChecks.h"

namespace {

// A demo with nothing to complain about: one shader whose parameter "speed"
// has its track and its uniform, a scene track within two scenes, a 52 s tune
// and a demo that ends at 50 s.
DemoFacts soundDemo()
{
    DemoFacts facts;
    ShaderFacts shader;
    shader.vertexPath = "quad.vsh";
    shader.fragmentPath = "plasma.fsh";
    shader.vertexSource = "in vec3 s_vPosition;\nuniform mat4 transform;\n";
    shader.fragmentSource = "uniform float iGlobalTime, speed;\nout vec4 colour;\n";
    shader.parameterNames = {"speed"};
    facts.shaders.push_back(shader);
    facts.sceneCount = 2;
    facts.tracks = {{"scene", true, true, 2, 400}, {"speed", true, true, 3, 900}, {"fstr_val", false, true, 0, 0}};
    facts.sceneTrackKeyValues = {0.0f, 1.9f};
    facts.sceneTrackKeyRows = {0, 400};
    facts.tuneSeconds = 52.0;
    facts.timing.endRow = 1000.0;
    return facts;
}

bool mentions(const std::vector<std::string>& warnings, const std::string& start, const std::string& word)
{
    for (const std::string& line : warnings)
        if (line.rfind(start, 0) == 0 && line.find(word) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(MistakeChecks, ASoundDemoGetsNone)
{
    EXPECT_TRUE(demo::demoWarnings(soundDemo()).empty());
    DemoFacts noTune = soundDemo();
    noTune.tuneSeconds = 0.0;
    EXPECT_TRUE(demo::demoWarnings(noTune).empty()) << "a missing tune has its own message elsewhere";
}

TEST(MistakeChecks, EachMistakeGetsOneLineNamingItsFile)
{
    DemoFacts facts = soundDemo();
    facts.tuneSeconds = 32.0;                           // ends before row 1000 (50 s)
    facts.shaders[0].parameterNames.push_back("twist"); // no file, not declared
    facts.tracks.push_back({"twist", false, true, 0, 0});
    facts.tracks.push_back({"old_glow", true, false, 1, 10}); // a file nothing reads
    facts.sceneTrackKeyValues.push_back(-1.0f);               // no such scene
    facts.sceneTrackKeyRows.push_back(600);

    const std::vector<std::string> warnings = demo::demoWarnings(facts);
    EXPECT_TRUE(mentions(warnings, "tune.ogg: ", "\"end_row\": 640")) << "how to end with the music";
    EXPECT_TRUE(mentions(warnings, "sync_twist.track: ", "twist"));
    EXPECT_TRUE(mentions(warnings, "plasma.fsh: ", "\"twist\" is not declared"));
    EXPECT_FALSE(mentions(warnings, "plasma.fsh: ", "\"speed\"")) << "speed is declared in a list";
    EXPECT_TRUE(mentions(warnings, "sync_old_glow.track: ", "no shader reads"));
    EXPECT_TRUE(mentions(warnings, "sync_scene.track: ", "row 600 selects scene -1"));
    EXPECT_TRUE(mentions(warnings, "sync_speed.track: ", "row 900")) << "45 s lies past a 32 s tune";
    EXPECT_EQ(warnings.size(), 6u);
}

TEST(MistakeChecks, ATuneThatPlaysOnAfterTheDemoGivesTheEndRowOfTheMusic)
{
    DemoFacts facts = soundDemo(); // 52 s of tune, the end at 50 s: a tail of the tune's own
    facts.tuneSeconds = 60.0;
    facts.timing.endRow = 600.0;
    const std::vector<std::string> warnings = demo::demoWarnings(facts);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(
        mentions(warnings, "tune.ogg: the tune lasts 60.00 s, past the demo's end at row 600", "\"end_row\": 1200"));
    facts.timing.endsWithTune = true;
    EXPECT_TRUE(demo::demoWarnings(facts).empty()) << "\"end_row\": \"tune\" ends with it";
}

TEST(MistakeChecks, SceneTrackAtTheSceneCountIsPastTheLastScene)
{
    DemoFacts facts = soundDemo();
    facts.sceneTrackKeyValues = {0.0f, 2.0f, 7.0f};
    facts.sceneTrackKeyRows = {0, 10, 20};
    const std::vector<std::string> warnings = demo::demoWarnings(facts);
    ASSERT_EQ(warnings.size(), 1u) << "one line for the track, at its first stray key";
    EXPECT_TRUE(mentions(warnings, "sync_scene.track: ", "row 10 selects scene 2, but the demo has 2 scenes (0..1)"));
}

TEST(MistakeChecks, UniformDeclarationsAreFoundAsWholeWords)
{
    EXPECT_TRUE(demo::declaresUniform("uniform float speed;", "speed"));
    EXPECT_TRUE(demo::declaresUniform("layout(location = 0) uniform  float\ta, speed ;", "speed"));
    EXPECT_FALSE(demo::declaresUniform("uniform float speedy;", "speed"));
    EXPECT_FALSE(demo::declaresUniform("float speed; uniform float other;", "speed"));
    EXPECT_FALSE(demo::declaresUniform("nonuniform float speed;", "speed"));
    EXPECT_FALSE(demo::declaresUniform("", "speed"));
}

TEST(DemoWarnings, UniformWarningsNameTheDeclarationsLineAndHowToSupplyIt)
{
    const std::string source =
        "#version 330\n// uniform sampler2D tex1; (not here)\nuniform float a,\n"
        "    b;\nuniform sampler2D tex1;\n";
    EXPECT_EQ(demo::uniformDeclarationLine(source, "b"), 3) << "where its declaration begins";
    EXPECT_EQ(demo::uniformDeclarationLine(source, "c"), 0);

    ProgramUse use;
    use.setting.textureCount = 1;
    use.uniforms = {{{"tex1", "sampler2D"}, "fx.fsh", 2}};
    EXPECT_EQ(demo::uniformWarnings({use}),
              (std::vector<std::string>{"fx.fsh:2: uniform tex1 is never set: scene 0 has 1 texture; add a texture "
                                        "entry (\"src\": \"FILE\") to the scene's \"textures\" in demo.json"}));
}
