// The uniforms the player sets, against what a shader declares.
#include <string>

#include <gtest/gtest.h>

#include "render/UniformContract.h"

TEST(UniformContract, NamesWhatThePlayerDoesNotSetAsDeclared)
{
    UniformSetting pass; // pass 1 of scene 0: two passes, one texture, parameter "speed"
    pass.passIndex = 1;
    pass.passCount = 2;
    pass.textureCount = 1;
    pass.parameters = {"speed"};
    UniformSetting final = pass;
    final.finalPass = true;
    final.parameters.clear();

    for (const ShaderUniform& fine : {ShaderUniform{"iResolution", "vec2"}, ShaderUniform{"iGlobalTime", "float"},
                                      ShaderUniform{"iChannel0", "sampler2D"}, ShaderUniform{"tex0", "sampler2D"},
                                      ShaderUniform{"speed", "float"}, ShaderUniform{"transform", "mat4"}})
        EXPECT_EQ(render::uniformProblem(fine, pass), "") << fine.name;
    EXPECT_EQ(render::uniformProblem({"iChannel1", "sampler2D"}, final), "");
    EXPECT_EQ(render::uniformProblem({"fstr", "float"}, final), "");

    EXPECT_EQ(render::uniformProblem({"iResolution", "vec3"}, pass),
              "iResolution is declared vec3, the player sets a vec2");
    EXPECT_EQ(render::uniformProblem({"speed", "int"}, pass), "speed is declared int, the player sets a float");
    EXPECT_EQ(render::uniformProblem({"iTime", "float"}, pass),
              "uniform iTime is never set; the time is iGlobalTime (or give the shader \"convention\": \"shadertoy\")");
    EXPECT_EQ(render::uniformProblem({"wobble", "float"}, pass),
              "uniform wobble is never set; list \"wobble\" under the shader's \"parameters\" in demo.json to read its "
              "track");
    EXPECT_EQ(render::uniformProblem({"iChannel1", "sampler2D"}, pass),
              "uniform iChannel1 is never set in pass 1 of scene 0: only 1 pass comes before it, so it reads no "
              "pass's output");
    EXPECT_EQ(render::uniformProblem({"iChannel2", "sampler2D"}, final),
              "uniform iChannel2 is never set in the final pass of scene 0, which has 2 passes: it reads no pass's "
              "output");
    EXPECT_EQ(render::uniformProblem({"tex1", "sampler2D"}, pass), "uniform tex1 is never set: scene 0 has 1 texture");
    EXPECT_NE(render::uniformProblem({"fstr", "float"}, pass), "") << "only the final pass gets fstr";
    EXPECT_NE(render::uniformProblem({"iGlobalTime", "float"}, final), "") << "only the passes get the time";
    EXPECT_NE(render::uniformProblem({"iChannelTime", "float"}, pass), "") << "not a channel";

    pass.convention = render::findShaderConvention("shadertoy");
    ASSERT_NE(pass.convention, nullptr);
    EXPECT_EQ(render::uniformProblem({"iTime", "float"}, pass), "") << "the convention's time";
    EXPECT_EQ(render::uniformProblem({"iResolution", "vec3"}, pass), "") << "the convention's resolution";
}

TEST(UniformContract, APassWithChannelsHasThoseItNamesAndTheSpectrum)
{
    UniformSetting pass; // pass 2 of scene 1, whose "channels" name two
    pass.sceneIndex = 1;
    pass.passIndex = 2;
    pass.passCount = 3;
    pass.channelCount = 2;
    pass.convention = render::findShaderConvention("shadertoy");
    EXPECT_EQ(render::uniformProblem({"iChannel1", "sampler2D"}, pass), "");
    EXPECT_EQ(render::uniformProblem({"spectrum", "sampler2D"}, pass), "");
    EXPECT_EQ(render::uniformProblem({"iChannel2", "sampler2D"}, pass),
              "uniform iChannel2 is never set in pass 2 of scene 1: its \"channels\" name 2");
}

TEST(UniformContract, AnInputNeverSetSaysHowToSupplyItOrThatItDoesNotExist)
{
    UniformSetting pass; // pass 1 of scene 0, one texture named "texAmiga"
    pass.passIndex = 1;
    pass.passCount = 2;
    pass.textureCount = 1;
    pass.textureNames = {"texAmiga"};
    EXPECT_EQ(render::uniformProblem({"texAmiga", "sampler2D"}, pass), "") << "a named texture is set";
    EXPECT_EQ(render::uniformRemedy({"texAmiga", "sampler2D"}, pass), "");
    EXPECT_EQ(render::uniformRemedy({"texLogo", "sampler2D"}, pass),
              "give a texture entry of the scene \"name\": \"texLogo\" in demo.json to read its image");
    EXPECT_EQ(render::uniformRemedy({"iChannel1", "sampler2D"}, pass),
              "give the pass \"channels\" in demo.json to say what it reads: a pass (\"pass:N\", "
              "\"pass:N:previous\"), an image (\"texture:N\"), its own last frame (\"previous\"), the sound "
              "(\"spectrum\") or the keys (\"keyboard\")");
    EXPECT_EQ(render::uniformRemedy({"tex1", "sampler2D"}, pass),
              "add a texture entry (\"src\": \"FILE\") to the scene's \"textures\" in demo.json");
    EXPECT_EQ(render::uniformRemedy({"wobble", "float"}, pass), "") << "the problem names \"parameters\" itself";

    pass.convention = render::findShaderConvention("shadertoy");
    EXPECT_EQ(render::uniformRemedy({"iChannelTime", "float"}, pass), "");
    EXPECT_EQ(render::uniformRemedy({"iKeys", "vec4"}, pass),
              "the player has no input of that name in the \"shadertoy\" convention: it keeps its initial value, 0");
    pass.finalPass = true;
    EXPECT_EQ(render::uniformRemedy({"iChannel3", "sampler2D"}, pass),
              "the final pass reads only the scene's passes: this input does not exist there");
}
