// Reading and parsing "demo.json" text, and the shader_id conversion: the
// parts of the loader that need no GL context.
#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "demo/DemoDescription.h"
#include "demo/DescriptionOptions.h"

namespace {

using nlohmann::json;

std::string nestedArrays(int levels)
{
    return std::string(static_cast<std::size_t>(levels), '[') + std::string(static_cast<std::size_t>(levels), ']');
}

// The what() text of the exception that `call` throws, or "" when none.
template <class Call> std::string errorOf(Call call)
{
    try {
        call();
    } catch (const json::exception& error) {
        return demo::descriptionErrorText(error);
    }
    return "";
}

} // namespace

TEST(DescriptionParse, NestingUpTo256LevelsParses)
{
    EXPECT_NO_THROW(demo::parseDescription(nestedArrays(256)));
    EXPECT_NO_THROW(demo::parseDescription("{\"a\":" + nestedArrays(255) + "}"));
}

TEST(DescriptionParse, DeeperNestingIsRefusedWithItsOwnMessage)
{
    const std::string expected = "parse error: nesting deeper than 256 levels";
    EXPECT_EQ(errorOf([] { demo::parseDescription(nestedArrays(257)); }), expected);
    EXPECT_EQ(errorOf([] { demo::parseDescription("{\"a\":" + nestedArrays(256) + "}"); }), expected);
    // Far deeper text must fail the same way, not exhaust the stack.
    EXPECT_EQ(errorOf([] { demo::parseDescription(std::string(1000000, '[')); }), expected);
}

TEST(DescriptionParse, BadTextGivesTheLibrarysMessage)
{
    EXPECT_EQ(errorOf([] { demo::parseDescription(""); }),
              "parse error at line 1, column 1: syntax error while parsing value - "
              "unexpected end of input; expected '[', '{', or a literal");
    EXPECT_NE(errorOf([] { demo::parseDescription("{\"name\": \"x\",}"); }).find("parse error"), std::string::npos);
    EXPECT_NE(errorOf([] { demo::parseDescription("{} {}"); }).find("parse error"), std::string::npos);
}

TEST(DescriptionRead, StopsAtTheFirstByte0xFFAndNamesWhyAFileCannotBeRead)
{
    const std::string path = testing::TempDir() + "description_read_test.json";
    {
        std::ofstream file(path, std::ios::binary);
        file << "{\"name\":\"x\",\"fullscreen\":false}\n\xff trailing bytes";
    }
    std::string text;
    std::string problem;
    ASSERT_TRUE(demo::readDescriptionFile(path.c_str(), text, problem)) << problem;
    EXPECT_EQ(text, "{\"name\":\"x\",\"fullscreen\":false}\n");
    EXPECT_NO_THROW(demo::parseDescription(text));
    std::remove(path.c_str());

    EXPECT_FALSE(demo::readDescriptionFile(path.c_str(), text, problem));
    EXPECT_EQ(problem, "cannot open: No such file or directory");
    EXPECT_FALSE(demo::readDescriptionFile(testing::TempDir().c_str(), text, problem));
    EXPECT_EQ(problem, "is a directory");
}

TEST(DescriptionRead, TheTunesFileIsKnownBeforeTheLoadAndDefaultsWhenItCannotBe)
{
    const std::string path = testing::TempDir() + "description_tune_test.json";
    const auto tuneOf = [&](const char* text) {
        std::ofstream(path, std::ios::binary) << text;
        return demo::tuneFileOf(path.c_str());
    };
    EXPECT_EQ(tuneOf(R"({"name": "x", "tune": "mix.flac", "scenes": []})"), "mix.flac");
    EXPECT_EQ(tuneOf(R"({"name": "x"})"), "tune.ogg");
    EXPECT_EQ(tuneOf(R"({"name": "x", "tune": 5})"), "tune.ogg") << "the load refuses it";
    EXPECT_EQ(tuneOf(R"({"tune": "mix.flac", )"), "tune.ogg") << "the load refuses it";
    std::remove(path.c_str());
    EXPECT_EQ(demo::tuneFileOf(path.c_str()), "tune.ogg");
}

