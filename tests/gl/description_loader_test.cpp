// The description loader with real shader entries, scenes and textures: the
// exact account it writes, where a bad description stops it, and what it
// leaves in the demo's content.
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CapturedConsole.h"
#include "GlTestContext.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "TestShaders.h"
#include "demo/DemoDescription.h"
#include "demo/DemoLoader.h"
#include "sync/device.h"

namespace {

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

// Records what the loader asks of the window.
class RecordingHost : public DescriptionHost {
public:
    void enterFullscreen() override { ++fullscreenRequests; }
    void setTitle(const std::string& name) override { title = name; }

    int fullscreenRequests = 0;
    std::string title;
};

struct SyncDeviceCloser {
    void operator()(SyncDevice* device) const { sync_close(device); }
};

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class DescriptionLoader : public testing::Test {
protected:
    CapturedConsole console; // what the code under test said
    void SetUp() override
    {
        gltest::ensureGlContext();
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(std::filesystem::u8path(dir.path()));
        dir.write("v.vsh", testsupport::kQuadVertexShader);
        dir.write("f.fsh", testsupport::kWhiteFragmentShader);
        const unsigned char pixels[4] = {10, 20, 30, 40};
        ASSERT_TRUE(testsupport::writePng(dir.file("a.png"), 1, 1, 4, pixels));
        startFresh();
    }

    void TearDown() override { std::filesystem::current_path(previousDirectory); }

    // What the player's start-up has when the loader runs: the device with
    // its two tracks, and nothing loaded.
    void startFresh()
    {
        content = DemoContent();
        host = RecordingHost();
        device.reset(sync_open("sync", console.sink));
        sync_obtain_track(device.get(), "scene");
        sync_obtain_track(device.get(), "fft_sampling_index");
    }

    // Loads `description` as demo.json: the account on standard output with
    // pointers masked, standard error, and the error that ended the load.
    void load(const std::string& description)
    {
        dir.write("demo.json", description);
        error.clear();
        try {
            read = demo::loadDemoDescription("demo.json", device.get(), content, host, console.sink, nullptr);
        } catch (const nlohmann::json::exception& thrown) {
            error = demo::descriptionErrorText(thrown);
        }
        account = std::regex_replace(console.takeOut(), std::regex("0x[0-9a-f]+"), "ADDRESS");
        errors = console.takeErr();
    }

    GLuint program(std::size_t entry) const { return content.shaders.at(entry).getProgramId(); }

    ScratchDir dir;
    DemoContent content;
    RecordingHost host;
    std::unique_ptr<SyncDevice, SyncDeviceCloser> device;
    std::filesystem::path previousDirectory;
    std::string account; // standard output, pointers masked
    std::string errors;  // standard error
    std::string error;   // the message of the error that ended the load; "" when it loaded
    bool read = false;   // the file could be read
};

TEST_F(DescriptionLoader, NameAndFullscreenAloneGiveTwoEmptySections)
{
    load(R"({"name": "Only", "fullscreen": false})");
    EXPECT_EQ(error, "");
    EXPECT_EQ(account, "Demos name: \"Only\"\n" + kShadersHeader + kScenesHeader);
    EXPECT_TRUE(content.shaders.empty());
    EXPECT_TRUE(content.scenes.empty());
    EXPECT_EQ(host.title, "Only");
    EXPECT_EQ(host.fullscreenRequests, 0);

    startFresh();
    load(R"({"name": "Wide", "fullscreen": true})");
    EXPECT_EQ(error, "");
    EXPECT_EQ(host.fullscreenRequests, 1);
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
    ASSERT_EQ(content.shaders.size(), 2u);
    ASSERT_EQ(content.scenes.size(), 2u);
    const std::vector<Texture*>& textures = content.scenes[0].getTextures();
    ASSERT_EQ(textures.size(), 2u);
    EXPECT_NE(textures[0]->getId(), textures[1]->getId()) << "the same file twice is two textures";

    const std::string expected = "Demos name: \"Full \\\"quoted\\\"\"\n" + kShadersHeader +
                                 "  Shader name: null\n"
                                 "  src[ vertex:\"v.vsh\"; fragment:\"f.fsh\"]\n" +
                                 buildAccount(program(0)) +
                                 "  Parameters: {\n"
                                 "    Parameter: \"speed\"\n"
                                 "  }\n" +
                                 kDashes +
                                 "  Shader name: [\"odd\",1.5]\n"
                                 "  src[ vertex:\"v.vsh\"; fragment:\"f.fsh\"]\n" +
                                 buildAccount(program(1)) +
                                 "  Parameters: {\n"
                                 "    Parameter: \"speed\"\n"
                                 "    Parameter: \"scene\"\n"
                                 "  }\n" +
                                 kDashes + kScenesHeader +
                                 " Scene id: 7\n"
                                 "  Shaders for scene: {\n"
                                 "    Pass 5 = Shader Program with ID [1]\n"
                                 "    Pass 0 = Shader Program with ID [1.9]\n"
                                 "  }\n"
                                 "  Textures for scene: {\n" +
                                 textureLine("\"t\"", "\"a.png\"", textures[0]->getId()) +
                                 textureLine("null", "\"a.png\"", textures[1]->getId()) + "  }\n" + sceneAddresses() +
                                 kDashes +
                                 " Scene id: {\"x\":1}\n"
                                 "  Shaders for scene: {\n"
                                 "    Pass null = Shader Program with ID [0]\n"
                                 "  }\n"
                                 "  Textures for scene: {\n"
                                 "  }\n" +
                                 sceneAddresses() + kDashes;
    EXPECT_EQ(account, expected);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(host.title, "Full \"quoted\"");
}

TEST_F(DescriptionLoader, ScenesHoldCopiesThatShareTheEntrysProgram)
{
    load(R"({"name": "x", "fullscreen": false,
      "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}, {"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}],
      "scenes": [{"shader_order": [{"shader_id": 1}, {"shader_id": 0}, {"shader_id": 1.9}]},
                 {"shader_order": [{"shader_id": 1}]}]})");
    ASSERT_EQ(error, "");
    ASSERT_NE(program(0), program(1));
    std::vector<DemoShader>& first = content.scenes[0].getPassShaders();
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].getProgramId(), program(1));
    EXPECT_EQ(first[1].getProgramId(), program(0));
    EXPECT_EQ(first[2].getProgramId(), program(1)) << "shader_id 1.9 runs program 1";
    EXPECT_EQ(content.scenes[1].getPassShaders().at(0).getProgramId(), program(1));
}

