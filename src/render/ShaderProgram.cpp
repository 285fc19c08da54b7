// Reading shader sources, compiling shaders and linking programs.
//
// Main thread only; everything but readShaderSource needs the GL context.
// The text returned by readShaderSource belongs to the caller; compiled
// shaders and linked programs are returned in their owners.
#include "render/ShaderProgram.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/FileWarnings.h"
#include "platform/file_read.h"
#include "platform/ConsoleSink.h"
#include "platform/gl_dialect.h"

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

// The file's text (see readShaderSource) after the reader's header on
// standard output; `problem` is set to the reason it could not be read, or
// "" when it was. The caller ends the account with three blank lines.
std::string readAfterHeader(const char* path, ConsoleSink& console, std::string& problem)
{
    console.out() << "---------------------\n"
                  << "Opening shader file: " << path << "\n"
                  << "---------------------\n"
                  << "\n";
    // Read-only: a write-protected source must load, and the player never
    // opens a user's file for writing.
    std::string bytes;
    if (platform_read_file(path, kMaxShaderSourceBytes, bytes, problem) == PLATFORM_READ_OK)
        problem.clear();
    return render::shaderText(bytes);
}

// readShaderSource without the line on standard error: a file that cannot
// be read is only said in `problem`.
std::string readInAccount(const char* path, ConsoleSink& console, std::string& problem)
{
    std::string text = readAfterHeader(path, console, problem);
    console.out() << "\n\n\n";
    return text;
}

// The source of shader file `path` (its text already read), with its
// includes and, for a fragment shader, `additions`; "" as the path stands
// for the convention's own vertex shader.
ShaderSource sourceOf(GLenum type, const std::string& path, const std::string& text, SourceAdditions additions)
{
    if (path.empty())
        return ShaderSource::plain(render::kConventionVertexName, render::kConventionVertexSource);
    additions.fragment = type == GL_FRAGMENT_SHADER;
    return ShaderSource::assemble(path, text, additions, render::readShaderFile);
}

// Compiles one shader of a build. On failure adds the reason to `outcome`
// (unless `name` is empty: the read has already said why there is no
// source) and, in the account, prints the driver's log (naming the author's
// files where the text differs from the file), and on the console also
// "name: shader does not compile" on standard error. An #include that
// failed fails the same way.
GlName compileStep(GLenum type, const ShaderSource& authored, const std::string& name, BuildReport report,
                   ConsoleSink& console, BuildOutcome& outcome)
{
    // WebGL 2 compiles GLSL ES 3.00: the same source, rewritten for it.
    const ShaderSource source = platform_gl_is_es() ? authored.forGlslEs() : authored;
    const bool account = report != BuildReport::Quiet;
    const bool speaks = report == BuildReport::Console;
    if (!source.ok()) {
        if (type == GL_FRAGMENT_SHADER)
            outcome.fragmentDidNotCompile = true;
        outcome.failure += source.error() + "\n";
        if (speaks)
            console.error(source.error());
        return GlName();
    }

    GlName shader = GlName::createShader(type);
    const char* text = source.text().c_str();
    glShaderSource(shader.get(), 1, &text, nullptr);
    glCompileShader(shader.get());
    GLint status = 0;
    glGetShaderiv(shader.get(), GL_COMPILE_STATUS, &status);
    if (status != 0) {
        if (account)
            console.out() << "\n COMPILATION SUCCESSFULL \n";
        return shader;
    }

    if (type == GL_FRAGMENT_SHADER)
        outcome.fragmentDidNotCompile = true;
    // The driver's log speaks of the assembled text: mapped to the files.
    const std::string log = render::infoLog(shader);
    const std::string mapped = source.mapLog(log);
    if (!name.empty())
        outcome.failure += (mapped.empty() ? name + ": shader does not compile" : mapped) + "\n";
    if (account) {
        // A file compiled as it is shows the log exactly as the driver wrote it.
        console.out() << (source.changesFile() ? mapped : log) << std::flush;
        if (speaks && !name.empty())
            console.warn(name, "shader does not compile");
    }
    return GlName();
}

// Links the two shaders into the build's program, unless either is missing
// (its compile has reported).
void linkStep(GlName vertex, GlName fragment, const std::string& vertexName, const std::string& fragmentName,
              BuildReport report, ConsoleSink& console, ShaderBuild& build)
{
    if (!vertex || !fragment)
        return;
    GlName program = GlName::generate(GlName::Kind::Program);
    glAttachShader(program.get(), fragment.get());
    glAttachShader(program.get(), vertex.get());
    glLinkProgram(program.get());
    GLint status = 0;
    glGetProgramiv(program.get(), GL_LINK_STATUS, &status);
    if (status == 0) {
        const std::string line = vertexName + ", " + fragmentName +
                                 ": program does not link: " + oneLine(render::infoLog(program));
        build.outcome.failure += line + "\n";
        if (report == BuildReport::Console)
            console.error(line);
        return;
    }
    build.program = ShaderProgram(std::move(vertex), std::move(fragment), std::move(program));
    build.outcome.built = true;
}

// The text a shader was compiled from, as GL keeps it.
std::string shaderText(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_SHADER_SOURCE_LENGTH, &length);
    if (length <= 0)
        return "";
    std::string text(static_cast<size_t>(length), '\0');
    GLsizei written = 0;
    glGetShaderSource(shader, length, &written, &text[0]);
    text.resize(static_cast<size_t>(std::clamp<GLsizei>(written, 0, length)));
    return text;
}

