// GlName: the one owner of a GL object name (program, shader, texture,
// framebuffer, renderbuffer, vertex array or buffer).
//
// Main thread, on the thread whose GL context made the object. A GlName is
// move-only: exactly one GlName holds a given name, and it deletes the object
// when it goes away, as long as a GL context is current then. When the
// process ends after the window (and with it the context) has gone, nothing
// is deleted: the driver's own teardown takes the objects with it. Objects
// that several values must share (a shader entry's program) are shared
// through a std::shared_ptr to their owner, never by copying the name.
#pragma once

#include <GL/glew.h>

class GlName {
public:
    enum class Kind { Program, Shader, Texture, Framebuffer, Renderbuffer, VertexArray, Buffer };

    // Holds nothing.
    GlName() = default;
    // Takes ownership of `name` (0 means nothing), an object of `kind`.
    GlName(Kind kind, GLuint name) : kind_(kind), name_(name) {}
    ~GlName() { reset(); }
    GlName(GlName&& other) noexcept : kind_(other.kind_), name_(other.release()) {}
    GlName& operator=(GlName&& other) noexcept;
    GlName(const GlName&) = delete;
    GlName& operator=(const GlName&) = delete;

    // A new object of `kind` from glGen* (or glCreateProgram). Shaders need a
    // type: use glCreateShader and the constructor.
    static GlName generate(Kind kind);

    GLuint get() const { return name_; }
    Kind kind() const { return kind_; }
    explicit operator bool() const { return name_ != 0; }

    // Deletes the object (when a context is current) and holds nothing.
    void reset();
    // Gives up ownership without deleting; returns the name.
    GLuint release();

private:
    Kind kind_ = Kind::Buffer;
    GLuint name_ = 0;
};
