// DemoShader: building and rebuilding an entry's program, its parameters,
// and the modification-time check that drives live reload.
//
// Main thread. Programs replaced by a rebuild are released through shared
// ownership: each successful build makes one ShaderProgram, every copy of
// the entry made afterwards holds it, and the last holder deletes it.
#include "render/DemoShader.h"

#include <algorithm>
#include <iostream>
#include <utility>

namespace {

// Says that a look could not read the file's status.
void reportUnreadable(const WatchedFile& file)
{
    if (!file.readable())
        std::cout << "error with file: " << file.path() << "\n";
}

// Looks at the file, says what the look found and whether it changed.
bool reportedChange(WatchedFile& file)
{
    const bool changed = file.changed();
    reportUnreadable(file);
    if (changed)
        std::cout << "timestamp is different, file has been modified\n";
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

DemoShader::DemoShader(std::string vertexPath, std::string fragmentPath, const ShaderConvention* convention)
    : vertexPath(std::move(vertexPath)), fragmentPath(std::move(fragmentPath)),
      fragmentFile(this->fragmentPath, WatchedFile::Detail::WholeSeconds), convention(convention)
{
    // The player's own vertex shader has no file.
    if (!this->vertexPath.empty()) {
        vertexFile.emplace(this->vertexPath, WatchedFile::Detail::WholeSeconds);
        reportUnreadable(*vertexFile);
        sourceFiles.push_back(this->vertexPath);
    }
    reportUnreadable(fragmentFile);
    sourceFiles.push_back(this->fragmentPath);
    sourceFiles = eachOnce(sourceFiles);
}

BuildOutcome DemoShader::build(BuildReport report, FileWarnings* warnings)
{
    std::vector<std::string> files;
    ShaderBuild built = render::buildShaderProgram(
        ShaderProgramSources{vertexPath, fragmentPath, convention, defines, commonPath}, report, warnings, &files);
    sourceFiles = eachOnce(files);
    // The included files as this build read them.
    includedFiles.clear();
    for (const std::string& file : sourceFiles)
        if (file != vertexPath && file != fragmentPath)
            includedFiles.emplace_back(file, WatchedFile::Detail::WholeSeconds);
    if (!built.outcome.built)
        return built.outcome;
    program = std::make_shared<const ShaderProgram>(std::move(built.program));
    if (report != BuildReport::Quiet)
        std::cout << "{  Compiled Shader Program and attached ID number " << program->getProgramId()
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

bool DemoShader::checkForChanges()
{
    // Both files are examined every time, so both recorded times stay current.
    const bool vertexChanged = vertexFile && reportedChange(*vertexFile);
    bool changed = reportedChange(fragmentFile) || vertexChanged;
    for (WatchedFile& included : includedFiles)
        changed = reportedChange(included) || changed;
    if (changed) {
        std::cout << "source is diff\n" << std::flush;
    }
    return changed;
}
