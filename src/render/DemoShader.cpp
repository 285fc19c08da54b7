// DemoShader: building and rebuilding an entry's program, its parameters,
// and the modification-time check that drives live reload.
//
// Main thread. Programs replaced by a rebuild are released through shared
// ownership: each successful build makes one ShaderProgram, every copy of
// the entry made afterwards holds it, and the last holder deletes it.
#include "render/DemoShader.h"

#include <algorithm>
#include <utility>

#include "platform/ConsoleSink.h"

namespace {

// Says that a look could not read the file's status.
void reportUnreadable(const FileStamp& file, ConsoleSink& console)
{
    if (!file.readable())
        console.out() << "error with file: " << file.path() << "\n";
}

// Looks at the file, says what the look found and whether it changed.
bool reportedChange(FileStamp& file, ConsoleSink& console)
{
    const bool changed = file.changed();
    reportUnreadable(file, console);
    if (changed)
        console.out() << "timestamp is different, file has been modified\n";
    return changed;
}

// `files` with each path once, in the order of its first appearance.
std::vector<std::string> eachOnce(const std::vector<std::string>& files)
{
    std::vector<std::string> once;
    for (const std::string& file : files)
        if (std::find(once.begin(), once.end(), file) == once.end())
            once.push_back(file);
    return once;
}

} // namespace

DemoShader::DemoShader(std::string vertexPath, std::string fragmentPath, const ShaderConvention* convention,
                       ConsoleSink* console)
    : vertexPath(std::move(vertexPath)), fragmentPath(std::move(fragmentPath)),
      fragmentFile(this->fragmentPath, FileStamp::Detail::WholeSeconds), convention(convention)
{
    // The player's own vertex shader has no file.
    if (!this->vertexPath.empty()) {
        vertexFile.emplace(this->vertexPath, FileStamp::Detail::WholeSeconds);
        if (console != nullptr)
            reportUnreadable(*vertexFile, *console);
        sourceFiles.push_back(this->vertexPath);
    }
    if (console != nullptr)
        reportUnreadable(fragmentFile, *console);
    sourceFiles.push_back(this->fragmentPath);
    sourceFiles = eachOnce(sourceFiles);
}

BuildOutcome DemoShader::build(BuildReport report, ConsoleSink& console, FileWarnings* warnings)
{
    std::vector<std::string> files;
    ShaderBuild built = render::buildShaderProgram(
        ShaderProgramSources{vertexPath, fragmentPath, convention, defines, commonPath}, report, console, warnings,
        &files);
    sourceFiles = eachOnce(files);
    // The included files as this build read them.
    includedFiles.clear();
    for (const std::string& file : sourceFiles)
        if (file != vertexPath && file != fragmentPath)
            includedFiles.emplace_back(file, FileStamp::Detail::WholeSeconds);
    if (!built.outcome.built)
        return built.outcome;
    program = std::make_shared<const ShaderProgram>(std::move(built.program));
    if (report != BuildReport::Quiet)
        console.out() << "{  Compiled Shader Program and attached ID number " << program->getProgramId()
                      << " to it.  }\n\n\n";
    return built.outcome;
}

const ShaderProgram& DemoShader::getShaderProgram() const
{
    static const ShaderProgram none;
    return program ? *program : none;
}

void DemoShader::addParameter(SyncDevice* device, const std::string& name)
{
    // The track is made (and its file read) now; each frame finds it by name.
    sync_obtain_track(device, name.c_str());
    parameterNames.push_back(name);
}

void DemoShader::applyParameters(SyncDevice* device, int row)
{
    for (const std::string& name : parameterNames) {
        const SyncTrack* track = sync_obtain_track(device, name.c_str());
        const float value = sync_track_value(track, static_cast<double>(row));
        glUniform1f(glGetUniformLocation(getProgramId(), name.c_str()), value);
    }
}

void DemoShader::setUniform(const char* name, float value)
{
    glUniform1f(glGetUniformLocation(getProgramId(), name), value);
}

bool DemoShader::checkForChanges(ConsoleSink& console)
{
    // Both files are examined every time, so both recorded times stay current.
    const bool vertexChanged = vertexFile && reportedChange(*vertexFile, console);
    bool changed = reportedChange(fragmentFile, console) || vertexChanged;
    for (FileStamp& included : includedFiles)
        changed = reportedChange(included, console) || changed;
    if (changed) {
        console.out() << "source is diff\n" << std::flush;
    }
    return changed;
}
