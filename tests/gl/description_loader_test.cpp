// The description loader with real shader entries, scenes and textures: the
// exact account it writes, where a bad description stops it, and what it
// leaves in AppState.
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "GlTestContext.h"
#include "TestFiles.h"
#include "app/AppState.h"
#include "demo/DemoLoader.h"
#include "sync/device.h"

using testsupport::TempDir;

namespace {

const char* const kVertexSource =
    "#version 140\nin vec3 s_vPosition;\nvoid main() { gl_Position = vec4(s_vPosition, 1.0); }\n";
const char* const kFragmentSource = "#version 140\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";

const std::string kShadersHeader = "\n------SHADERS------\n";
const std::string kScenesHeader = "\n\n\n------SCENES------\n";
const std::string kDashes = "----------------------\n";

// What the shader code prints around one successful build of v.vsh and f.fsh.
std::string buildAccount(GLuint program)
{
    const auto reader = [](const std::string& path) {
        return "---------------------\nOpening shader file: " + path + "\n---------------------\n\n\n\n\n";
    };
    const std::string compiled = "\n COMPILATION SUCCESSFULL \n";
    return reader("v.vsh") + compiled + reader("f.fsh") + compiled +
           "{  Compiled Shader Program and attached ID number " + std::to_string(program) + " to it.  }\n\n\n";
}

// A texture's own GL error texts, then the loader's line for it.
std::string textureLine(const std::string& id, const std::string& src, GLuint name)
{
    return "No errorNo errorNo error    Texture " + id + " = " + src + "||  TEXTURE ID " + std::to_string(name) +
           "|| addr: ADDRESS \n";
}

std::string sceneAddresses()
{
    std::string lines;
    for (int copy = 0; copy < 6; ++copy)
        lines += "ADDRESS\n";
    return lines;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class DescriptionLoader : public testing::Test {
protected:
    void SetUp() override
    {
        gltest::ensureGlContext();
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(std::filesystem::u8path(dir.root()));
        dir.write("v.vsh", kVertexSource);
        dir.write("f.fsh", kFragmentSource);
        const unsigned char pixels[4] = {10, 20, 30, 40};
        ASSERT_TRUE(testsupport::writePng(dir.path("a.png"), 1, 1, 4, pixels));
        startFresh();
    }

    void TearDown() override
    {
        std::filesystem::current_path(previousDirectory);
        resetAppState();
    }

    // AppState as initDemo has it when the loader runs.
    void startFresh()
    {
        resetAppState();
        appState.syncDevice.reset(sync_open("sync"));
        appState.sceneTrack = sync_obtain_track(appState.syncDevice.get(), "scene");
        appState.fftSamplingTrack = sync_obtain_track(appState.syncDevice.get(), "fft_sampling_index");
    }

    // Loads `description` as demo.json: the account on standard output with
    // pointers masked, standard error, and the error that ended the load.
    void load(const std::string& description)
    {
        dir.write("demo.json", description);
        error.clear();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        try {
            loadDemoDescription();
        } catch (const nlohmann::json::exception& thrown) {
            error = thrown.what();
        }
        account = std::regex_replace(testing::internal::GetCapturedStdout(), std::regex("0x[0-9a-f]+"), "ADDRESS");
        errors = testing::internal::GetCapturedStderr();
    }

    GLuint program(std::size_t entry) const { return appState.shaders.at(entry).getProgramId(); }

    TempDir dir;
    std::filesystem::path previousDirectory;
    std::string account; // standard output, pointers masked
    std::string errors;  // standard error
    std::string error;   // what() of the error that ended the load; "" when it loaded
};

TEST_F(DescriptionLoader, NameAndFullscreenAloneGiveTwoEmptySections)
{
    load(R"({"name": "Only", "fullscreen": false})");
    EXPECT_EQ(error, "");
    EXPECT_EQ(account, "Demos name: \"Only\"\n" + kShadersHeader + kScenesHeader);
    EXPECT_TRUE(appState.shaders.empty());
    EXPECT_TRUE(appState.scenes.empty());
    EXPECT_EQ(appState.windowTitle, "Only");
}

TEST_F(DescriptionLoader, WritesTheWholeAccountInOrder)
{
    // Entry 0 has no name and one parameter given as a plain string; the
    // scenes are an object, read as its member values in key order; pass
    // orders do not reorder the passes.
    load(R"({"name": "Full \"quoted\"", "fullscreen": false,
      "shaders": [
        {"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh", "parameters": "speed"},
        {"name": ["odd", 1.5], "vertexsrc": "v.vsh", "fragmentsrc": "f.fsh", "parameters": ["speed", "scene"]}
      ],
      "scenes": {
        "b": {"id": {"x": 1}, "shader_order": [{"shader_id": 0}], "textures": []},
        "a": {"id": 7, "shader_order": [{"pass_order": 5, "shader_id": 1}, {"pass_order": 0, "shader_id": 1.9}],
              "textures": [{"id": "t", "src": "a.png"}, {"src": "a.png"}]}
      }})");
    ASSERT_EQ(error, "");
    ASSERT_EQ(appState.shaders.size(), 2u);
    ASSERT_EQ(appState.scenes.size(), 2u);
    const std::vector<Texture*>& textures = appState.scenes[0].getTextures();
    ASSERT_EQ(textures.size(), 2u);
    EXPECT_NE(textures[0]->getId(), textures[1]->getId()) << "the same file twice is two textures";

    const std::string expected =
        "Demos name: \"Full \\\"quoted\\\"\"\n" + kShadersHeader +
        "  Shader name: null\n"
        "  src[ vertex:\"v.vsh\"; fragment:\"f.fsh\"]\n" +
        buildAccount(program(0)) +
        "  Parameters: {\n"
        "    Parameter: \"speed\"\n"
        "  }\n" + kDashes +
        "  Shader name: [\"odd\",1.5]\n"
        "  src[ vertex:\"v.vsh\"; fragment:\"f.fsh\"]\n" +
        buildAccount(program(1)) +
        "  Parameters: {\n"
        "    Parameter: \"speed\"\n"
        "    Parameter: \"scene\"\n"
        "  }\n" + kDashes + kScenesHeader +
        " Scene id: 7\n"
        "  Shaders for scene: {\n"
        "    Pass 5 = Shader Program with ID [1]\n"
        "    Pass 0 = Shader Program with ID [1.9]\n"
        "  }\n"
        "  Textures for scene: {\n" +
        textureLine("\"t\"", "\"a.png\"", textures[0]->getId()) +
        textureLine("null", "\"a.png\"", textures[1]->getId()) +
        "  }\n" + sceneAddresses() + kDashes +
        " Scene id: {\"x\":1}\n"
        "  Shaders for scene: {\n"
        "    Pass null = Shader Program with ID [0]\n"
        "  }\n"
        "  Textures for scene: {\n"
        "  }\n" + sceneAddresses() + kDashes;
    EXPECT_EQ(account, expected);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(appState.windowTitle, "Full \"quoted\"");
}

TEST_F(DescriptionLoader, ScenesHoldCopiesThatShareTheEntrysProgram)
{
    load(R"({"name": "x", "fullscreen": false,
      "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}, {"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}],
      "scenes": [{"shader_order": [{"shader_id": 1}, {"shader_id": 0}, {"shader_id": 1.9}]},
                 {"shader_order": [{"shader_id": 1}]}]})");
    ASSERT_EQ(error, "");
    ASSERT_NE(program(0), program(1));
    std::vector<DemoShader>& first = appState.scenes[0].getPassShaders();
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].getProgramId(), program(1));
    EXPECT_EQ(first[1].getProgramId(), program(0));
    EXPECT_EQ(first[2].getProgramId(), program(1)) << "shader_id 1.9 runs program 1";
    EXPECT_EQ(appState.scenes[1].getPassShaders().at(0).getProgramId(), program(1));
}