TEST_F(DescriptionLoader, ParametersShareTracksByName)
{
    load(R"({"name": "x", "fullscreen": false,
      "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh", "parameters": ["scene", "speed"]},
                  {"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh", "parameters": "speed"}]})");
    ASSERT_EQ(error, "");
    std::vector<std::string> trackNames;
    for (const auto& track : device->data.tracks)
        trackNames.push_back(track->name);
    EXPECT_EQ(trackNames, (std::vector<std::string>{"scene", "fft_sampling_index", "speed"}));
    EXPECT_EQ(content.shaders[1].getParameterNames(), std::vector<std::string>{"speed"});
}

TEST_F(DescriptionLoader, NinthPassIsRefusedAndLoadingGoesOnAsAfterAnUnknownKey)
{
    std::string passes;
    for (int pass = 0; pass < 9; ++pass)
        passes += std::string(pass == 0 ? "" : ",") + R"({"pass_order": )" + std::to_string(pass) +
                  R"(, "shader_id": 0})";
    load(R"({"name": "x", "fullscreen": false, "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}],
      "scenes": [{"shader_order": [)" +
         passes + R"(], "textures": [{"id": 0, "src": "a.png"}], "Textures": []}]})");
    ASSERT_EQ(error, "");
    ASSERT_EQ(content.scenes.size(), 1u);
    EXPECT_EQ(content.scenes[0].getPassShaders().size(), 8u);
    EXPECT_EQ(content.scenes[0].getTextures().size(), 1u) << "the textures after the refused pass still load";
    EXPECT_NE(account.find("    Pass 8 = Shader Program with ID [0]\n"
                           "Sorry. Only max 8 shaders per scene allowed for now. Shall we fix it?  }\n"),
              std::string::npos)
        << account;
    EXPECT_EQ(errors,
              "demo.json: scenes[0]: \"Textures\" is not a key the player reads; did you mean \"textures\"?\n"
              "demo.json: scene 0 has 9 passes; only the first 8 are drawn; dropped: shader_order[8] f.fsh\n");
}

