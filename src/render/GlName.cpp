// Making and deleting GL objects through their one owner. Main thread.
#include "render/GlName.h"

#include <utility>

#include "platform/gl_context.h"

GlName::GlName(GlName&& other) noexcept
    : kind_(other.kind_), name_(std::exchange(other.name_, 0)), sync_(std::exchange(other.sync_, nullptr))
{
}

GlName& GlName::operator=(GlName&& other) noexcept
{
    if (this != &other) {
        reset();
        kind_ = other.kind_;
        name_ = std::exchange(other.name_, 0);
        sync_ = std::exchange(other.sync_, nullptr);
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
    case Kind::Sync:
        // Made by createShader and fence.
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

GlName GlName::createShader(GLenum type)
{
    return GlName(Kind::Shader, glCreateShader(type));
}

GlName GlName::fence()
{
    GlName fence;
    fence.kind_ = Kind::Sync;
    fence.sync_ = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    return fence;
}

void GlName::reset()
{
    const GLuint name = std::exchange(name_, 0);
    const GLsync sync = std::exchange(sync_, nullptr);
    if ((name == 0 && sync == nullptr) || !platform_gl_context_current())
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
    case Kind::Sync:
        glDeleteSync(sync);
        break;
    }
}
