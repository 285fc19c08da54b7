// Reading, parsing and walking "demo.json", the demo description.
//
// The walk is the whole of the loader but the GL work: it writes the
// description's account to the log, iterates and converts the values as the
// JSON library does, and hands every shader entry, parameter, scene, pass and
// texture to a builder, which makes the objects. The player's builder
// (DemoLoader.cpp) makes GL programs and textures; tests and the fuzz target
// walk with builders that make nothing. Main thread only.
//
// Errors: everything here reports a bad description by throwing
// nlohmann::json::exception: the library's parse errors, and errors in its
// form whose message names the wrong value by its path in the description
// and says what was expected ("shaders[0].vertexsrc must be a file name (a
// string), not 3"). Each is thrown exactly where the library's own would
// have been, so whatever was written to the log before the throw stays
// written and its last line shows where the description went wrong. The
// start-up catches these; nothing else may. descriptionErrorText gives the
// sentence a person reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "demo/DemoTiming.h"
#include "demo/DescriptionOptions.h"
#include "demo/ReleaseWindow.h"

// Deeper nesting is refused while parsing: copying and writing a value
// recurse once per level.
constexpr int kMaxDescriptionDepth = 256;

// Largest description read; a larger file is refused before it is read.
constexpr uint64_t kMaxDescriptionBytes = 16ull * 1024 * 1024;

// What the log shows of a texture made by a builder.
struct DescriptionTexture {
    unsigned int id = 0;           // the GL texture name
    const void* address = nullptr; // the Texture object, as the log shows it
};

