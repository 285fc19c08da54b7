// An LD_PRELOAD library for bench_live_soak: counts the GL objects that the
// program it is loaded into holds (made and not yet deleted), by kind, and
// after a swap, at most twice a second, writes to the file named by
// $DEMOPLAYER_PROBE one line of "kind count" pairs, their total, and the
// bytes the heap has handed out and not had back (mallinfo2), which unlike
// resident memory does not move with the allocator's own bookkeeping. It sees
// the GL calls that go through libGL's own symbols (the GL 1.1 texture calls)
// and through glXGetProcAddress (everything GLEW loads); calls through EGL or
// a loader of its own go uncounted.
//
// Any thread; the counts are kept under one lock.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <GL/gl.h>
#include <GL/glx.h>

namespace {

enum Kind { Textures, Buffers, Framebuffers, Renderbuffers, VertexArrays, Queries, Samplers, Programs, Shaders, Syncs };
const char* const kKindNames[] = {"textures", "buffers",  "framebuffers", "renderbuffers", "vertexarrays",
                                  "queries",  "samplers", "programs",     "shaders",       "syncs"};
constexpr int kKinds = sizeof kKindNames / sizeof kKindNames[0];

std::mutex lock;
std::unordered_set<uintptr_t> live[kKinds];
std::chrono::steady_clock::time_point lastWritten;
int output = -1;

void made(Kind kind, uintptr_t name)
{
    if (name == 0)
        return;
    std::lock_guard<std::mutex> guard(lock);
    live[kind].insert(name);
}

void deleted(Kind kind, uintptr_t name)
{
    std::lock_guard<std::mutex> guard(lock);
    live[kind].erase(name);
}

void writeCounts()
{
    std::lock_guard<std::mutex> guard(lock);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastWritten < std::chrono::milliseconds(500))
        return;
    lastWritten = now;
    if (output < 0) {
        const char* path = std::getenv("DEMOPLAYER_PROBE");
        if (path == nullptr || (output = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) < 0)
            return;
    }
    char line[512];
    int length = 0;
    std::size_t total = 0;
    for (int kind = 0; kind < kKinds; ++kind) {
        length += std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), "%s %8zu ",
                                kKindNames[kind], live[kind].size());
        total += live[kind].size();
    }
    const struct mallinfo2 heap = mallinfo2();
    length += std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), "total %8zu heap %12zu\n",
                            total, heap.uordblks + heap.hblkhd);
    // Fixed-width fields: each line overwrites the last one whole.
    if (pwrite(output, line, static_cast<std::size_t>(length), 0) < 0)
        return;
}

template <typename Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The wrappers of the calls that make and delete names, one per GL function:
// each keeps the driver's function that it forwards to.
using MakeNames = void (*)(GLsizei, GLuint*);
using DeleteNames = void (*)(GLsizei, const GLuint*);

template <Kind K, int Id> struct NameCalls {
    static MakeNames realMake;
    static DeleteNames realDelete;
    static void make(GLsizei count, GLuint* names)
    {
        realMake(count, names);
        for (GLsizei i = 0; i < count; ++i)
            made(K, names[i]);
    }
    static void remove(GLsizei count, const GLuint* names)
    {
        for (GLsizei i = 0; i < count; ++i)
            deleted(K, names[i]);
        realDelete(count, names);
    }
};
template <Kind K, int Id> MakeNames NameCalls<K, Id>::realMake = nullptr;
template <Kind K, int Id> DeleteNames NameCalls<K, Id>::realDelete = nullptr;

GLuint (*realCreateProgram)() = nullptr;
void (*realDeleteProgram)(GLuint) = nullptr;
GLuint (*realCreateShader)(GLenum) = nullptr;
void (*realDeleteShader)(GLuint) = nullptr;
GLsync (*realFenceSync)(GLenum, GLbitfield) = nullptr;
void (*realDeleteSync)(GLsync) = nullptr;

GLuint createProgram()
{
    const GLuint name = realCreateProgram();
    made(Programs, name);
    return name;
}
void deleteProgram(GLuint name)
{
    deleted(Programs, name);
    realDeleteProgram(name);
}
GLuint createShader(GLenum type)
{
    const GLuint name = realCreateShader(type);
    made(Shaders, name);
    return name;
}
void deleteShader(GLuint name)
{
    deleted(Shaders, name);
    realDeleteShader(name);
}
GLsync fenceSync(GLenum condition, GLbitfield flags)
{
    GLsync sync = realFenceSync(condition, flags);
    made(Syncs, reinterpret_cast<uintptr_t>(sync));
    return sync;
}
void deleteSync(GLsync sync)
{
    deleted(Syncs, reinterpret_cast<uintptr_t>(sync));
    realDeleteSync(sync);
}