TEST_F(DescriptionLoader, PassSettingsLoadAndAChannelThatNamesNothingIsOneLine)
{
    dir.write("site.fsh", "void mainImage(out vec4 c, in vec2 p) { c = texture(iChannel0, p); }\n");
    load(R"({"name": "x", "fullscreen": false,
      "shaders": [{"fragmentsrc": "site.fsh", "convention": "shadertoy"}],
      "scenes": [{"shader_order": [{"shader_id": 0, "channels": ["texture:1", "previous"], "scale": 0.5},
                                   {"shader_id": 0, "channels": ["pass:0", "buffer"], "format": "rgba32f"}],
                  "textures": [{"id": 0, "src": "a.png"}]}]})");
    ASSERT_EQ(error, "");
    EXPECT_NE(program(0), 0u) << "the player's own vertex shader stands in for the missing vertexsrc";
    const std::vector<PassSettings>& passes = content.scenes.at(0).getPassSettings();
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_TRUE(passes[0].readsPrevious());
    EXPECT_EQ(passes[0].scale, 0.5f);
    EXPECT_EQ(passes[1].format, PassFormat::Rgba32f);
    EXPECT_EQ(errors,
              "demo.json: scenes[0].shader_order[0].channels[0]: \"texture:1\" names no texture of this "
              "scene (it has 1); it reads black\n"
              "demo.json: scenes[0].shader_order[1].channels[1]: \"buffer\" is not a channel (\"pass:N\", "
              "\"pass:N:previous\", \"texture:N\", \"previous\", \"spectrum\", \"keyboard\" or \"none\"); it reads "
              "black\n");
}

TEST_F(DescriptionLoader, AFileThatCannotBeReadEndsTheLoadWithItsReason)
{
    ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::u8path(dir.file("demo.json"))));
    const bool loaded = demo::loadDemoDescription("demo.json", device.get(), content, host, console.sink, nullptr);
    EXPECT_EQ(console.takeOut(), "");
    EXPECT_EQ(console.takeErr(), "demo.json: is a directory\n");
    EXPECT_FALSE(loaded);
    ASSERT_TRUE(std::filesystem::remove(std::filesystem::u8path(dir.file("demo.json"))));
}