namespace demo {

// Reads the description at `path` into `text`: its bytes up to its end or up
// to its first byte 0xFF (which older description files may carry after the
// JSON text). False when the file cannot be read (missing, not a regular
// file, no permission, larger than kMaxDescriptionBytes), with the reason in
// `problem`, fit to follow "demo.json: ".
bool readDescriptionFile(const char* path, std::string& text, std::string& problem);

// `text` parsed as one JSON value. Throws nlohmann::json::parse_error when it
// is not one, or when it nests deeper than kMaxDescriptionDepth levels.
nlohmann::json parseDescription(const std::string& text);

// The optional keys beside the shaders and scenes: the demo's length and
// tempo, and how a release shows it. Throws type_error (302) naming a wrong
// one, before anything of the description is made.
void readDescriptionSettings(const nlohmann::json& document, DemoTiming& timing, ReleaseWindow& release);

// The music's file that the description at `path` names with "tune", read
// ahead of its load so that the music can open beside it: "tune.ogg" when
// it names none, or when the description cannot be read or is refused (its
// load then says why).
std::string tuneFileOf(const char* path);

// Whether the demo has its final pass ("test.vsh" and "AA.fsh"): true unless
// "final_pass" is "none", which makes each scene's last pass draw the
// picture itself. Throws type_error for any other value.
bool readFinalPass(const nlohmann::json& document);

// The message of a description error without the library's internal prefix
// ("[json.exception.type_error.302] "), e.g. "parse error at line 1, column
// 42: ..." or "\"fullscreen\" must be true or false, not \"yes\"".
std::string descriptionErrorText(const nlohmann::json::exception& error);

// The pass entry's "shader_id" (at `path` in the description) as an index
// into `shaderCount` shader entries: an unsigned 32-bit index, a fractional
// part dropped. Throws type_error for a value that is not a number, and
// out_of_range (401) for an index that is not below `shaderCount`, that is
// negative, or that does not fit into 32 bits.
uint32_t descriptionShaderIndex(const nlohmann::json& shaderId, std::size_t shaderCount,
                                const std::string& path = "shader_id");

// Member `key` of `entry` (the value at `path`; "" for the whole
// description), read as the loader reads it: an absent key reads as null,
// and a null entry becomes an object. Throws type_error when `entry` is any
// other kind of value, saying that it must be `expected`.
nlohmann::json& descriptionMember(nlohmann::json& entry, const char* key, const std::string& path,
                                  const char* expected);

// The error for `value` (at `path`) when it is not what the description
// allows there: "<path> must be <expected>, not <value>" ("... is missing;
// it must be ..." for null).
nlohmann::json::type_error descriptionTypeError(const nlohmann::json& value, const std::string& path,
                                                const std::string& expected);

// `value` (at `path`) as a boolean or a string; type_error when it is not
// one, saying that it must be `expected`.
bool descriptionBool(const nlohmann::json& value, const std::string& path, const char* expected);
std::string descriptionString(const nlohmann::json& value, const std::string& path, const char* expected);

// Calls visit(item, itemPath, itemExpected) for each item of `list` (at
// `path`) as the library iterates: an array yields its elements
// ("path[i]"), an object its member values in key order ("path.key"), null
// nothing, and any other value yields itself once; that lone value is
// expected to be `listExpected`, an element `itemExpected`.
template <class Visit>
void forEachDescriptionItem(nlohmann::json& list, const std::string& path, const char* listExpected,
                            const char* itemExpected, Visit visit);

// The kinds of object in a description, each with the keys the player reads.
enum class DescriptionObject { Top, Shader, Scene, Pass, Texture, Release };

// The keys the player reads in an object of `kind`: those the walk below and
// readDescriptionSettings ask for. A key read anywhere must be listed here, or the
// player calls it unknown.
const std::vector<std::string>& descriptionKeys(DescriptionObject kind);

// One line for each key of `document` (at any level) that the player does
// not read, naming its place and the nearest key it reads when one is close:
// `scenes[1]: "shaders_order" is not a key the player reads; did you mean
// "shader_order"?`. Lists and entries are followed as the walk follows them;
// values of the wrong kind are left to the walk.
std::vector<std::string> unknownDescriptionKeys(const nlohmann::json& document);

// The known key nearest to `key`, when one is close enough to be a slip
// (case, a letter or two, two letters swapped); "" otherwise.
std::string nearestKey(const std::string& key, const std::vector<std::string>& known);

// Walks `document` (which gains a null member for every absent key it is
// asked for), writing the account to `log`. The builder is any class with:
//   void setFullscreen();                       // "fullscreen" is true
//   void setTitle(const std::string& name);
//   void beginShader(const std::string& vertexPath, const std::string& fragmentPath,
//                    const ShaderConvention* convention,  // vertexPath "" with a convention:
//                    const std::string& commonPath);      // the player's own vertex shader;
//                                               // commonPath "" or the demo's common file
//   void addParameter(const std::string& name); // to the shader begun last
//   void finishShader();                        // the shader joins the list
//   std::size_t shaderCount() const;            // shaders finished so far
//   void beginScene();
//   void addPass(uint32_t shaderIndex, const PassSettings& settings); // a copy of that shader entry
//   DescriptionTexture addTexture(const std::string& path, const SceneTextureOptions& options);
//   const void* sceneAddress() const;           // the scene begun last
//   void finishScene();                         // the scene joins the list
//   void warn(const std::string& message);      // a mistake that does not end the load
// A throw leaves the shader or scene in progress unfinished.
template <class Builder> void walkDescription(nlohmann::json& document, std::ostream& log, Builder& builder);

// ---------------------------------------------------------------------------

template <class Visit>
void forEachDescriptionItem(nlohmann::json& list, const std::string& path, const char* listExpected,
                            const char* itemExpected, Visit visit)
{
    if (list.is_array()) {
        std::size_t index = 0;
        for (nlohmann::json& item : list)
            visit(item, path + "[" + std::to_string(index++) + "]", itemExpected);
    } else if (list.is_object()) {
        for (auto member = list.begin(); member != list.end(); ++member)
            visit(member.value(), path + "." + member.key(), itemExpected);
    } else if (!list.is_null()) {
        visit(list, path, listExpected);
    }
}

// Member access and conversions below go through the description helpers,
// which act as the library's non-const operator[] and get<> do but name the
// value's path when they fail.
template <class Builder> void walkDescription(nlohmann::json& document, std::ostream& log, Builder& builder)
{
    using nlohmann::json;
    const char* const kTop = "an object of named values";

    log << "Demos name: " << descriptionMember(document, "name", "", kTop).dump() << "\n";
    if (descriptionBool(document["fullscreen"], "fullscreen", "true or false"))
        builder.setFullscreen();
    builder.setTitle(descriptionString(document["name"], "name", "a string"));

    log << "\n------SHADERS------\n";
    forEachDescriptionItem(
        document["shaders"], "shaders", "a list of shader entries", "a shader entry (an object)",
        [&](json& shader, const std::string& path, const char* expected) {
            log << "  Shader name: " << descriptionMember(shader, "name", path, expected).dump() << "\n";
            log << "  src[ vertex:" << shader["vertexsrc"].dump() << "; fragment:" << shader["fragmentsrc"].dump()
                << "]\n";
            const char* const kFile = "a file name (a string)";
            const ShaderConvention* convention = descriptionConvention(shader["convention"], path + ".convention");
            // A shader in a convention may leave its vertex shader to the player.
            const bool ownVertexShader = convention == nullptr || !shader["vertexsrc"].is_null();
            const std::string vertexPath = ownVertexShader
                                               ? descriptionString(shader["vertexsrc"], path + ".vertexsrc", kFile)
                                               : "";
            const std::string fragmentPath = descriptionString(shader["fragmentsrc"], path + ".fragmentsrc", kFile);
            builder.beginShader(vertexPath, fragmentPath, convention,
                                descriptionCommonPath(document["common"], convention));
            log << "  Parameters: {\n";
            forEachDescriptionItem(shader["parameters"], path + ".parameters", "a list of parameter names",
                                   "a parameter name (a string)",
                                   [&](json& parameter, const std::string& parameterPath, const char* what) {
                                       log << "    Parameter: " << parameter.dump() << "\n";
                                       builder.addParameter(descriptionString(parameter, parameterPath, what));
                                   });
            builder.finishShader();
            log << "  }\n"
                << "----------------------\n";
        });

    log << "\n\n\n------SCENES------\n";
    forEachDescriptionItem(
        document["scenes"], "scenes", "a list of scenes", "a scene (an object)",
        [&](json& scene, const std::string& path, const char* expected) {
            log << " Scene id: " << descriptionMember(scene, "id", path, expected).dump() << "\n";
            log << "  Shaders for scene: {\n";
            builder.beginScene();
            std::vector<ScenePassChannels> passChannels;
            forEachDescriptionItem(
                scene["shader_order"], path + ".shader_order", "a list of passes", "a pass (an object)",
                [&](json& pass, const std::string& passPath, const char* what) {
                    log << "    Pass " << descriptionMember(pass, "pass_order", passPath, what).dump()
                        << " = Shader Program with ID [" << pass["shader_id"].dump() << "]\n";
                    const uint32_t shaderIndex = descriptionShaderIndex(pass["shader_id"], builder.shaderCount(),
                                                                        passPath + ".shader_id");
                    passChannels.push_back({passPath, {}});
                    builder.addPass(shaderIndex, descriptionPassSettings(pass, passPath, passChannels.back().channels));
                });
            log << "  }\n"
                << "  Textures for scene: {\n";
            std::size_t textureCount = 0;
            forEachDescriptionItem(scene["textures"], path + ".textures", "a list of textures", "a texture (an object)",
                                   [&](json& texture, const std::string& texturePath, const char* what) {
                                       json& source = descriptionMember(texture, "src", texturePath, what);
                                       const DescriptionTexture made = builder.addTexture(
                                           descriptionString(source, texturePath + ".src", "a file name (a string)"),
                                           descriptionTextureOptions(texture, texturePath));
                                       log << "    Texture " << texture["id"].dump() << " = " << texture["src"].dump()
                                           << "||  TEXTURE ID " << made.id << "|| addr: " << made.address << " \n";
                                       ++textureCount;
                                   });
            log << "  }\n";
            for (const std::string& problem : channelProblems(passChannels, textureCount))
                builder.warn(problem);
            for (int copy = 0; copy < 6; ++copy)
                log << builder.sceneAddress() << "\n";
            builder.finishScene();
            log << "----------------------\n";
        });
}

} // namespace demo
