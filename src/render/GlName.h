// GlName: the one owner of every GL object the program makes: programs,
// shaders, textures, framebuffers, renderbuffers, vertex arrays, buffers
// and sync objects. Nothing else calls glGen*, glCreate* or glDelete*.
//
// Main thread (the thread whose GL context made the object). A GlName is
// move-only: exactly one GlName holds a given object, and it deletes the
// object when it goes away, as long as a GL context is current on its thread
// then (platform_gl_context_current: the window and the headless context
// record it). When the process ends after the context has gone, nothing is
// deleted: the driver's own teardown takes the objects with it. Objects that
// several values must share (a shader entry's program) are shared through a
// std::shared_ptr to their owner, never by copying the name.
#pragma once

#include <GL/glew.h>

class GlName {
public:
    enum class Kind { Program, Shader, Texture, Framebuffer, Renderbuffer, VertexArray, Buffer, Sync };

    // Holds nothing.
    GlName() = default;
    ~GlName() { reset(); }
    GlName(GlName&& other) noexcept;
    GlName& operator=(GlName&& other) noexcept;
    GlName(const GlName&) = delete;
    GlName& operator=(const GlName&) = delete;

    // A new object of `kind` (a program, or one from glGen*). Shaders and
    // sync objects are made by the two functions below.
    static GlName generate(Kind kind);
    // A new shader of `type` (GL_VERTEX_SHADER, GL_FRAGMENT_SHADER).
    static GlName createShader(GLenum type);
    // A fence after the commands issued so far (glFenceSync).
    static GlName fence();

    // The object's name; 0 when nothing is held (and for a sync object).
    GLuint get() const { return name_; }
    // The sync object; null when nothing is held (and for other kinds).
    GLsync sync() const { return sync_; }
    Kind kind() const { return kind_; }
    explicit operator bool() const { return name_ != 0 || sync_ != nullptr; }

    // Deletes the object (when a context is current) and holds nothing.
    void reset();

private:
    GlName(Kind kind, GLuint name) : kind_(kind), name_(name) {}

    Kind kind_ = Kind::Buffer;
    GLuint name_ = 0;
    GLsync sync_ = nullptr;
};
