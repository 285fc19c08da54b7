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
#include <vector>

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

// The compiler's message for `shader`.
std::string shaderInfoLog(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 0), '\0');
    GLsizei written = 0;
    if (length > 0)
        glGetShaderInfoLog(shader, length, &written, &log[0]);
    log.resize(static_cast<size_t>(written));
    return log;
}

// The linker's message for `program`.
std::string linkLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 0), '\0');
    GLsizei written = 0;
    if (length > 0)
        glGetProgramInfoLog(program, length, &written, &log[0]);
    log.resize(static_cast<size_t>(written));
    return log;
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

// Reads and compiles one file of a live build; an empty name on failure,
// with `failure` extended by the reason.
GlName compileLive(GLenum type, const std::string& path, std::string& failure)
{
    std::string bytes;
    std::string problem;
    if (platform_read_file(path.c_str(), kMaxShaderSourceBytes, bytes, problem) != PLATFORM_READ_OK) {
        failure += path + ": " + problem + "\n";
        return GlName();
    }
    const std::string text = shaderText(bytes);
    std::string log;
    GlName shader = render::compileShader(type, text.c_str(), path, CompileReport::Quiet, &log);
    if (!shader) {
        const std::string named = render::shaderLogWithFileName(log, path);
        failure += (named.empty() ? path + ": shader does not compile" : named) + "\n";
    }
    return shader;
}

} // namespace

std::string render::readShaderSource(const char* path, FileWarnings* warnings, bool* readable)
{
    std::cout << "---------------------\n"
              << "Opening shader file: " << path << "\n"
              << "---------------------\n"
              << "\n";

    // Read-only: a write-protected source must load, and the player never
    // opens a user's file for writing.
    std::string bytes;
    std::string problem;
    const bool read = platform_read_file(path, kMaxShaderSourceBytes, bytes, problem) == PLATFORM_READ_OK;
    if (readable != nullptr)
        *readable = read;
    if (read) {
        if (warnings != nullptr)
            warnings->clear(path);
    } else if (warnings != nullptr) {
        warnings->report(path, problem);
    } else {
        platform_warn(path, problem);
    }

    std::string text = shaderText(bytes);

    std::cout << "\n\n\n";
    return text;
}

GlName render::compileShader(GLenum type, const char* source, const std::string& fileName, CompileReport report,
                             std::string* failureLog)
{
    GlName shader(GlName::Kind::Shader, glCreateShader(type));
    glShaderSource(shader.get(), 1, &source, nullptr);
    glCompileShader(shader.get());
    GLint status = 0;
    glGetShaderiv(shader.get(), GL_COMPILE_STATUS, &status);
    if (status != 0) {
        if (report == CompileReport::Console)
            std::cout << "\n COMPILATION SUCCESSFULL \n";
        return shader;
    }

    if (failureLog != nullptr) {
        *failureLog = shaderInfoLog(shader.get());
        return GlName();
    }

    // The log exactly as the driver wrote it.
    GLint length = 0;
    glGetShaderiv(shader.get(), GL_INFO_LOG_LENGTH, &length);
    if (length > 0) {
        std::vector<char> log(static_cast<size_t>(length));
        GLsizei written = 0;
        glGetShaderInfoLog(shader.get(), length, &written, log.data());
        std::cout.write(log.data(), std::min(written, length));
    }
    std::cout.flush();
    if (!fileName.empty())
        std::fprintf(stderr, "%s: shader does not compile\n", fileName.c_str());
    if (type == GL_FRAGMENT_SHADER && report == CompileReport::Console) {
        // Hold the program until the author has read the log: one character
        // of standard input, which in a console arrives with Enter.
        std::getchar();
    }
    return GlName();
}

ShaderProgram ShaderProgram::link(GlName vertexShader, GlName fragmentShader, const std::string& vertexName,
                                  const std::string& fragmentName, std::string* failureLog)
{
    ShaderProgram result;
    if (!vertexShader || !fragmentShader)
        return result;

    GlName program = GlName::generate(GlName::Kind::Program);
    glAttachShader(program.get(), fragmentShader.get());
    glAttachShader(program.get(), vertexShader.get());
    glLinkProgram(program.get());
    GLint status = 0;
    glGetProgramiv(program.get(), GL_LINK_STATUS, &status);
    if (status == 0) {
        // A program that does not link would blank whatever draws with it
        // while the build reported success.
        const std::string line = vertexName + ", " + fragmentName +
                                 ": program does not link: " + oneLine(linkLog(program.get()));
        if (failureLog != nullptr) {
            *failureLog = line;
            return result;
        }
        std::cout.flush();
        std::fprintf(stderr, "%s\n", line.c_str());
        return result;
    }
    result.vertexShader = std::move(vertexShader);
    result.fragmentShader = std::move(fragmentShader);
    result.program = std::move(program);
    return result;
}

ShaderProgram render::buildShaderProgram(const std::string& vertexPath, const std::string& fragmentPath,
                                         FileWarnings* warnings, std::string* failure)
{
    if (failure != nullptr) {
        failure->clear();
        GlName vertex = compileLive(GL_VERTEX_SHADER, vertexPath, *failure);
        GlName fragment = compileLive(GL_FRAGMENT_SHADER, fragmentPath, *failure);
        if (!vertex || !fragment) {
            while (!failure->empty() && failure->back() == '\n')
                failure->pop_back();
            return ShaderProgram();
        }
        return ShaderProgram::link(std::move(vertex), std::move(fragment), vertexPath, fragmentPath, failure);
    }

    // A file that could not be read has had its line; its empty source still
    // goes to the compiler, which says so on the console.
    bool readable = false;
    const std::string vertexSource = readShaderSource(vertexPath.c_str(), warnings, &readable);
    GlName vertex = compileShader(GL_VERTEX_SHADER, vertexSource.c_str(), readable ? vertexPath : std::string());
    const std::string fragmentSource = readShaderSource(fragmentPath.c_str(), warnings, &readable);
    GlName fragment = compileShader(GL_FRAGMENT_SHADER, fragmentSource.c_str(),
                                    readable ? fragmentPath : std::string());
    return ShaderProgram::link(std::move(vertex), std::move(fragment), vertexPath, fragmentPath);
}
