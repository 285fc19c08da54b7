// Planning an import of the shader site's JSON export: the passes' files, the
// order and wiring of the scene's channels, the Common tab, images and their
// flips, what the player lacks, and malformed exports. The exports are
// written here, in the form the site's exports take, with trivial bodies.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "demo/ShadertoyImport.h"

namespace {

using nlohmann::json;

const char kImageCode[] = "void mainImage(out vec4 c, in vec2 p)\n{\n    c = vec4(p.x, 0.0, 0.0, 1.0);\n}\n";

json sampler(const char* filter, const char* vflip)
{
    return {{"filter", filter}, {"wrap", "clamp"}, {"vflip", vflip}, {"srgb", "false"}, {"internal", "byte"}};
}

json input(const char* ctype, int channel, const char* id, const char* src, json sampling = json::object())
{
    return {{"id", id}, {"src", src}, {"ctype", ctype}, {"channel", channel}, {"sampler", sampling}, {"published", 1}};
}

json bufferInput(int channel, const char* id, const char* filter = "linear")
{
    return input("buffer", channel, id, "/media/previz/buffer00.png", sampler(filter, "true"));
}

json pass(const char* type, const char* name, const std::string& code, json inputs = json::array(),
          const char* outputId = nullptr)
{
    json outputs = json::array();
    if (outputId != nullptr)
        outputs.push_back({{"id", outputId}, {"channel", 0}});
    return {{"inputs", inputs}, {"outputs", outputs}, {"code", code},
            {"name", name},     {"description", ""},  {"type", type}};
}

json shaderExport(json passes, const char* name = "Test shader")
{
    return {{"Shader",
             {{"ver", "0.1"},
              {"info", {{"id", "Ab12Cd"}, {"name", name}, {"username", "tester"}, {"description", ""}}},
              {"renderpass", passes}}}};
}

// Plans the import of `exportText` into a folder holding `files` (and
// `description` as its demo.json when given); the test fails when the plan does.
ShadertoyImport planned(const std::string& exportText, const std::set<std::string>& files = {},
                        const std::string& description = "")
{
    ShadertoyImportRequest request;
    request.exportName = "export.json";
    request.exportText = exportText;
    request.hasDescription = !description.empty();
    request.descriptionText = description;
    request.exists = [files](const std::string& path) { return files.count(path) > 0; };
    ShadertoyImport plan;
    std::string error;
    EXPECT_TRUE(demo::planShadertoyImport(request, plan, error)) << error;
    return plan;
}

std::string refusal(const std::string& exportText, const std::string& description = "")
{
    ShadertoyImportRequest request;
    request.exportName = "export.json";
    request.exportText = exportText;
    request.hasDescription = !description.empty();
    request.descriptionText = description;
    request.exists = [](const std::string&) { return false; };
    ShadertoyImport plan;
    std::string error;
    EXPECT_FALSE(demo::planShadertoyImport(request, plan, error));
    return error;
}

const json& scene(const json& description, std::size_t index = 0)
{
    return description["scenes"][index];
}

} // namespace

