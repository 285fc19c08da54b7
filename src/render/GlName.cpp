// Deleting GL objects through their one owner. Main thread.
#include "render/GlName.h"

#include "platform/platform.h"

GlName& GlName::operator=(GlName&& other) noexcept
{
    if (this != &other) {
        reset();
        kind_ = other.kind_;
        name_ = other.release();
    }
    return *this;
}

GlName GlName::generate(Kind kind)
{
    GLuint name = 0;
    switch (kind) {
    case Kind::Program:
        name = glCreateProgram();
        break;
    case Kind::Shader:
        // A shader cannot be made without its type.
        break;
    case Kind::Texture:
        glGenTextures(1, &name);
        break;
    case Kind::Framebuffer:
        glGenFramebuffers(1, &name);
        break;
    case Kind::Renderbuffer:
        glGenRenderbuffers(1, &name);
        break;
    case Kind::VertexArray:
        glGenVertexArrays(1, &name);
        break;
    case Kind::Buffer:
        glGenBuffers(1, &name);
        break;
    }
    return GlName(kind, name);
}

void GlName::reset()
{
    const GLuint name = release();
    if (name == 0 || !platform_gl_context_current())
        return;
    // Objects still in use by GL (a bound texture, the current program) are
    // deleted by GL once they stop being used.
    switch (kind_) {
    case Kind::Program:
        glDeleteProgram(name);
        break;
    case Kind::Shader:
        glDeleteShader(name);
        break;
    case Kind::Texture:
        glDeleteTextures(1, &name);
        break;
    case Kind::Framebuffer:
        glDeleteFramebuffers(1, &name);
        break;
    case Kind::Renderbuffer:
        glDeleteRenderbuffers(1, &name);
        break;
    case Kind::VertexArray:
        glDeleteVertexArrays(1, &name);
        break;
    case Kind::Buffer:
        glDeleteBuffers(1, &name);
        break;
    }
}

GLuint GlName::release()
{
    const GLuint name = name_;
    name_ = 0;
    return name;
}