TEST_F(DescriptionLoader, ParametersShareTracksByName)
{
    load(R"({"name": "x", "fullscreen": false,
      "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh", "parameters": ["scene", "speed"]},
                  {"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh", "parameters": "speed"}]})");
    ASSERT_EQ(error, "");
    std::vector<std::string> trackNames;
    for (const auto& track : appState.syncDevice->data.tracks)
        trackNames.push_back(track->name);
    EXPECT_EQ(trackNames, (std::vector<std::string>{"scene", "fft_sampling_index", "speed"}));
    EXPECT_EQ(appState.shaders[1].getParameterNames(), std::vector<std::string>{"speed"});
}

TEST_F(DescriptionLoader, NinthPassIsRefusedAndLoadingGoesOn)
{
    std::string passes;
    for (int pass = 0; pass < 9; ++pass)
        passes += std::string(pass == 0 ? "" : ",") + R"({"pass_order": )" + std::to_string(pass) +
                  R"(, "shader_id": 0})";
    load(R"({"name": "x", "fullscreen": false, "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}],
      "scenes": [{"shader_order": [)" + passes + R"(], "textures": [{"id": 0, "src": "a.png"}]}]})");
    ASSERT_EQ(error, "");
    ASSERT_EQ(appState.scenes.size(), 1u);
    EXPECT_EQ(appState.scenes[0].getPassShaders().size(), 8u);
    EXPECT_EQ(appState.scenes[0].getTextures().size(), 1u) << "the textures after the refused pass still load";
    EXPECT_NE(account.find("    Pass 8 = Shader Program with ID [0]\n"
                           "Sorry. Only max 8 shaders per scene allowed for now. Shall we fix it?  }\n"),
              std::string::npos)
        << account;
}