TEST(ShadertoyImport, AnImageAloneBecomesANewDemoWithItsTextUnchanged)
{
    const json image = json::array({pass("image", "Image", kImageCode, json::array(), "4dfGRr")});
    const ShadertoyImport plan = planned(shaderExport(image).dump());
    ASSERT_EQ(plan.sources.size(), 1u);
    EXPECT_EQ(plan.sources[0].path, "shaders/image.fsh");
    EXPECT_EQ(plan.sources[0].text, kImageCode);
    EXPECT_TRUE(plan.newDemo);
    EXPECT_EQ(plan.tuneToWrite, "tune.wav") << "a new demo needs a tune for its clock";
    EXPECT_TRUE(plan.warnings.empty());

    const json description = json::parse(plan.description);
    EXPECT_EQ(description["name"], "Test shader");
    EXPECT_EQ(description["final_pass"], "none");
    EXPECT_EQ(description["tune"], "tune.wav");
    EXPECT_EQ(description["end_row"], "tune");
    EXPECT_EQ(description["shaders"][0]["fragmentsrc"], "shaders/image.fsh");
    EXPECT_EQ(description["shaders"][0]["convention"], "shadertoy");
    EXPECT_EQ(scene(description)["shader_order"][0]["channels"], json::array())
        << "an image without inputs reads black, not the passes before it";
    EXPECT_NE(plan.description.find("\n        {\"pass_order\": 0, \"shader_id\": 0, \"channels\": []}\n"),
              std::string::npos)
        << "what fits on a line is written on one, as a person writes demo.json:\n"
        << plan.description;

    // The bare shader and a list of shaders (the first is taken, or the one named) import alike.
    EXPECT_EQ(planned(shaderExport(image)["Shader"].dump()).description, plan.description);
    const json list = json::array({shaderExport(image, "First")["Shader"], shaderExport(image, "Second")});
    EXPECT_EQ(json::parse(planned(list.dump()).description)["name"], "First");
    ShadertoyImportRequest request;
    request.exportName = "export.json";
    request.exportText = list.dump();
    request.pick = "Second";
    request.exists = [](const std::string&) { return false; };
    ShadertoyImport second;
    std::string error;
    ASSERT_TRUE(demo::planShadertoyImport(request, second, error)) << error;
    EXPECT_EQ(second.shaderName, "Second");

    // A folder that has its own tune keeps it.
    EXPECT_EQ(json::parse(planned(shaderExport(image).dump(), {"tune.ogg"}).description).count("tune"), 0u);
}

TEST(ShadertoyImport, BuffersRunInTheSitesOrderAndReadLaterOnesAndThemselvesAsLastFrame)
{
    // Listed Image, Buffer B, Buffer A: the site draws A, B, then the Image.
    const json passes = json::array(
        {pass("image", "Image", kImageCode, json::array({bufferInput(0, "XsXGR8")}), "4dfGRr"),
         pass("buffer", "Buffer B", "void mainImage(out vec4 c, in vec2 p) { c = vec4(1.0); }\n",
              json::array({bufferInput(0, "4dXGR8", "nearest")}), "XsXGR8"),
         pass("buffer", "Buffer A", "void mainImage(out vec4 c, in vec2 p) { c = vec4(0.5); }\n",
              json::array({bufferInput(0, "4dXGR8"), bufferInput(2, "XsXGR8")}), "4dXGR8")});
    const ShadertoyImport plan = planned(shaderExport(passes).dump());
    ASSERT_EQ(plan.sources.size(), 3u);
    EXPECT_EQ(plan.sources[0].path, "shaders/buffer_a.fsh");
    EXPECT_EQ(plan.sources[1].path, "shaders/buffer_b.fsh");
    EXPECT_EQ(plan.sources[2].path, "shaders/image.fsh");

    const json order = scene(json::parse(plan.description))["shader_order"];
    EXPECT_EQ(order[0]["channels"], json::parse(R"(["previous", "none", "pass:1:previous"])"));
    EXPECT_EQ(order[1]["channels"], json::parse(R"(["pass:0"])"));
    EXPECT_EQ(order[2]["channels"], json::parse(R"(["pass:1"])"));
    EXPECT_EQ(order[0]["format"], "rgba32f") << "the site's buffers hold floats";
    EXPECT_EQ(order[1]["format"], "rgba32f");
    EXPECT_EQ(order[2].count("format"), 0u);
    EXPECT_EQ(order[1]["filter"], "linear") << "Buffer B's readers sample it linearly";
    EXPECT_EQ(order[0]["filter"], "linear") << "a smooth filter wins over \"nearest\"";
    EXPECT_TRUE(plan.warnings.empty());
}

