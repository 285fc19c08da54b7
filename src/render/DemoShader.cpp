// DemoShader: building and rebuilding an entry's program, its parameters,
// and the modification-time check that drives live reload.
//
// Main thread. Programs replaced by a rebuild are released through shared
// ownership: each successful build makes one SharedProgram, every copy of
// the entry made afterwards holds it, and the last holder deletes the
// program and both shaders. Deleting needs a current GL context; when the
// process ends after the window (and its context) has gone, the objects are
// left to the driver's own teardown instead.
#include "render/DemoShader.h"

#include <cstdio>
#include <utility>

#include "platform/platform.h"

class DemoShader::SharedProgram {
public:
    explicit SharedProgram(ShaderProgram program) : program(program) {}
    SharedProgram(const SharedProgram&) = delete;
    SharedProgram& operator=(const SharedProgram&) = delete;
    ~SharedProgram()
    {
        if (!platform_gl_context_current())
            return;
        // A program still in use by GL is deleted once it stops being used.
        glDeleteProgram(program.getProgramId());
        glDeleteShader(program.getVertexShader());
        glDeleteShader(program.getFragmentShader());
    }

private:
    ShaderProgram program;
};

namespace {

int32_t recordedFileTime(const char* path)
{
    int32_t time = 0;
    if (!platform_file_time(path, time)) {
        std::printf("error with file: %s\n", path);
        time = 0;
    }
    return time;
}

// Folds a driver's multi-line log into one line for a warning.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

bool fileChanged(const char* path, int32_t& recordedTime)
{
    const int32_t time = recordedFileTime(path);
    if (time == recordedTime)
        return false;
    std::fputs("timestamp is different, file has been modified\n", stdout);
    recordedTime = time;
    return true;
}

DemoShader::DemoShader(std::string vertexPath, std::string fragmentPath)
    : vertexPath(std::move(vertexPath)), fragmentPath(std::move(fragmentPath))
{
    vertexTime = recordedFileTime(this->vertexPath.c_str());
    fragmentTime = recordedFileTime(this->fragmentPath.c_str());
}

bool DemoShader::build(FileWarnings* warnings)
{
    const GLuint vertex = compileVertexShader(readShaderSource(vertexPath.c_str(), warnings).c_str());
    const GLuint fragment = compileFragmentShader(readShaderSource(fragmentPath.c_str(), warnings).c_str());
    if (vertex == 0 || fragment == 0) {
        // The half that did compile is of no use to anyone.
        if (vertex != 0)
            glDeleteShader(vertex);
        if (fragment != 0)
            glDeleteShader(fragment);
        return false;
    }

    const ShaderProgram program(fragment, vertex);
    std::string log;
    if (!programLinked(program.getProgramId(), log)) {
        // Swapping in a program that does not link would blank the pass while
        // reporting success; the entry keeps drawing with what it had.
        std::fprintf(stderr, "%s, %s: program does not link: %s\n", vertexPath.c_str(),
                     fragmentPath.c_str(), oneLine(log).c_str());
        glDeleteProgram(program.getProgramId());
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        return false;
    }

    shaderProgram = program;
    programOwner = std::make_shared<const SharedProgram>(program);
    std::printf("{  Compiled Shader Program and attached ID number %u to it.  }\n\n\n",
                program.getProgramId());
    return true;
}

void DemoShader::addParameter(SyncDevice* device, const std::string& name)
{
    parameterTracks.push_back(sync_obtain_track(device, name.c_str()));
    parameterNames.push_back(name);
}

void DemoShader::applyParameters(SyncDevice* device, int row)
{
    for (const std::string& name : parameterNames) {
        const SyncTrack* track = sync_obtain_track(device, name.c_str());
        const float value = sync_track_value(track, static_cast<double>(row));
        glUniform1f(glGetUniformLocation(shaderProgram.getProgramId(), name.c_str()), value);
    }
}

void DemoShader::setUniform(const char* name, float value)
{
    glUniform1f(glGetUniformLocation(shaderProgram.getProgramId(), name), value);
}

bool DemoShader::checkForChanges()
{
    // Both files are examined every time, so both recorded times stay current.
    const bool vertexChanged = fileChanged(vertexPath.c_str(), vertexTime);
    const bool fragmentChanged = fileChanged(fragmentPath.c_str(), fragmentTime);
    if (vertexChanged || fragmentChanged) {
        std::fputs("source is diff\n", stdout);
        std::fflush(stdout);
    }
    return vertexChanged || fragmentChanged;
}
