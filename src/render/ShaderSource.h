// ShaderSource: the text that the compiler gets for one shader file, and the
// map from each of its lines back to a file and a line, so that compile
// errors name the author's file and line, never the player's additions.
//
// Two things make the text differ from the file:
// - `#include "file"` lines are replaced by the files they name, read
//   relative to the including file. Each file goes in at most once per
//   shader (a second #include of it adds nothing); an #include that would
//   include a file within itself, or a file that cannot be read, is an
//   error naming the #include's file and line.
// - A fragment shader written in a convention (ShaderConvention.h) gets
//   `#version 330 core` when it has no #version line, the convention's
//   uniforms and output that it uses but does not declare itself, its renamed words,
//   and, for mainImage sources, a main() that calls mainImage.
// - A source in the GLSL of OpenGL ES ("#version 100", "#version 300 es")
//   gets the desktop #version line in place of its own, on the same line
//   (see render::desktopVersionLine); one of ES 1.00 also gets its old words
//   renamed and gl_FragColor declared as an output.
// - The additions a build asks for (SourceAdditions): a #define per name
//   and a common file put before the source's own lines, as the shader
//   site's Common tab is.
// #include lines are found by their text: one inside a /* */ comment is
// left alone, one inside an #if that is off is included all the same.
//
// Pure apart from the file reader it is given; any thread. A ShaderSource
// is a value; it keeps no file open.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "render/ShaderConvention.h"

// Largest shader source read; a larger file reads as "" with a warning.
constexpr unsigned long long kMaxShaderSourceBytes = 16ull * 1024 * 1024;

// What a build puts around a source beyond its own lines.
struct SourceAdditions {
    const ShaderConvention* convention = nullptr; // a fragment shader's; null for none
    bool fragment = true;                         // a fragment shader (false: a vertex shader)
    std::vector<std::string> defines;             // each becomes "#define NAME" before the source's lines
    std::string commonPath; // a file whose lines (with its includes) go before the source's; "" for none
};

class ShaderSource {
public:
    // Reads the file at `path` into `text` (every line ended by "\n"); false
    // with a short reason in `problem` ("cannot open: No such file or
    // directory").
    using FileReader = std::function<bool(const std::string& path, std::string& text, std::string& problem)>;

    // The source of the shader file at `path`, whose text (every line ended
    // by "\n") is `text`. Included files are read through `read`.
    // `convention` applies to a fragment shader; null for none (and for
    // every vertex shader).
    static ShaderSource assemble(const std::string& path, const std::string& text, const ShaderConvention* convention,
                                 const FileReader& read);
    // The same with `additions`; the common file is read through `read` and
    // counts among files() after the shader's own file.
    static ShaderSource assemble(const std::string& path, const std::string& text, const SourceAdditions& additions,
                                 const FileReader& read);

    // A source that is only `text`, named `name` in messages (a shader the
    // player writes itself).
    static ShaderSource plain(const std::string& name, const std::string& text);

    // This source as GLSL ES 3.00 (WebGL 2) takes it: its #version line
    // (whichever desktop version it names; added when there is none) reads
    // "#version 300 es", and default precisions follow it and its #extension
    // lines (high for floats, integers and every sampler type). Every other
    // line, and the map back to the files, stays.
    ShaderSource forGlslEs() const;

    // False when an #include failed; error() then says why.
    bool ok() const { return error_.empty(); }
    // "file:line: message", or "" when the source assembled.
    const std::string& error() const { return error_; }

    // What the compiler gets.
    const std::string& text() const { return text_; }

    // Whether text() differs from the file: it includes files or follows a convention.
    bool changesFile() const { return files_.size() > 1 || !conventionName_.empty() || addsLines_ || forGlslEs_; }

    // Every file the shader reads: its own file first, then each included
    // file in the order of its first #include. An #include that failed adds
    // its file too, so that a file that appears later is noticed.
    const std::vector<std::string>& files() const { return files_; }

    // Where line `line` (from 1) of text() comes from: "file:fileLine", or
    // "" for a line the player added. A line past the end follows on from
    // the last one (drivers report an unexpected end there).
    std::string origin(int line) const;

    // `log`, a compiler's log about text(), with each line's leading source
    // reference ("0:12(3): " from Mesa, "0(12) : " from others) replaced by
    // the line's origin ("noise.glsl:4:3: "). A message about a line the
    // player added names the shader's own file and says so. Other lines stay
    // as they are; trailing blank lines are dropped.
    std::string mapLog(const std::string& log) const;

private:
    struct LineOrigin {
        int file; // index into files_, or -1 for a line the player added
        int line; // from 1
    };

    void addLine(const std::string& text, int file, int line);

    std::string text_;
    std::string error_;
    std::vector<std::string> files_;
    std::vector<LineOrigin> lines_; // one per line of text_
    std::string conventionName_;    // the convention whose additions these are, or ""
    bool forGlslEs_ = false;        // rewritten by forGlslEs()
    bool addsLines_ = false;        // the version line or the additions changed the text
};

namespace render {

// File bytes as a compiler reads shader text: every line ended by one "\n"
// (a "\r\n" pair reads as "\n", a last line without an end gets one).
std::string shaderText(const std::string& bytes);

// Reads a shader file for ShaderSource::assemble: at most
// kMaxShaderSourceBytes, as shaderText; prints nothing.
bool readShaderFile(const std::string& path, std::string& text, std::string& problem);

// Whether `source` declares a variable `name` with `qualifier` ("uniform",
// "out"): a cheap look at the text, in which a declaration inside a comment
// counts too.
bool declaresVariable(const std::string& source, const std::string& qualifier, const std::string& name);

// The one place where a source's #version line is translated. `code` is the
// line without comments; a line naming the GLSL of OpenGL ES ("#version 100",
// "#version 300 es", "#version 310 es", "#version 320 es") gives the desktop
// version the player's GL 3.3 core context compiles it as ("#version 330
// core", "#version 430 core", "#version 450 core"), with `esVersion` set to
// the ES number (100, 300, ...); any other line gives "" and `esVersion` 0.
std::string desktopVersionLine(const std::string& code, int& esVersion);

} // namespace render