TEST(DescriptionErrorText, DropsTheLibrarysPrefixAndKeepsLineAndColumn)
{
    try {
        demo::parseDescription("{\"name\": \"x\",");
        FAIL() << "no parse error";
    } catch (const json::exception& error) {
        EXPECT_EQ(demo::descriptionErrorText(error),
                  "parse error at line 1, column 14: syntax error while parsing object "
                  "key - unexpected end of input; expected string literal");
    }
}

TEST(DescriptionShaderIndex, ConvertsLikeAnUnsigned32BitIndex)
{
    EXPECT_EQ(demo::descriptionShaderIndex(json(1), 2), 1u);
    EXPECT_EQ(demo::descriptionShaderIndex(json(1.9), 2), 1u) << "the fraction is dropped";
    EXPECT_EQ(demo::descriptionShaderIndex(json(-0.5), 2), 0u) << "truncation toward zero";
    EXPECT_EQ(demo::descriptionShaderIndex(json(0u), 1), 0u);
}

TEST(DescriptionShaderIndex, IndexWithoutAShaderIsOutOfRange)
{
    const std::string path = "scenes[0].shader_order[1].shader_id";
    const std::string twoShaders = ", but the shaders are numbered 0..1";
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(2), 2, path); }), path + " is 2" + twoShaders);
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(-1), 2, path); }), path + " is -1" + twoShaders);
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(0), 0, path); }),
              path + " is 0, but there are no shaders");
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(1), 1, path); }),
              path + " is 1, but the only shader is number 0");
    // Values that would wrap into range as 32-bit numbers stay out of range.
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(4294967296u), 2, path); }),
              path + " is 4294967296" + twoShaders);
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(4294967296.5), 2, path); }),
              path + " is 4294967296.5" + twoShaders);
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(-1.5), 2, path); }), path + " is -1.5" + twoShaders);
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(1e300), 2, path); }), path + " is 1e+300" + twoShaders);
}

TEST(DescriptionShaderIndex, TypesAreNotConverted)
{
    const std::string path = "scenes[1].shader_order[0].shader_id";
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json("2"), 2, path); }),
              path + " must be a number, not \"2\"");
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(), 2, path); }),
              path + " is missing; it must be a number");
    EXPECT_EQ(errorOf([&] { demo::descriptionShaderIndex(json(true), 2, path); }),
              path + " must be a number, not true");
}

TEST(DescriptionKeys, UnknownKeysAtAnyLevelAreNamedWithTheNearestKnownOne)
{
    const json document = json::parse(R"({
        "name": "x", "fullscreen": false, "end_rwo": 10, "comment": "mine",
        "shaders": [{"name": "a", "vertexsrc": "v", "fragmentSrc": "f"}],
        "scenes": {"intro": {"id": 0, "shaders_order": [], "shader_order": [{"shader_id": 0, "pass": 0}],
                             "textures": [{"src": "a.png", "scr": "b.png"}]}}})");
    EXPECT_EQ(demo::unknownDescriptionKeys(document),
              (std::vector<std::string>{
                  R"("comment" is not a key the player reads)",
                  R"("end_rwo" is not a key the player reads; did you mean "end_row"?)",
                  R"(shaders[0]: "fragmentSrc" is not a key the player reads; did you mean "fragmentsrc"?)",
                  R"(scenes.intro: "shaders_order" is not a key the player reads; did you mean "shader_order"?)",
                  R"(scenes.intro.shader_order[0]: "pass" is not a key the player reads)",
                  R"(scenes.intro.textures[0]: "scr" is not a key the player reads; did you mean "src"?)",
              }));
    EXPECT_EQ(demo::nearestKey("fps", demo::descriptionKeys(demo::DescriptionObject::Top)), "")
        << "two letters of three is no slip";
}