TEST_F(DescriptionLoader, MissingTextureFileStillGivesATextureAndItsLine)
{
    load(R"({"name": "x", "fullscreen": false, "scenes": [{"textures": [{"id": 3, "src": "missing.png"}]}]})");
    ASSERT_EQ(error, "");
    ASSERT_EQ(appState.scenes.size(), 1u);
    ASSERT_EQ(appState.scenes[0].getTextures().size(), 1u);
    const GLuint name = appState.scenes[0].getTextures()[0]->getId();
    EXPECT_NE(name, 0u);
    EXPECT_NE(account.find(textureLine("3", "\"missing.png\"", name)), std::string::npos) << account;
    EXPECT_EQ(errors, "Texture load fail : missing.png !!!!!!!!!!!!!!!!\n");
}

// A description that fails: the account up to the failing key, and the
// library's message (or ours, in its form, for a shader_id out of range).
struct FailingDescription {
    const char* what;
    const char* description;
    const char* accountEnd; // how the account ends
    const char* error;
};

TEST_F(DescriptionLoader, BadDescriptionsStopWhereTheyGoWrong)
{
    const std::vector<FailingDescription> cases = {
        {"fullscreen absent", R"({"name": "x"})", "Demos name: \"x\"\n",
         "[json.exception.type_error.302] type must be boolean, but is null"},
        {"name a number", R"({"name": 42, "fullscreen": false})", "Demos name: 42\n",
         "[json.exception.type_error.302] type must be string, but is number"},
        {"fullscreen a number", R"({"name": "x", "fullscreen": 1})", "Demos name: \"x\"\n",
         "[json.exception.type_error.302] type must be boolean, but is number"},
        {"top level not an object", R"(["name"])", "Demos name: ",
         "[json.exception.type_error.305] cannot use operator[] with a string argument with array"},
        {"shader entry null", R"({"name": "x", "fullscreen": false, "shaders": [null]})",
         "  src[ vertex:null; fragment:null]\n", "[json.exception.type_error.302] type must be string, but is null"},
        {"parameter a number",
         R"({"name": "x", "fullscreen": false,
             "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh", "parameters": [7]}]})",
         "    Parameter: 7\n", "[json.exception.type_error.302] type must be string, but is number"},
        {"shader_id equal to the count",
         R"({"name": "x", "fullscreen": false, "scenes": [{"shader_order": [{"pass_order": 0, "shader_id": 0}]}]})",
         "    Pass 0 = Shader Program with ID [0]\n", "[json.exception.out_of_range.401] shader_id 0 is out of range"},
        {"shader_id -1", R"({"name": "x", "fullscreen": false, "scenes": [{"shader_order": [{"shader_id": -1}]}]})",
         "    Pass null = Shader Program with ID [-1]\n",
         "[json.exception.out_of_range.401] shader_id -1 is out of range"},
        {"shader_id a string",
         R"({"name": "x", "fullscreen": false, "scenes": [{"shader_order": [{"shader_id": "0"}]}]})",
         "    Pass null = Shader Program with ID [\"0\"]\n",
         "[json.exception.type_error.302] type must be number, but is string"},
        {"texture without src", R"({"name": "x", "fullscreen": false, "scenes": [{"textures": [{"id": 1}]}]})",
         "  Textures for scene: {\n", "[json.exception.type_error.302] type must be string, but is null"},
        {"pass entry not an object", R"({"name": "x", "fullscreen": false, "scenes": [{"shader_order": [3]}]})",
         "    Pass ", "[json.exception.type_error.305] cannot use operator[] with a string argument with number"},
        {"not JSON", R"({"name": "x",)", "",
         "[json.exception.parse_error.101] parse error at line 1, column 14: syntax error while parsing object key - "
         "unexpected end of input; expected string literal"},
    };
    for (const FailingDescription& bad : cases) {
        SCOPED_TRACE(bad.what);
        startFresh();
        load(bad.description);
        EXPECT_EQ(error, bad.error);
        EXPECT_TRUE(endsWith(account, bad.accountEnd))
            << "the account should end with '" << bad.accountEnd << "' but is:\n" << account;
    }
}

TEST_F(DescriptionLoader, FailedLoadKeepsWhatWasLoadedBeforeIt)
{
    load(R"({"name": "x", "fullscreen": false,
      "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}, {"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}],
      "scenes": [{"shader_order": [{"shader_id": 1}]}, {"shader_order": [{"shader_id": 0}, {"shader_id": 2}]}]})");
    EXPECT_EQ(error, "[json.exception.out_of_range.401] shader_id 2 is out of range");
    EXPECT_EQ(appState.shaders.size(), 2u);
    EXPECT_EQ(appState.scenes.size(), 1u) << "the scene in progress does not join the list";
    EXPECT_TRUE(endsWith(account, "    Pass null = Shader Program with ID [2]\n")) << account;
}

} // namespace
