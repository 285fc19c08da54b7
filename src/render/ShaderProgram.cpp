// Reading shader sources, compiling shaders and linking programs.
//
// Main thread only; everything but readShaderSource needs the GL context.
// The text returned by readShaderSource belongs to the caller; compiled
// shaders and linked programs are returned in their owners.
#include "render/ShaderProgram.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <utility>

#include "platform/FileWarnings.h"
#include "platform/file_read.h"
#include "platform/warning.h"
#include "render/ShaderLog.h"

namespace {

// A driver's multi-line log folded into one line for a warning.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// Shader text as text-mode reading gives it: every line ended by one "\n".
std::string shaderText(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size() + 1);
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        // Text-mode reading: a "\r\n" line end counts as "\n".
        std::size_t lineEnd = end;
        if (lineEnd > start && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        text.append(bytes, start, lineEnd - start);
        text += '\n';
        start = end + 1;
    }
    return text;
}

// Compiles one shader of a build. On failure adds the reason to `outcome`
// and, on the console, prints the driver's log and (unless `name` is empty:
// the read has already said why there is no source) "name: shader does not
// compile" on standard error.
GlName compileStep(GLenum type, const char* source, const std::string& name, BuildReport report, BuildOutcome& outcome)
{
    GlName shader = GlName::createShader(type);
    glShaderSource(shader.get(), 1, &source, nullptr);
    glCompileShader(shader.get());
    GLint status = 0;
    glGetShaderiv(shader.get(), GL_COMPILE_STATUS, &status);
    if (status != 0) {
        if (report == BuildReport::Console)
            std::cout << "\n COMPILATION SUCCESSFULL \n";
        return shader;
    }

    if (type == GL_FRAGMENT_SHADER)
        outcome.fragmentDidNotCompile = true;
    const std::string log = render::infoLog(shader);
    if (!name.empty()) {
        const std::string named = render::shaderLogWithFileName(log, name);
        outcome.failure += (named.empty() ? name + ": shader does not compile" : named) + "\n";
    }
    if (report == BuildReport::Console) {
        // The log exactly as the driver wrote it.
        std::cout << log << std::flush;
        if (!name.empty())
            std::fprintf(stderr, "%s: shader does not compile\n", name.c_str());
    }
    return GlName();
}

// Links the two shaders into the build's program, unless either is missing
// (its compile has reported).
void linkStep(GlName vertex, GlName fragment, const std::string& vertexName, const std::string& fragmentName,
              BuildReport report, ShaderBuild& build)
{
    if (!vertex || !fragment)
        return;
    GlName program = GlName::generate(GlName::Kind::Program);
    glAttachShader(program.get(), fragment.get());
    glAttachShader(program.get(), vertex.get());
    glLinkProgram(program.get());
    GLint status = 0;
    glGetProgramiv(program.get(), GL_LINK_STATUS, &status);
    if (status == 0) {
        const std::string line = vertexName + ", " + fragmentName +
                                 ": program does not link: " + oneLine(render::infoLog(program));
        build.outcome.failure += line + "\n";
        if (report == BuildReport::Console) {
            std::cout.flush();
            std::fprintf(stderr, "%s\n", line.c_str());
        }
        return;
    }
    build.program = ShaderProgram(std::move(vertex), std::move(fragment), std::move(program));
    build.outcome.built = true;
}

// A failure's reasons without the last line end.
void finishOutcome(BuildOutcome& outcome)
{
    while (!outcome.failure.empty() && outcome.failure.back() == '\n')
        outcome.failure.pop_back();
}

// Reads one file of a build: on the console with the reader's header, else
// quietly. False, with the reason added to `outcome`, when it cannot be read.
bool readStep(const std::string& path, BuildReport report, FileWarnings* warnings, std::string& text,
              BuildOutcome& outcome)
{
    std::string problem;
    if (report == BuildReport::Console) {
        text = render::readShaderSource(path.c_str(), warnings, &problem);
    } else {
        std::string bytes;
        if (platform_read_file(path.c_str(), kMaxShaderSourceBytes, bytes, problem) == PLATFORM_READ_OK)
            text = shaderText(bytes);
    }
    if (problem.empty())
        return true;
    outcome.failure += path + ": " + problem + "\n";
    return false;
}

} // namespace