// A failure's reasons without the last line end.
void finishOutcome(BuildOutcome& outcome)
{
    while (!outcome.failure.empty() && outcome.failure.back() == '\n')
        outcome.failure.pop_back();
}

// Reads, assembles and compiles one file of a build: in the account with
// the reader's header, else quietly. The files it read join `files`.
GlName buildStep(GLenum type, const std::string& path, const SourceAdditions& additions, BuildReport report,
                 ConsoleSink& console, FileWarnings* warnings, BuildOutcome& outcome, std::vector<std::string>& files)
{
    const bool account = report != BuildReport::Quiet;
    const std::string name = path.empty() ? render::kConventionVertexName : path;
    std::string text;
    std::string problem;
    if (!path.empty()) {
        if (report == BuildReport::Console)
            text = render::readShaderSource(path.c_str(), console, warnings, &problem);
        else if (account)
            text = readInAccount(path.c_str(), console, problem);
        else
            render::readShaderFile(path, text, problem);
    }
    if (!problem.empty()) {
        outcome.failure += path + ": " + problem + "\n";
        // In the account the empty text still goes to the compiler, which says so.
        if (!account) {
            files.push_back(path);
            return GlName();
        }
    }
    const ShaderSource source = sourceOf(type, path, text, additions);
    if (!path.empty())
        files.insert(files.end(), source.files().begin(), source.files().end());
    return compileStep(type, source, problem.empty() ? name : std::string(), report, console, outcome);
}

} // namespace

ShaderProgram::ShaderProgram(GlName vertexShader, GlName fragmentShader, GlName program)
    : vertexShader(std::move(vertexShader)), fragmentShader(std::move(fragmentShader)), program(std::move(program))
{
    if (this->vertexShader && this->fragmentShader)
        facts = render::passSourceFacts(shaderText(this->vertexShader.get()), shaderText(this->fragmentShader.get()));
}

std::string render::infoLog(const GlName& object)
{
    const bool shader = object.kind() == GlName::Kind::Shader;
    GLint length = 0;
    if (shader)
        glGetShaderiv(object.get(), GL_INFO_LOG_LENGTH, &length);
    else
        glGetProgramiv(object.get(), GL_INFO_LOG_LENGTH, &length);
    if (length <= 0)
        return "";
    std::string log(static_cast<size_t>(length), '\0');
    GLsizei written = 0;
    if (shader)
        glGetShaderInfoLog(object.get(), length, &written, &log[0]);
    else
        glGetProgramInfoLog(object.get(), length, &written, &log[0]);
    log.resize(static_cast<size_t>(std::clamp<GLsizei>(written, 0, length)));
    return log;
}

std::string render::readShaderSource(const char* path, ConsoleSink& console, FileWarnings* warnings,
                                     std::string* problem)
{
    std::string reason;
    std::string text = readAfterHeader(path, console, reason);
    if (problem != nullptr)
        *problem = reason;
    if (reason.empty()) {
        if (warnings != nullptr)
            warnings->clear(path);
    } else if (warnings != nullptr) {
        warnings->report(console, path, reason);
    } else {
        console.warn(path, reason);
    }
    console.out() << "\n\n\n";
    return text;
}

ShaderBuild render::buildProgram(const char* vertexSource, const char* fragmentSource, const std::string& vertexName,
                                 const std::string& fragmentName, BuildReport report, ConsoleSink& console)
{
    ShaderBuild build;
    GlName vertex = compileStep(GL_VERTEX_SHADER, ShaderSource::plain(vertexName, vertexSource), vertexName, report,
                                console, build.outcome);
    GlName fragment = compileStep(GL_FRAGMENT_SHADER, ShaderSource::plain(fragmentName, fragmentSource), fragmentName,
                                  report, console, build.outcome);
    linkStep(std::move(vertex), std::move(fragment), vertexName, fragmentName, report, console, build);
    finishOutcome(build.outcome);
    return build;
}

ShaderBuild render::buildShaderProgram(const ShaderProgramSources& sources, BuildReport report, ConsoleSink& console,
                                       FileWarnings* warnings, std::vector<std::string>* filesRead)
{
    ShaderBuild build;
    std::vector<std::string> files;
    GlName vertex = buildStep(GL_VERTEX_SHADER, sources.vertexPath, SourceAdditions(), report, console, warnings,
                              build.outcome, files);
    SourceAdditions additions;
    additions.convention = sources.convention;
    additions.defines = sources.defines;
    additions.commonPath = sources.commonPath;
    GlName fragment = buildStep(GL_FRAGMENT_SHADER, sources.fragmentPath, additions, report, console, warnings,
                                build.outcome, files);
    const std::string vertexName = sources.vertexPath.empty() ? kConventionVertexName : sources.vertexPath;
    linkStep(std::move(vertex), std::move(fragment), vertexName, sources.fragmentPath, report, console, build);
    finishOutcome(build.outcome);
    if (filesRead != nullptr)
        *filesRead = std::move(files);
    return build;
}

ShaderBuild render::buildShaderProgram(const std::string& vertexPath, const std::string& fragmentPath,
                                       BuildReport report, ConsoleSink& console, FileWarnings* warnings)
{
    return buildShaderProgram(ShaderProgramSources{vertexPath, fragmentPath, nullptr, {}, ""}, report, console,
                              warnings);
}
