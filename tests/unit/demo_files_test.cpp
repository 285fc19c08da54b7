// The files a demo reads, listed from its description, and the release's
// window settings beside them.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "demo/DemoDescription.h"
#include "demo/DemoFiles.h"

namespace {

std::vector<std::string> pathsOf(const DemoFileList& list, bool optional)
{
    std::vector<std::string> paths;
    for (const DemoFile& file : list.files)
        if (file.optional == optional)
            paths.push_back(file.path);
    return paths;
}

} // namespace

TEST(DemoFiles, EveryFileOnceInTheDescriptionsOrderWithTheFixedOnes)
{
    const DemoFileList list = demo::listDemoFiles(R"({
        "name": "Plasma", "fullscreen": false,
        "shaders": [
            { "name": "a", "vertexsrc": "quad.vsh", "fragmentsrc": "fx/plasma.fsh", "parameters": ["speed", "scene"] },
            { "name": "b", "vertexsrc": "./quad.vsh", "fragmentsrc": "blur.fsh", "parameters": ["speed"] } ],
        "scenes": [ { "id": 0, "shader_order": [ { "pass_order": 0, "shader_id": 1 } ],
                      "textures": [ { "id": 0, "src": "noise.png" }, { "id": 1, "src": "fx/../noise.png" } ] } ] })");
    EXPECT_EQ(list.name, "Plasma");
    const std::vector<std::string> needed{"demo.json", "tune.ogg",      "test.vsh",         "AA.fsh",
                                          "quad.vsh",  "fx/plasma.fsh", "sync_speed.track", "sync_scene.track",
                                          "blur.fsh",  "noise.png"};
    EXPECT_EQ(pathsOf(list, false), needed) << "a parameter's track is needed, even one called scene";
    const std::vector<std::string> optional{"sync_fft_sampling_index.track", "sync_fstr_val.track"};
    EXPECT_EQ(pathsOf(list, true), optional);
    EXPECT_EQ(list.files[6].reader, "the track of parameter \"speed\" of fx/plasma.fsh");
}

TEST(DemoFiles, TheTuneIsTheFileTheDescriptionNames)
{
    const DemoFileList list = demo::listDemoFiles(R"({"name": "x", "fullscreen": false, "tune": "music/mix.flac"})");
    ASSERT_GE(list.files.size(), 2u);
    EXPECT_EQ(list.files[1].path, "music/mix.flac");
    EXPECT_EQ(list.files[1].reader, "the demo's music");
    for (const DemoFile& file : list.files)
        EXPECT_NE(file.path, "tune.ogg") << "the default tune is not read";
}

TEST(DemoFiles, IncludedFilesJoinOnceAndAMissingOneIsListed)
{
    DemoFileList list = demo::listDemoFiles(R"({
        "name": "x", "fullscreen": false,
        "shaders": [ { "name": "a", "convention": "shadertoy", "fragmentsrc": "fx/a.fsh" } ] })");
    const std::map<std::string, std::string> files{
        {"test.vsh", ""},
        {"AA.fsh", "#include \"lib/common.glsl\"\n"},
        {"fx/a.fsh", "#include \"noise.glsl\"\n#include \"../lib/common.glsl\"\n"},
        {"fx/noise.glsl", "float noise(vec2 p);\n"},
        {"lib/common.glsl", "#include \"gone.glsl\"\n"},
    };
    demo::addIncludedFiles(list, [&](const std::string& path, std::string& text, std::string& problem) {
        const auto found = files.find(path);
        if (found == files.end()) {
            problem = "cannot open";
            return false;
        }
        text = found->second;
        return true;
    });
    std::vector<std::string> paths = pathsOf(list, false);
    paths.erase(paths.begin(), paths.begin() + 4);
    const std::vector<std::string> expected{"fx/a.fsh", "lib/common.glsl", "lib/gone.glsl", "fx/noise.glsl"};
    EXPECT_EQ(paths, expected) << "no vertex shader for a convention's entry; each included file once";
    EXPECT_EQ(list.files.back().reader, "included by fx/a.fsh");
}

TEST(DemoFiles, RefusesWhatTheLoaderRefuses)
{
    EXPECT_THROW(demo::listDemoFiles(R"({"name": "x", "fullscreen": "yes"})"), nlohmann::json::type_error);
    EXPECT_THROW(demo::listDemoFiles(R"({"name": "x", "fullscreen": false, "end_row": -1})"),
                 nlohmann::json::type_error);
    EXPECT_THROW(demo::listDemoFiles(R"({"name": "x", "fullscreen": false, "scenes": [
                    { "id": 0, "shader_order": [ { "pass_order": 0, "shader_id": 0 } ] } ] })"),
                 nlohmann::json::out_of_range);
}

TEST(ReleaseWindow, FullScreenUnlessTheDemoSaysOtherwise)
{
    DemoTiming timing;
    ReleaseWindow release;
    demo::readDescriptionSettings(nlohmann::json::parse(R"({"name": "x"})"), timing, release);
    EXPECT_TRUE(release.fullscreen);
    EXPECT_EQ(release.width, 0);

    demo::readDescriptionSettings(nlohmann::json::parse(R"({"release": {"fullscreen": false, "size": [1280, 720]}})"),
                                  timing, release);
    EXPECT_FALSE(release.fullscreen);
    EXPECT_EQ(release.width, 1280);
    EXPECT_EQ(release.height, 720);

    for (const char* wrong :
         {R"({"release": true})", R"({"release": {"fullscreen": "no"}})", R"({"release": {"size": [1280]}})",
          R"({"release": {"size": [0, 720]}})", R"({"release": {"size": "1280x720"}})"}) {
        try {
            demo::readDescriptionSettings(nlohmann::json::parse(wrong), timing, release);
            ADD_FAILURE() << wrong << " was accepted";
        } catch (const nlohmann::json::type_error& error) {
            EXPECT_NE(demo::descriptionErrorText(error).find("release"), std::string::npos) << error.what();
        }
    }
}

TEST(DemoFiles, ADemoWithoutAFinalPassNeedsNeitherOfItsFiles)
{
    const auto names = [](const DemoFileList& list) {
        std::vector<std::string> paths;
        for (const DemoFile& file : list.files)
            paths.push_back(file.path);
        return paths;
    };
    const std::vector<std::string> with = names(demo::listDemoFiles(R"({"name": "x", "fullscreen": false})"));
    EXPECT_NE(std::find(with.begin(), with.end(), "AA.fsh"), with.end());
    const std::vector<std::string> without = names(
        demo::listDemoFiles(R"({"name": "x", "fullscreen": false, "final_pass": "none"})"));
    EXPECT_EQ(std::find(without.begin(), without.end(), "AA.fsh"), without.end());
    EXPECT_EQ(std::find(without.begin(), without.end(), "test.vsh"), without.end());

    EXPECT_TRUE(demo::readFinalPass(nlohmann::json::parse(R"({"name": "x"})")));
    EXPECT_FALSE(demo::readFinalPass(nlohmann::json::parse(R"({"final_pass": "none"})")));
    try {
        demo::readFinalPass(nlohmann::json::parse(R"({"final_pass": false})"));
        ADD_FAILURE() << "false is not a final pass";
    } catch (const nlohmann::json::type_error& error) {
        EXPECT_EQ(demo::descriptionErrorText(error),
                  "\"final_pass\" must be \"none\" (or left out for the final pass), not false");
    }
}
