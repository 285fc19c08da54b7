// Building GLSL programs: read a source file, compile a shader, link a
// program; and ShaderProgram, the owner of one linked program.
//
// Main thread only, with the GL context current (readShaderSource excepted).
// Every program of the player is built through compileShader and
// ShaderProgram::link: the shader entries, the final pass and the tests.
// The console account of every step goes to standard output; failures also
// get one line on standard error naming the files.
//
// A ShaderProgram owns its program and both shaders and deletes them when it
// goes away; it is move-only. Shader entries share one through a
// std::shared_ptr (see DemoShader.h).
#pragma once

#include <string>
#include <vector>

#include <GL/glew.h>

#include "render/GlName.h"
#include "render/ShaderSource.h"

class FileWarnings;

namespace render {

// The file's text, every line ended by one "\n" (a "\r\n" pair reads as "\n",
// a last line without an end gets one). Prints the reader's header and three
// blank lines around the read. A file that cannot be read (missing, not a
// regular file, no permission, larger than kMaxShaderSourceBytes) gives ""
// and one line "path: reason" on standard error; with `warnings`, only when
// the file's problem is new (see FileWarnings). Opens the file for reading
// only, and never blocks on a named pipe. `readable`, when given, tells
// whether the file was read.
std::string readShaderSource(const char* path, FileWarnings* warnings = nullptr, bool* readable = nullptr);

} // namespace render

// Whether a compile reports on the console. Built-in programs compile quietly.
enum class CompileReport { Console, Quiet };

namespace render {

// Compiles `source` as a shader of `type` (GL_VERTEX_SHADER or
// GL_FRAGMENT_SHADER); `fileName` names it in messages (empty when the
// caller has already said why the file gave no source). On success prints
// " COMPILATION SUCCESSFULL " and returns the shader. On failure prints the
// driver's log on standard output, "fileName: shader does not compile" on
// standard error, and returns an empty name; a fragment shader's failure
// then waits for one character of standard input (the console's Enter), so
// the author can read the log before the demo goes on.
// With `failureLog`, a failure neither prints nor waits: the driver's log
// goes into `failureLog` instead (live mode shows it in the window).
GlName compileShader(GLenum type, const char* source, const std::string& fileName,
                     CompileReport report = CompileReport::Console, std::string* failureLog = nullptr);

// Compiles `source` as compileShader does, with its additions: an #include
// that failed is reported as a failed compile would be (its line on
// standard error, or in `failureLog`), and the driver's log names the
// author's files and lines (ShaderSource::mapLog) wherever the text differs
// from the file, in `failureLog` too.
GlName compileShaderSource(GLenum type, const ShaderSource& source, const std::string& fileName,
                           CompileReport report = CompileReport::Console, std::string* failureLog = nullptr);

} // namespace render

// What one program is built from.
struct ShaderProgramSources {
    std::string vertexPath; // "" with a convention: the player's vertex shader (kConventionVertexSource)
    std::string fragmentPath;
    const ShaderConvention* convention = nullptr; // of the fragment shader; null for none
};

class ShaderProgram {
public:
    // No program: every name 0.
    ShaderProgram() = default;

    // Links both shaders into a new program. When either shader is empty,
    // links nothing (its compile has reported). When the link fails, writes
    // "vertexName, fragmentName: program does not link: " and the linker's
    // log, on one line, to standard error. Either failure gives an empty
    // program (isValid() false) and deletes what was made. With
    // `failureLog`, that line goes into it instead of standard error.
    static ShaderProgram link(GlName vertexShader, GlName fragmentShader, const std::string& vertexName,
                              const std::string& fragmentName, std::string* failureLog = nullptr);

    bool isValid() const { return static_cast<bool>(program); }
    GLuint getProgramId() const { return program.get(); }
    GLuint getFragmentShader() const { return fragmentShader.get(); }
    GLuint getVertexShader() const { return vertexShader.get(); }

private:
    GlName vertexShader;
    GlName fragmentShader;
    GlName program;
};

namespace render {

// Reads and compiles `vertexPath`, then reads and compiles `fragmentPath`
// (even when the first failed), and links them. An empty program when any
// step fails. Problems reading the files go to `warnings` (see
// readShaderSource).
//
// With `failure`, the build is live mode's: nothing goes to the console and
// nothing waits; when it fails, `failure` says why, one message per line,
// each naming its file ("plasma.fsh:12:3: error: ...").
ShaderProgram buildShaderProgram(const std::string& vertexPath, const std::string& fragmentPath,
                                 FileWarnings* warnings = nullptr, std::string* failure = nullptr);

// The same for `sources`, with their #include files and convention (see
// ShaderSource.h). `filesRead`, when given, receives every file the build
// read or tried to read: the two sources and their includes.
ShaderProgram buildShaderProgram(const ShaderProgramSources& sources, FileWarnings* warnings = nullptr,
                                 std::string* failure = nullptr, std::vector<std::string>* filesRead = nullptr);

} // namespace render
