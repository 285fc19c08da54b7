// Building GLSL programs: read a source file, compile a vertex or fragment
// shader, link a program, and the small record that names one linked program.
//
// Main thread only, with the GL context current (readShaderSource excepted).
// The console account of every step goes to standard output. A ShaderProgram
// is a plain value that names GL objects; it never deletes them. Whoever
// needs them released owns them elsewhere (DemoShader shares its programs;
// the anti-aliasing program lives as long as the process).
#pragma once

#include <string>

#include <GL/glew.h>

class FileWarnings;

// Largest shader source read; a larger file reads as "" with a warning.
constexpr unsigned long long kMaxShaderSourceBytes = 16ull * 1024 * 1024;

// The file's text, every line ended by one "\n" (a "\r\n" pair reads as "\n",
// a last line without an end gets one). Prints the reader's header and three
// blank lines around the read. A file that cannot be read (missing, not a
// regular file, no permission, larger than kMaxShaderSourceBytes) gives ""
// and one line "path: reason" on standard error; with `warnings`, only when
// the file's problem is new (see FileWarnings). Opens the file for reading
// only, and never blocks on a named pipe.
std::string readShaderSource(const char* path, FileWarnings* warnings = nullptr);

// The compiled shader's name, or 0 after printing the compiler's log.
GLuint compileVertexShader(const char* source);

// As compileVertexShader, but a failure also waits for one character of
// standard input (the console's Enter) before returning 0.
GLuint compileFragmentShader(const char* source);

// A new program with both shaders attached and linked. The link status is
// not read here; callers that care ask programLinked.
GLuint linkProgram(GLuint fragmentShader, GLuint vertexShader);

// Whether `program` linked; on failure `log` receives the linker's message.
bool programLinked(GLuint program, std::string& log);

class ShaderProgram {
public:
    // No program: every name 0.
    ShaderProgram() = default;
    // Records both shaders (fragment first) and links them into a new program.
    ShaderProgram(GLuint fragmentShader, GLuint vertexShader);

    GLuint getProgramId() const { return program; }
    GLuint getFragmentShader() const { return fragmentShader; }
    GLuint getVertexShader() const { return vertexShader; }

private:
    GLuint fragmentShader = 0;
    GLuint vertexShader = 0;
    GLuint program = 0;
};