TEST(ShadertoyImport, TheCommonTabBecomesTheConventionsCommonFile)
{
    const char common[] = "float brightness() { return 0.5; }\n";
    const json passes = json::array({pass("common", "Common", common), pass("image", "Image", kImageCode)});
    const ShadertoyImport plan = planned(shaderExport(passes).dump());
    ASSERT_EQ(plan.sources.size(), 2u);
    EXPECT_EQ(plan.sources[1].path, "shaders/common.fsh");
    EXPECT_EQ(plan.sources[1].text, common);
    EXPECT_EQ(json::parse(plan.description)["common"], json::parse(R"({"shadertoy": "shaders/common.fsh"})"));

    // A demo's common file for every shader goes before the imported ones too: said once.
    const std::string forEvery = R"({"name": "d", "fullscreen": false, "common": "all.glsl"})";
    EXPECT_EQ(planned(shaderExport(json::array({pass("image", "Image", kImageCode)})).dump(), {}, forEvery).warnings,
              (std::vector<std::string>{"demo.json: \"common\" puts \"all.glsl\" before the imported shaders too"}));
    // A demo whose shader-site shaders already have a common file cannot take a second.
    const std::string withCommon =
        R"({"name": "d", "fullscreen": false, "common": {"shadertoy": "mine.glsl"}, "shaders": [], "scenes": []})";
    EXPECT_EQ(refusal(shaderExport(passes).dump(), withCommon),
              "demo.json: \"common\" already puts \"mine.glsl\" before the shader site's shaders; the export's "
              "Common tab cannot go beside it (import into a demo without a \"common\", or into a new folder)");
}

TEST(ShadertoyImport, KeyboardAndSoundInputsReadThePlayersChannels)
{
    const json inputs = json::array({input("keyboard", 0, "4dXGRr", "/presets/tex00.jpg"),
                                     input("music", 1, "4sXGzn", "/media/a/tune.mp3", sampler("linear", "true")),
                                     input("mic", 3, "4sXGzm", "/presets/mic.png")});
    const ShadertoyImport plan = planned(
        shaderExport(json::array({pass("image", "Image", kImageCode, inputs)})).dump());
    EXPECT_EQ(scene(json::parse(plan.description))["shader_order"][0]["channels"],
              json::parse(R"(["keyboard", "spectrum", "none", "spectrum"])"));
    EXPECT_TRUE(plan.warnings.empty());
}

TEST(ShadertoyImport, ImagesBecomeSceneTexturesWithTheirFlipsAndAMissingOneIsNamed)
{
    const json inputs = json::array(
        {input("texture", 0, "4sf3Rn", "/media/a/upright.jpg", sampler("mipmap", "true")),
         input("texture", 1, "4sf3Rr", "/media/a/asloaded.png", sampler("linear", "false")),
         // The same image once more, the other way up: one texture, the channel says how.
         input("texture", 2, "4sf3Rn", "/media/a/upright.jpg", sampler("mipmap", "false"))});
    const ShadertoyImport plan = planned(shaderExport(json::array({pass("image", "Image", kImageCode, inputs)})).dump(),
                                         {"textures/asloaded.png"});
    const json wired = scene(json::parse(plan.description));
    EXPECT_EQ(wired["textures"], json::parse(R"([{"id": 0, "src": "textures/upright.jpg", "vflip": true},
                                                 {"id": 1, "src": "textures/asloaded.png", "vflip": false}])"));
    EXPECT_EQ(wired["shader_order"][0]["channels"],
              json::parse(R"(["texture:0", "texture:1", {"input": "texture:0", "vflip": false}])"));
    EXPECT_EQ(plan.warnings, (std::vector<std::string>{"textures/upright.jpg: missing; put the site's "
                                                       "/media/a/upright.jpg there (\"Image\" iChannel0 reads black "
                                                       "until then)"}));
}

