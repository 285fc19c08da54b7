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
// nlohmann::json::exception (the library's own errors, and two of ours in its
// form: nesting too deep, and a shader_id out of range). Whatever was written
// to the log before the throw stays written, so its last line shows where
// the description went wrong. The start-up catches these; nothing else may.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

// Deeper nesting is refused while parsing: copying and writing a value
// recurse once per level.
constexpr int kMaxDescriptionDepth = 256;

// What the log shows of a texture made by a builder.
struct DescriptionTexture {
    unsigned int id = 0;             // the GL texture name
    const void* address = nullptr;   // the Texture object, as the log shows it
};

// The bytes of the file at `path`, up to its end or up to its first byte 0xFF
// (which older description files may carry after the JSON text); the empty
// text when the file cannot be opened, which then fails to parse.
std::string readDescriptionText(const char* path);

// `text` parsed as one JSON value. Throws nlohmann::json::parse_error when it
// is not one, or when it nests deeper than kMaxDescriptionDepth levels.
nlohmann::json parseDescription(const std::string& text);

// The pass entry's "shader_id" as an index into `shaderCount` shader entries:
// an unsigned 32-bit index, a fractional part dropped. Throws the library's
// type_error for a value that is not a number, and out_of_range (401) for an
// index that is not below `shaderCount`, that is negative, or that does not
// fit into 32 bits.
uint32_t descriptionShaderIndex(const nlohmann::json& shaderId, std::size_t shaderCount);

// Walks `document` (which gains a null member for every absent key it is
// asked for), writing the account to `log`. The builder is any class with:
//   void setFullscreen();                       // "fullscreen" is true
//   void setTitle(const std::string& name);
//   void beginShader(const std::string& vertexPath, const std::string& fragmentPath);
//   void addParameter(const std::string& name); // to the shader begun last
//   void finishShader();                        // the shader joins the list
//   std::size_t shaderCount() const;            // shaders finished so far
//   void beginScene();
//   void addPass(uint32_t shaderIndex);         // a copy of that shader entry
//   DescriptionTexture addTexture(const std::string& path);
//   const void* sceneAddress() const;           // the scene begun last
//   void finishScene();                         // the scene joins the list
// A throw leaves the shader or scene in progress unfinished.
template <class Builder>
void walkDescription(nlohmann::json& document, std::ostream& log, Builder& builder);

// ---------------------------------------------------------------------------

// Iteration below is the library's: an array yields its elements, null
// yields nothing, an object yields its member values in key order and any
// other value yields itself once. Member access is the library's non-const
// operator[]: an absent key reads as null, and a null entry becomes an object.
template <class Builder>
void walkDescription(nlohmann::json& document, std::ostream& log, Builder& builder)
{
    using nlohmann::json;

    log << "Demos name: " << document["name"].dump() << "\n";
    if (document["fullscreen"].get<bool>())
        builder.setFullscreen();
    builder.setTitle(document["name"].get<std::string>());

    log << "\n------SHADERS------\n";
    for (json& shader : document["shaders"]) {
        log << "  Shader name: " << shader["name"].dump() << "\n";
        log << "  src[ vertex:" << shader["vertexsrc"].dump()
            << "; fragment:" << shader["fragmentsrc"].dump() << "]\n";
        const std::string vertexPath = shader["vertexsrc"].get<std::string>();
        const std::string fragmentPath = shader["fragmentsrc"].get<std::string>();
        builder.beginShader(vertexPath, fragmentPath);
        log << "  Parameters: {\n";
        for (json& parameter : shader["parameters"]) {
            log << "    Parameter: " << parameter.dump() << "\n";
            builder.addParameter(parameter.get<std::string>());
        }
        builder.finishShader();
        log << "  }\n"
            << "----------------------\n";
    }

    log << "\n\n\n------SCENES------\n";
    for (json& scene : document["scenes"]) {
        log << " Scene id: " << scene["id"].dump() << "\n";
        log << "  Shaders for scene: {\n";
        builder.beginScene();
        for (json& pass : scene["shader_order"]) {
            log << "    Pass " << pass["pass_order"].dump() << " = Shader Program with ID ["
                << pass["shader_id"].dump() << "]\n";
            builder.addPass(descriptionShaderIndex(pass["shader_id"], builder.shaderCount()));
        }
        log << "  }\n"
            << "  Textures for scene: {\n";
        for (json& texture : scene["textures"]) {
            const DescriptionTexture made = builder.addTexture(texture["src"].get<std::string>());
            log << "    Texture " << texture["id"].dump() << " = " << texture["src"].dump()
                << "||  TEXTURE ID " << made.id << "|| addr: " << made.address << " \n";
        }
        log << "  }\n";
        for (int copy = 0; copy < 6; ++copy)
            log << builder.sceneAddress() << "\n";
        builder.finishScene();
        log << "----------------------\n";
    }
}