TEST(DescriptionOptions, PassSettingsReadTheirKeysAndRefuseWrongValuesByPath)
{
    std::vector<std::string> names;
    json pass = json::parse(R"({"format": "rgba32f", "scale": 0.5, "filter": "mipmap", "depth": true,
                                "channels": ["pass:0", "previous", "buffer", "texture:1"]})");
    const PassSettings settings = demo::descriptionPassSettings(pass, "p", names);
    EXPECT_EQ(settings.format, PassFormat::Rgba32f);
    EXPECT_EQ(settings.scale, 0.5f);
    EXPECT_EQ(settings.filter, PassFilter::Mipmap);
    EXPECT_TRUE(settings.depth);
    ASSERT_EQ(settings.channels.size(), 4u);
    EXPECT_EQ(settings.channels[1].source, PassChannel::Source::Previous);
    EXPECT_EQ(settings.channels[2].source, PassChannel::Source::Black) << "not a channel: black";
    EXPECT_EQ(settings.channels[3].index, 1);
    EXPECT_EQ(names[2], "buffer");
    EXPECT_TRUE(demo::descriptionPassSettings(pass = json::object(), "p", names).hasDefaultTarget());

    const auto refusal = [&](const char* text) {
        return errorOf([&] {
            json entry = json::parse(text);
            demo::descriptionPassSettings(entry, "scenes[0].shader_order[1]", names);
        });
    };
    EXPECT_EQ(refusal(R"({"format": "rgb"})"),
              "scenes[0].shader_order[1].format must be \"rgba8\", \"rgba16f\" or \"rgba32f\", not \"rgb\"");
    EXPECT_EQ(refusal(R"({"depth": 1})"), "scenes[0].shader_order[1].depth must be true or false, not 1");
    EXPECT_EQ(refusal(R"({"scale": 0.2})"), "scenes[0].shader_order[1].scale must be a number from 0.25 to 1, not 0.2");
    EXPECT_EQ(refusal(R"({"channels": ["pass:0", "pass:0", "pass:0", "pass:0", "pass:0"]})"),
              "scenes[0].shader_order[1].channels must be a list of up to 4 channels, not a list");
    EXPECT_EQ(errorOf([] { demo::descriptionConvention(json("shaderToy"), "shaders[2].convention"); }),
              "shaders[2].convention must be \"shadertoy\", \"bonzomatic\" or \"glslviewer\", not \"shaderToy\"");
}

TEST(DescriptionOptions, ChannelsThatNameNothingGetOneLineEach)
{
    const std::vector<demo::ScenePassChannels> passes = {
        {"scenes[0].shader_order[0]", {"pass:0", "texture:1", "spectrum", "keyboard"}},
        {"scenes[0].shader_order[1]", {"pass:0", "pass:1", "texture:2", "buffer", "previous"}}};
    EXPECT_EQ(demo::channelProblems(passes, 2),
              (std::vector<std::string>{
                  "scenes[0].shader_order[0].channels[0]: \"pass:0\" names a pass, but the first pass has none "
                  "before it; it reads black",
                  "scenes[0].shader_order[1].channels[1]: \"pass:1\" is not a pass before this one (0..0; this "
                  "pass's own last output is \"previous\"); it reads black",
                  "scenes[0].shader_order[1].channels[2]: \"texture:2\" names no texture of this scene (it has 2); "
                  "it reads black",
                  "scenes[0].shader_order[1].channels[3]: \"buffer\" is not a channel (\"pass:N\", "
                  "\"pass:N:previous\", \"texture:N\", \"previous\", \"spectrum\", \"keyboard\" or \"none\"); it "
                  "reads black"}));
}

