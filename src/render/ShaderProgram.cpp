// Reading shader sources, compiling shaders and linking programs.
//
// Main thread only; everything but readShaderSource needs the GL context.
// The text returned by readShaderSource belongs to the caller. Compiled
// shaders and linked programs belong to the caller too: nothing here deletes
// them, except a shader that failed to compile.
#include "render/ShaderProgram.h"

#include <cstdio>
#include <vector>

#include "platform/FileWarnings.h"
#include "platform/file_read.h"
#include "platform/warning.h"

namespace {

// Compiles one shader of `type`. On failure prints the log exactly as the
// driver wrote it, deletes the shader and returns 0.
GLuint compileShader(GLenum type, const char* source)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);

    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != 0) {
        std::fputs("\n COMPILATION SUCCESSFULL \n", stdout);
        return shader;
    }

    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    if (length > 0) {
        std::vector<char> log(static_cast<size_t>(length));
        GLsizei written = 0;
        glGetShaderInfoLog(shader, length, &written, log.data());
        for (GLsizei i = 0; i < written && i < length; ++i)
            std::putchar(log[static_cast<size_t>(i)]);
    }
    glDeleteShader(shader);
    return 0;
}

} // namespace

std::string readShaderSource(const char* path, FileWarnings* warnings)
{
    std::fputs("---------------------\n", stdout);
    std::fputs("Opening shader file: ", stdout);
    std::fputs(path, stdout);
    std::fputs("\n", stdout);
    std::fputs("---------------------\n", stdout);
    std::fputs("\n", stdout);

    // Read-only: a write-protected source must load, and the player never
    // opens a user's file for writing.
    std::string bytes;
    std::string problem;
    if (platform_read_file(path, kMaxShaderSourceBytes, bytes, problem) == PLATFORM_READ_OK) {
        if (warnings != nullptr)
            warnings->clear(path);
    } else if (warnings != nullptr) {
        warnings->report(path, problem);
    } else {
        platform_warn(path, problem);
    }

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

    std::fputs("\n\n\n", stdout);
    return text;
}

GLuint compileVertexShader(const char* source)
{
    return compileShader(GL_VERTEX_SHADER, source);
}

GLuint compileFragmentShader(const char* source)
{
    GLuint shader = compileShader(GL_FRAGMENT_SHADER, source);
    if (shader == 0) {
        // Hold the program until the author has read the log: one character
        // of standard input, which in a console arrives with Enter.
        std::fflush(stdout);
        std::getchar();
    }
    return shader;
}

GLuint linkProgram(GLuint fragmentShader, GLuint vertexShader)
{
    GLuint program = glCreateProgram();
    glAttachShader(program, fragmentShader);
    glAttachShader(program, vertexShader);
    glLinkProgram(program);
    return program;
}

bool programLinked(GLuint program, std::string& log)
{
    GLint status = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != 0)
        return true;
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    log.assign(static_cast<size_t>(length > 0 ? length : 0), '\0');
    GLsizei written = 0;
    if (length > 0)
        glGetProgramInfoLog(program, length, &written, &log[0]);
    log.resize(static_cast<size_t>(written));
    return false;
}

ShaderProgram::ShaderProgram(GLuint fragmentShader, GLuint vertexShader)
    : fragmentShader(fragmentShader), vertexShader(vertexShader),
      program(linkProgram(fragmentShader, vertexShader))
{
}
