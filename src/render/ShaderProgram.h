// Building GLSL programs: read a source file, compile both shaders, link
// them; and ShaderProgram, the owner of one linked program.
//
// Main thread only, with the GL context current (readShaderSource excepted).
// Every program of the player is built here, through buildProgram or
// buildShaderProgram: the shader entries, the final pass, the heads-up
// display and the tests. A build says what it came to (BuildOutcome) and
// never decides what follows a failure: the caller waits for Enter, shows
// the failure or gives up.
//
// A ShaderProgram owns its program and both shaders and deletes them when it
// goes away; it is move-only. Shader entries share one through a
// std::shared_ptr (see DemoShader.h).
#pragma once

#include <string>
#include <vector>

#include <GL/glew.h>

#include "render/GlName.h"
#include "render/PassDrawing.h"
#include "render/ShaderSource.h"

class ConsoleSink;
class FileWarnings;

// How a build speaks while it works, through the console sink it is given.
enum class BuildReport {
    // The player's account on the sink's account stream: each file's
    // header, then " COMPILATION SUCCESSFULL " or the driver's log; and one
    // line on its error stream per failure, naming the files.
    Console,
    // The same account, but nothing on the error stream:
    // the failure is only returned, for the caller to say (an export).
    Account,
    // Nothing at all (live mode, built-in programs): the failure is only returned.
    Quiet,
};

// What a build came to.
struct BuildOutcome {
    bool built = false;
    bool fragmentDidNotCompile = false; // the fragment shader (or its empty text) failed to compile
    // Why it did not build: one message per line, each naming its file
    // ("plasma.fsh:12:3: error: ..."); "" when it built.
    std::string failure;
};

class ShaderProgram {
public:
    // No program: every name 0.
    ShaderProgram() = default;
    // Owns a linked program and the two shaders it was linked from, and
    // reads what their texts say about how a pass draws with it.
    ShaderProgram(GlName vertexShader, GlName fragmentShader, GlName program);

    bool isValid() const { return static_cast<bool>(program); }
    GLuint getProgramId() const { return program.get(); }
    GLuint getFragmentShader() const { return fragmentShader.get(); }
    GLuint getVertexShader() const { return vertexShader.get(); }
    // Depth and coverage as the shaders' texts say (the costlier answers without a program).
    const PassSourceFacts& sourceFacts() const { return facts; }

private:
    GlName vertexShader;
    GlName fragmentShader;
    GlName program;
    PassSourceFacts facts;
};

// A program and what its build came to.
struct ShaderBuild {
    ShaderProgram program; // valid exactly when outcome.built
    BuildOutcome outcome;
};

// What one program is built from.
struct ShaderProgramSources {
    std::string vertexPath; // "" with a convention: the player's vertex shader (kConventionVertexSource)
    std::string fragmentPath;
    const ShaderConvention* convention = nullptr; // of the fragment shader; null for none
    std::vector<std::string> defines;             // "#define NAME" each, before the fragment source's lines
    std::string commonPath; // the demo's common file, before the fragment source's lines; "" for none
};

namespace render {

// The file's text, every line ended by one "\n" (a "\r\n" pair reads as "\n",
// a last line without an end gets one). Prints the reader's header and three
// blank lines around the read, to `console`. A file that cannot be read
// (missing, not a regular file, no permission, larger than
// kMaxShaderSourceBytes) gives "" and one warning "path: reason"; with `warnings`, only when
// the file's problem is new (see FileWarnings). Opens the file for reading
// only, and never blocks on a named pipe. `problem`, when given, is set to
// the reason the file could not be read, or "" when it was.
std::string readShaderSource(const char* path, ConsoleSink& console, FileWarnings* warnings = nullptr,
                             std::string* problem = nullptr);

// Compiles the two sources and links them; `vertexName` and `fragmentName`
// name them in messages. A failed compile or link deletes what was made.
// A program that does not link is a failure too: it would blank whatever
// draws with it while the build looked successful.
ShaderBuild buildProgram(const char* vertexSource, const char* fragmentSource, const std::string& vertexName,
                         const std::string& fragmentName, BuildReport report, ConsoleSink& console);

// Reads and compiles the vertex shader, then reads and compiles the fragment
// shader (even when the first failed), with their #include files and
// convention (see ShaderSource.h), and links them. With the console or the
// account report, a file that cannot be read still hands its empty text to
// the compiler, which says so in the account; on the console, problems
// reading the files go to `warnings` (see readShaderSource). Otherwise a
// file that cannot be read is not compiled. Compile errors name the author's files and lines. `filesRead`,
// when given, receives every file the build read or tried to read: the two
// sources and their includes.
ShaderBuild buildShaderProgram(const ShaderProgramSources& sources, BuildReport report, ConsoleSink& console,
                               FileWarnings* warnings = nullptr, std::vector<std::string>* filesRead = nullptr);

// The same for two plain files.
ShaderBuild buildShaderProgram(const std::string& vertexPath, const std::string& fragmentPath, BuildReport report,
                               ConsoleSink& console, FileWarnings* warnings = nullptr);

// The info log of a shader or a program (by the owner's kind), as the driver wrote it.
std::string infoLog(const GlName& object);

} // namespace render