TEST(DescriptionOptions, DefinesCommonFilesAndOtherPassesPreviousFrames)
{
    std::vector<std::string> names;
    json pass = json::parse(R"({"define": "DOUBLE_BUFFER_1", "channels": ["pass:2:previous", "pass:x:previous"]})");
    const PassSettings settings = demo::descriptionPassSettings(pass, "p", names);
    EXPECT_EQ(settings.define, "DOUBLE_BUFFER_1");
    EXPECT_TRUE(settings.readsPrevious()) << "glslViewer's double buffer keeps two pictures";
    EXPECT_EQ(settings.channels[0].source, PassChannel::Source::PassPrevious);
    EXPECT_EQ(settings.channels[0].index, 2);
    EXPECT_EQ(settings.channels[1].source, PassChannel::Source::Black);
    for (const char* bad : {R"({"define": "2X"})", R"({"define": "A B"})", R"({"define": 3})"})
        EXPECT_NE(errorOf([&] {
                      json entry = json::parse(bad);
                      demo::descriptionPassSettings(entry, "p", names);
                  }).find("p.define must be a macro name"),
                  std::string::npos)
            << bad;

    // A later pass's previous frame exists; a pass the scene lacks does not.
    EXPECT_EQ(demo::channelProblems(
                  {{"s.shader_order[0]", {"pass:1:previous", "pass:2:previous"}}, {"s.shader_order[1]", {}}}, 0),
              (std::vector<std::string>{
                  "s.shader_order[0].channels[1]: \"pass:2:previous\" names no pass of this scene (it has 2); it "
                  "reads black"}));

    const ShaderConvention* site = render::findShaderConvention("shadertoy");
    EXPECT_EQ(demo::descriptionCommonPath(json("common.glsl"), nullptr), "common.glsl");
    const json byConvention = json::parse(R"({"shadertoy": "site-common.glsl"})");
    EXPECT_EQ(demo::descriptionCommonPath(byConvention, site), "site-common.glsl");
    EXPECT_EQ(demo::descriptionCommonPath(byConvention, render::findShaderConvention("glslviewer")), "");
    EXPECT_EQ(demo::descriptionCommonPath(byConvention, nullptr), "");
    EXPECT_EQ(errorOf([&] { demo::descriptionCommonPath(json::parse(R"({"shadertoy": 1})"), site); }),
              "common.shadertoy must be a file name (a string), not 1");
}

TEST(DescriptionOptions, TextureEntriesTakeASamplerNameAndAWayUp)
{
    const SceneTextureOptions options = demo::descriptionTextureOptions(
        json::parse(R"({"src": "a.png", "name": "texAmiga", "vflip": false})"), "t");
    EXPECT_EQ(options.name, "texAmiga");
    EXPECT_EQ(options.vflip, std::optional<bool>(false));
    EXPECT_FALSE(demo::descriptionTextureOptions(json::parse(R"({"src": "a.png"})"), "t").vflip.has_value());
    EXPECT_EQ(errorOf([] { demo::descriptionTextureOptions(json::parse(R"({"vflip": "yes"})"), "t"); }),
              "t.vflip must be true or false, not \"yes\"");
}

TEST(DescriptionOptions, AChannelMayBeAnObjectWithItsOwnWayUpAndNoneReadsBlackOnPurpose)
{
    std::vector<std::string> names;
    json pass = json::parse(R"({"channels": [{"input": "pass:0", "vflip": true}, "none",
                                             {"input": "texture:0", "vflip": false}, {"input": "spectrum"}]})");
    const PassSettings settings = demo::descriptionPassSettings(pass, "p", names);
    ASSERT_EQ(settings.channels.size(), 4u);
    EXPECT_EQ(settings.channels[0].source, PassChannel::Source::Pass);
    EXPECT_EQ(settings.channels[1].source, PassChannel::Source::Black);
    EXPECT_EQ(settings.channelFlips, (std::vector<std::optional<bool>>{true, std::nullopt, false, std::nullopt}));
    EXPECT_EQ(names, (std::vector<std::string>{"pass:0", "none", "texture:0", "spectrum"}));
    EXPECT_TRUE(demo::channelProblems({{"s.shader_order[0]", {"none"}}}, 0).empty()) << "\"none\" is no mistake";

    const auto refusal = [&](const char* text) {
        return errorOf([&] {
            json entry = json::parse(text);
            demo::descriptionPassSettings(entry, "p", names);
        });
    };
    EXPECT_EQ(refusal(R"({"channels": [{"input": "pass:0", "vflip": "yes"}]})"),
              "p.channels[0].vflip must be true or false, not \"yes\"");
    EXPECT_NE(
        refusal(R"({"channels": [{"vflip": true}]})").find("p.channels[0].input is missing; it must be a channel"),
        std::string::npos);
}