TEST_F(DescriptionLoader, MissingTextureFileStillGivesATextureAndItsLine)
{
    load(R"({"name": "x", "fullscreen": false, "scenes": [{"textures": [{"id": 3, "src": "missing.png"}]}]})");
    ASSERT_EQ(error, "");
    ASSERT_EQ(content.scenes.size(), 1u);
    ASSERT_EQ(content.scenes[0].getTextures().size(), 1u);
    const GLuint name = content.scenes[0].getTextures()[0]->getId();
    EXPECT_NE(name, 0u);
    EXPECT_NE(account.find(textureLine("3", "\"missing.png\"", name)), std::string::npos) << account;
    EXPECT_EQ(errors,
              "missing.png: cannot open: No such file or directory\n"
              "Texture load fail : missing.png !!!!!!!!!!!!!!!!\n");
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
         "\"fullscreen\" is missing; it must be true or false"},
        {"name a number", R"({"name": 42, "fullscreen": false})", "Demos name: 42\n",
         "\"name\" must be a string, not 42"},
        {"fullscreen a number", R"({"name": "x", "fullscreen": 1})", "Demos name: \"x\"\n",
         "\"fullscreen\" must be true or false, not 1"},
        {"top level not an object", R"(["name"])",
         "Demos name: ", "the description must be an object of named values, not a list"},
        {"shader entry null", R"({"name": "x", "fullscreen": false, "shaders": [null]})",
         "  src[ vertex:null; fragment:null]\n", "shaders[0].vertexsrc is missing; it must be a file name (a string)"},
        {"shaders a number", R"({"name": "x", "fullscreen": false, "shaders": 3})",
         "  Shader name: ", "\"shaders\" must be a list of shader entries, not 3"},
        {"shader entries as an object's values",
         R"({"name": "x", "fullscreen": false, "shaders": {"a": {"vertexsrc": "v.vsh", "fragmentsrc": 2}}})",
         "  src[ vertex:\"v.vsh\"; fragment:2]\n", "shaders.a.fragmentsrc must be a file name (a string), not 2"},
        {"parameter a number",
         R"({"name": "x", "fullscreen": false,
             "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh", "parameters": [7]}]})",
         "    Parameter: 7\n", "shaders[0].parameters[0] must be a parameter name (a string), not 7"},
        {"parameters a number",
         R"({"name": "x", "fullscreen": false,
             "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh", "parameters": 7}]})",
         "    Parameter: 7\n", "shaders[0].parameters must be a list of parameter names, not 7"},
        {"shader_id equal to the count",
         R"({"name": "x", "fullscreen": false, "scenes": [{"shader_order": [{"pass_order": 0, "shader_id": 0}]}]})",
         "    Pass 0 = Shader Program with ID [0]\n",
         "scenes[0].shader_order[0].shader_id is 0, but there are no shaders"},
        {"shader_id -1", R"({"name": "x", "fullscreen": false, "scenes": [{"shader_order": [{"shader_id": -1}]}]})",
         "    Pass null = Shader Program with ID [-1]\n",
         "scenes[0].shader_order[0].shader_id is -1, but there are no shaders"},
        {"shader_id a string",
         R"({"name": "x", "fullscreen": false, "scenes": [{"shader_order": [{"shader_id": "0"}]}]})",
         "    Pass null = Shader Program with ID [\"0\"]\n",
         "scenes[0].shader_order[0].shader_id must be a number, not \"0\""},
        {"texture without src", R"({"name": "x", "fullscreen": false, "scenes": [{"textures": [{"id": 1}]}]})",
         "  Textures for scene: {\n", "scenes[0].textures[0].src is missing; it must be a file name (a string)"},
        {"pass entry not an object", R"({"name": "x", "fullscreen": false, "scenes": [{"shader_order": [3]}]})",
         "    Pass ", "scenes[0].shader_order[0] must be a pass (an object), not 3"},
        {"scene a long string",
         R"({"name": "x", "fullscreen": false, "scenes": "a scene named with far more than forty characters"})",
         " Scene id: ", "\"scenes\" must be a list of scenes, not \"a scene named with far more than forty ..."},
        {"not JSON", R"({"name": "x",)", "",
         "parse error at line 1, column 14: syntax error while parsing object key - "
         "unexpected end of input; expected string literal"},
    };
    for (const FailingDescription& bad : cases) {
        SCOPED_TRACE(bad.what);
        startFresh();
        load(bad.description);
        EXPECT_EQ(error, bad.error);
        EXPECT_TRUE(endsWith(account, bad.accountEnd))
            << "the account should end with '" << bad.accountEnd << "' but is:\n"
            << account;
    }
}

TEST_F(DescriptionLoader, FailedLoadKeepsWhatWasLoadedBeforeIt)
{
    load(R"({"name": "x", "fullscreen": false,
      "shaders": [{"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}, {"vertexsrc": "v.vsh", "fragmentsrc": "f.fsh"}],
      "scenes": [{"shader_order": [{"shader_id": 1}]}, {"shader_order": [{"shader_id": 0}, {"shader_id": 2}]}]})");
    EXPECT_EQ(error, "scenes[1].shader_order[1].shader_id is 2, but the shaders are numbered 0..1");
    EXPECT_EQ(content.shaders.size(), 2u);
    EXPECT_EQ(content.scenes.size(), 1u) << "the scene in progress does not join the list";
    EXPECT_TRUE(endsWith(account, "    Pass null = Shader Program with ID [2]\n")) << account;
}

} // namespace
