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

// A failed compile's log on the console (`log` as the reader should see it),
// then the line on standard error and, for a fragment shader of a console
// build, the wait for Enter.
void reportCompileFailure(GLenum type, const std::string& log, const std::string& fileName, CompileReport report)
{
    std::cout << log;
    std::cout.flush();
    if (!fileName.empty())
        std::fprintf(stderr, "%s: shader does not compile\n", fileName.c_str());
    if (type == GL_FRAGMENT_SHADER && report == CompileReport::Console) {
        // Hold the program until the author has read the log: one character
        // of standard input, which in a console arrives with Enter.
        std::getchar();
    }
}

// The source of shader file `path` (its text already read), with its
// includes and, for a fragment shader, `convention`; "" as the path stands
// for the convention's own vertex shader.
ShaderSource sourceOf(GLenum type, const std::string& path, const std::string& text, const ShaderConvention* convention)
{
    if (path.empty())
        return ShaderSource::plain(render::kConventionVertexName, render::kConventionVertexSource);
    return ShaderSource::assemble(path, text, type == GL_FRAGMENT_SHADER ? convention : nullptr,
                                  render::readShaderFile);
}

// Reads and compiles one file of a live build; an empty name on failure,
// with `failure` extended by the reason. The files it read join `files`.
GlName compileLive(GLenum type, const std::string& path, const ShaderConvention* convention, std::string& failure,
                   std::vector<std::string>& files)
{
    std::string text;
    std::string problem;
    if (!path.empty() && !render::readShaderFile(path, text, problem)) {
        failure += path + ": " + problem + "\n";
        files.push_back(path);
        return GlName();
    }
    const ShaderSource source = sourceOf(type, path, text, convention);
    if (!path.empty())
        files.insert(files.end(), source.files().begin(), source.files().end());
    std::string log;
    GlName shader = render::compileShaderSource(type, source, path, CompileReport::Quiet, &log);
    if (!shader)
        failure += (log.empty() ? path + ": shader does not compile" : log) + "\n";
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

    std::string text = render::shaderText(bytes);

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
    reportCompileFailure(type, shaderInfoLog(shader.get()), fileName, report);
    return GlName();
}

GlName render::compileShaderSource(GLenum type, const ShaderSource& source, const std::string& fileName,
                                   CompileReport report, std::string* failureLog)
{
    if (!source.ok()) {
        if (failureLog != nullptr) {
            *failureLog = source.error();
            return GlName();
        }
        std::cout.flush();
        std::fprintf(stderr, "%s\n", source.error().c_str());
        if (type == GL_FRAGMENT_SHADER && report == CompileReport::Console)
            std::getchar(); // as after a failed compile
        return GlName();
    }
    if (failureLog == nullptr && !source.changesFile())
        return compileShader(type, source.text().c_str(), fileName, report);

    // The driver's log speaks of the assembled text: mapped to the files.
    std::string log;
    GlName shader = compileShader(type, source.text().c_str(), fileName, report, &log);
    if (shader)
        return shader;
    log = source.mapLog(log);
    if (failureLog != nullptr)
        *failureLog = log;
    else
        reportCompileFailure(type, log, fileName, report);
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
    return buildShaderProgram(ShaderProgramSources{vertexPath, fragmentPath, nullptr}, warnings, failure);
}

ShaderProgram render::buildShaderProgram(const ShaderProgramSources& sources, FileWarnings* warnings,
                                         std::string* failure, std::vector<std::string>* filesRead)
{
    std::vector<std::string> files;
    const std::string& vertexPath = sources.vertexPath;
    const std::string& fragmentPath = sources.fragmentPath;
    const std::string vertexName = vertexPath.empty() ? kConventionVertexName : vertexPath;
    if (failure != nullptr) {
        failure->clear();
        GlName vertex = compileLive(GL_VERTEX_SHADER, vertexPath, nullptr, *failure, files);
        GlName fragment = compileLive(GL_FRAGMENT_SHADER, fragmentPath, sources.convention, *failure, files);
        if (filesRead != nullptr)
            *filesRead = files;
        if (!vertex || !fragment) {
            while (!failure->empty() && failure->back() == '\n')
                failure->pop_back();
            return ShaderProgram();
        }
        return ShaderProgram::link(std::move(vertex), std::move(fragment), vertexName, fragmentPath, failure);
    }

    // A file that could not be read has had its line; its empty source still
    // goes to the compiler, which says so on the console.
    bool readable = true;
    const std::string vertexText = vertexPath.empty() ? "" : readShaderSource(vertexPath.c_str(), warnings, &readable);
    const ShaderSource vertexSource = sourceOf(GL_VERTEX_SHADER, vertexPath, vertexText, nullptr);
    GlName vertex = compileShaderSource(GL_VERTEX_SHADER, vertexSource, readable ? vertexName : std::string());
    const std::string fragmentText = readShaderSource(fragmentPath.c_str(), warnings, &readable);
    const ShaderSource fragmentSource = sourceOf(GL_FRAGMENT_SHADER, fragmentPath, fragmentText, sources.convention);
    GlName fragment = compileShaderSource(GL_FRAGMENT_SHADER, fragmentSource, readable ? fragmentPath : std::string());
    if (filesRead != nullptr) {
        *filesRead = vertexPath.empty() ? std::vector<std::string>() : vertexSource.files();
        filesRead->insert(filesRead->end(), fragmentSource.files().begin(), fragmentSource.files().end());
    }
    return ShaderProgram::link(std::move(vertex), std::move(fragment), vertexName, fragmentPath);
}