ShaderProgram::ShaderProgram(GlName vertexShader, GlName fragmentShader, GlName program)
    : vertexShader(std::move(vertexShader)), fragmentShader(std::move(fragmentShader)), program(std::move(program))
{
}

std::string render::infoLog(const GlName& object)
{
    const bool shader = object.kind() == GlName::Kind::Shader;
    GLint length = 0;
    if (shader)
        glGetShaderiv(object.get(), GL_INFO_LOG_LENGTH, &length);
    else
        glGetProgramiv(object.get(), GL_INFO_LOG_LENGTH, &length);
    if (length <= 0)
        return "";
    std::string log(static_cast<size_t>(length), '\0');
    GLsizei written = 0;
    if (shader)
        glGetShaderInfoLog(object.get(), length, &written, &log[0]);
    else
        glGetProgramInfoLog(object.get(), length, &written, &log[0]);
    log.resize(static_cast<size_t>(std::min<GLsizei>(std::max<GLsizei>(written, 0), length)));
    return log;
}

std::string render::readShaderSource(const char* path, FileWarnings* warnings, std::string* problem)
{
    std::cout << "---------------------\n"
              << "Opening shader file: " << path << "\n"
              << "---------------------\n"
              << "\n";

    // Read-only: a write-protected source must load, and the player never
    // opens a user's file for writing.
    std::string bytes;
    std::string reason;
    const bool read = platform_read_file(path, kMaxShaderSourceBytes, bytes, reason) == PLATFORM_READ_OK;
    if (problem != nullptr)
        *problem = read ? std::string() : reason;
    if (read) {
        if (warnings != nullptr)
            warnings->clear(path);
    } else if (warnings != nullptr) {
        warnings->report(path, reason);
    } else {
        platform_warn(path, reason);
    }

    std::string text = shaderText(bytes);

    std::cout << "\n\n\n";
    return text;
}

ShaderBuild render::buildProgram(const char* vertexSource, const char* fragmentSource, const std::string& vertexName,
                                 const std::string& fragmentName, BuildReport report)
{
    ShaderBuild build;
    GlName vertex = compileStep(GL_VERTEX_SHADER, vertexSource, vertexName, report, build.outcome);
    GlName fragment = compileStep(GL_FRAGMENT_SHADER, fragmentSource, fragmentName, report, build.outcome);
    linkStep(std::move(vertex), std::move(fragment), vertexName, fragmentName, report, build);
    finishOutcome(build.outcome);
    return build;
}

ShaderBuild render::buildShaderProgram(const std::string& vertexPath, const std::string& fragmentPath,
                                       BuildReport report, FileWarnings* warnings)
{
    // On the console a file that could not be read has had its line; its
    // empty text still goes to the compiler, which says so on the console.
    const bool console = report == BuildReport::Console;
    ShaderBuild build;
    std::string text;
    GlName vertex;
    if (readStep(vertexPath, report, warnings, text, build.outcome))
        vertex = compileStep(GL_VERTEX_SHADER, text.c_str(), vertexPath, report, build.outcome);
    else if (console)
        vertex = compileStep(GL_VERTEX_SHADER, text.c_str(), "", report, build.outcome);
    GlName fragment;
    text.clear();
    if (readStep(fragmentPath, report, warnings, text, build.outcome))
        fragment = compileStep(GL_FRAGMENT_SHADER, text.c_str(), fragmentPath, report, build.outcome);
    else if (console)
        fragment = compileStep(GL_FRAGMENT_SHADER, text.c_str(), "", report, build.outcome);
    linkStep(std::move(vertex), std::move(fragment), vertexPath, fragmentPath, report, build);
    finishOutcome(build.outcome);
    return build;
}