TEST(ShadertoyImport, WhatThePlayerLacksIsOneLineEachAndReadsBlack)
{
    const json inputs = json::array(
        {input("cubemap", 0, "XdX3zn", "/media/a/cube.jpg"), input("video", 1, "XdfGzn", "/media/a/film.webm"),
         input("webcam", 2, "4sf3zn", "/presets/webcam.png"), input("volume", 3, "4sfGRr", "/media/a/noise.bin")});
    const json passes = json::array({pass("image", "Image", kImageCode, inputs),
                                     pass("sound", "Sound", "vec2 mainSound(int s, float t) { return vec2(0.0); }\n")});
    const ShadertoyImport plan = planned(shaderExport(passes).dump());
    EXPECT_EQ(scene(json::parse(plan.description))["shader_order"][0]["channels"],
              json::parse(R"(["none", "none", "none", "none"])"));
    ASSERT_EQ(plan.warnings.size(), 5u);
    EXPECT_EQ(plan.warnings[0],
              "export.json: \"Sound\" is a Sound pass (sound made by a shader), which the player "
              "does not support; it is left out and the demo plays its tune");
    EXPECT_EQ(plan.warnings[1],
              "export.json: \"Image\" iChannel0 reads a cubemap (/media/a/cube.jpg), which the "
              "player does not support; it reads black");
    EXPECT_EQ(plan.sources.size(), 1u) << "the sound pass writes no file";
}

TEST(ShadertoyImport, AnExistingDemoGetsAnotherSceneAndNoFileIsOverwritten)
{
    const std::string existing = R"({"name": "Mine", "fullscreen": true, "end_row": 800,
        "shaders": [{"name": "a", "vertexsrc": "q.vsh", "fragmentsrc": "a.fsh"}],
        "scenes": [{"id": 0, "shader_order": [{"pass_order": 0, "shader_id": 0}]}]})";
    const json passes = json::array({pass("image", "Image", kImageCode)});
    const ShadertoyImport plan = planned(shaderExport(passes, "Star Field").dump(), {"shaders/image.fsh"}, existing);
    EXPECT_FALSE(plan.newDemo);
    EXPECT_TRUE(plan.tuneToWrite.empty());
    ASSERT_EQ(plan.sources.size(), 1u);
    EXPECT_EQ(plan.sources[0].path, "shaders/star_field/image.fsh") << "shaders/image.fsh is taken";
    EXPECT_EQ(plan.sceneIndex, 1);

    const json description = json::parse(plan.description);
    json kept = json::parse(existing);
    kept["shaders"].push_back(description["shaders"][1]);
    kept["scenes"].push_back(description["scenes"][1]);
    EXPECT_EQ(description, kept) << "everything else stays as it was";
    EXPECT_EQ(description["scenes"][1]["shader_order"][0]["shader_id"], 1);
    // The keys keep their order.
    EXPECT_EQ(plan.description.find("\"name\""), plan.description.find('"'));
}

TEST(ShadertoyImport, AMalformedExportIsRefusedNamingWhatIsWrong)
{
    EXPECT_EQ(refusal("{\"Shader\": {\"renderpass\": [}"),
              "export.json: parse error at line 1, column 28: syntax error while parsing value - unexpected '}'; "
              "expected '[', '{', or a literal");
    EXPECT_EQ(refusal("{\"Shader\": {\"info\": {}}}"), "export.json: the shader has no \"renderpass\" list");
    EXPECT_EQ(refusal(shaderExport(json::array({pass("buffer", "Buffer A", "x")})).dump()),
              "export.json: the shader has no Image pass (a renderpass of \"type\": \"image\")");
    json noCode = pass("image", "Image", "");
    noCode.erase("code");
    EXPECT_EQ(refusal(shaderExport(json::array({noCode})).dump()),
              "export.json: renderpass[0] (\"Image\") has no \"code\" string");
    EXPECT_EQ(refusal("{\"Error\": \"Shader not found\"}"),
              "export.json: the site answered with an error, not a shader: Shader not found");
    EXPECT_EQ(refusal("[1, 2]"),
              "export.json: no shader in it (expected {\"Shader\": {\"info\": ..., \"renderpass\": [...]}})");
    EXPECT_EQ(refusal(shaderExport(json::array({pass("image", "Image", "x")})).dump(), "{\"name\": "),
              "demo.json: parse error at line 1, column 10: syntax error while parsing value - unexpected end of "
              "input; expected '[', '{', or a literal");
}