using Procedure = __GLXextFuncPtr;

template <typename Real, typename Wrapper> Procedure wrap(Procedure found, Real& real, Wrapper wrapper)
{
    real = reinterpret_cast<Real>(found);
    return reinterpret_cast<Procedure>(wrapper);
}

template <Kind K, int Id> Procedure wrapMake(Procedure found)
{
    return wrap(found, NameCalls<K, Id>::realMake, &NameCalls<K, Id>::make);
}

template <Kind K, int Id> Procedure wrapDelete(Procedure found)
{
    return wrap(found, NameCalls<K, Id>::realDelete, &NameCalls<K, Id>::remove);
}

// The wrapper of the GL function `name` found at `found`, or `found` itself.
Procedure wrapped(const char* name, Procedure found)
{
    if (found == nullptr)
        return nullptr;
    struct Entry {
        const char* name;
        Procedure (*wrap)(Procedure);
    };
    static const Entry entries[] = {
        {"glGenTextures", wrapMake<Textures, 1>},
        {"glDeleteTextures", wrapDelete<Textures, 1>},
        {"glGenBuffers", wrapMake<Buffers, 0>},
        {"glDeleteBuffers", wrapDelete<Buffers, 0>},
        {"glGenFramebuffers", wrapMake<Framebuffers, 0>},
        {"glDeleteFramebuffers", wrapDelete<Framebuffers, 0>},
        {"glGenRenderbuffers", wrapMake<Renderbuffers, 0>},
        {"glDeleteRenderbuffers", wrapDelete<Renderbuffers, 0>},
        {"glGenVertexArrays", wrapMake<VertexArrays, 0>},
        {"glDeleteVertexArrays", wrapDelete<VertexArrays, 0>},
        {"glGenQueries", wrapMake<Queries, 0>},
        {"glDeleteQueries", wrapDelete<Queries, 0>},
        {"glGenSamplers", wrapMake<Samplers, 0>},
        {"glDeleteSamplers", wrapDelete<Samplers, 0>},
    };
    for (const Entry& entry : entries)
        if (std::strcmp(entry.name, name) == 0)
            return entry.wrap(found);
    if (std::strcmp(name, "glCreateProgram") == 0)
        return wrap(found, realCreateProgram, &createProgram);
    if (std::strcmp(name, "glDeleteProgram") == 0)
        return wrap(found, realDeleteProgram, &deleteProgram);
    if (std::strcmp(name, "glCreateShader") == 0)
        return wrap(found, realCreateShader, &createShader);
    if (std::strcmp(name, "glDeleteShader") == 0)
        return wrap(found, realDeleteShader, &deleteShader);
    if (std::strcmp(name, "glFenceSync") == 0)
        return wrap(found, realFenceSync, &fenceSync);
    if (std::strcmp(name, "glDeleteSync") == 0)
        return wrap(found, realDeleteSync, &deleteSync);
    return found;
}

} // namespace

extern "C" {

// GL 1.1's texture calls are libGL's own symbols.
void glGenTextures(GLsizei count, GLuint* names)
{
    static const auto real = next<MakeNames>("glGenTextures");
    real(count, names);
    for (GLsizei i = 0; i < count; ++i)
        made(Textures, names[i]);
}

void glDeleteTextures(GLsizei count, const GLuint* names)
{
    static const auto real = next<DeleteNames>("glDeleteTextures");
    for (GLsizei i = 0; i < count; ++i)
        deleted(Textures, names[i]);
    real(count, names);
}

Procedure glXGetProcAddressARB(const GLubyte* name)
{
    static const auto real = next<Procedure (*)(const GLubyte*)>("glXGetProcAddressARB");
    return wrapped(reinterpret_cast<const char*>(name), real(name));
}

Procedure glXGetProcAddress(const GLubyte* name)
{
    static const auto real = next<Procedure (*)(const GLubyte*)>("glXGetProcAddress");
    return wrapped(reinterpret_cast<const char*>(name), real(name));
}

void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    static const auto real = next<void (*)(Display*, GLXDrawable)>("glXSwapBuffers");
    real(display, drawable);
    writeCounts();
}

} // extern "C"
