// A shader entry of the demo description: its two source files and their
// recorded modification times, its current program, and the float
// parameters it reads from sync tracks of the same names.
//
// Main thread; build, applyParameters and setUniform need the GL context.
// DemoShader is a value. The description keeps one copy of each entry and
// every scene its own; copies share the ShaderProgram (program and both
// shaders) they were copied with. A rebuild gives one copy a new program and
// lets go of the old one, which is deleted once no copy holds it any more.
// The sync tracks belong to the SyncDevice and are found by name at use.
#pragma once

#include <optional>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "platform/FileStamp.h"
#include "render/ShaderProgram.h"
#include "sync/device.h"

class DemoShader {
public:
    // Records both paths and the files' modification times; compiles nothing.
    // With a `convention`, the fragment shader follows it, and an empty
    // `vertexPath` stands for the player's own vertex shader. A file whose
    // status cannot be read is said in `console`'s account (null: not said).
    DemoShader(std::string vertexPath, std::string fragmentPath, const ShaderConvention* convention = nullptr,
               ConsoleSink* console = nullptr);

    // Reads and compiles both files and links them (see buildShaderProgram).
    // On success the entry takes the new program and, in the account (any
    // report but Quiet), prints its link line. On failure the entry keeps the program it had (or none).
    // A file that cannot be read is reported through `warnings` (once per
    // change of its problem) or, without it, at every build.
    // Everything it says goes to `console`.
    BuildOutcome build(BuildReport report, ConsoleSink& console, FileWarnings* warnings = nullptr);

    // Takes the program and the source files of `built`, a copy of this
    // entry that was just built (live mode builds an entry once and gives
    // the result to every copy).
    void shareBuildOf(const DemoShader& built)
    {
        program = built.program;
        sourceFiles = built.sourceFiles;
        includedFiles = built.includedFiles;
    }

    // Draws with `previous`'s program when this copy has none (its first
    // build failed): a description loaded again keeps the last good program
    // of an entry whose files do not build.
    void inheritProgram(const DemoShader& previous)
    {
        if (!program)
            program = previous.program;
    }

    // What the next build puts before the fragment source's own lines: a
    // "#define NAME" (a pass entry's "define") and the demo's common file
    // ("" for none). A copy with other additions is another program.
    void addDefine(const std::string& name) { defines.push_back(name); }
    void setCommonPath(const std::string& path) { commonPath = path; }
    const std::vector<std::string>& getDefines() const { return defines; }
    const std::string& getCommonPath() const { return commonPath; }
    // Whether `other` builds from the same files with the same additions, so
    // that one build serves both.
    bool buildsLike(const DemoShader& other) const
    {
        return vertexPath == other.vertexPath && fragmentPath == other.fragmentPath && convention == other.convention &&
               defines == other.defines && commonPath == other.commonPath;
    }

    // Adds the track `name` of `device` (found, or created and read from its
    // file) as a parameter: each frame it sets the float uniform `name`.
    void addParameter(SyncDevice* device, const std::string& name);

    // Sets every parameter uniform to its track's value at `row`. The
    // entry's program must be the current GL program.
    void applyParameters(SyncDevice* device, int row);

    // Sets the float uniform `name` of the entry's program, which must be
    // current. A name the program does not declare is ignored.
    void setUniform(const char* name, float value);

    // The current program's GL name; 0 before the first successful build.
    GLuint getProgramId() const { return program ? program->getProgramId() : 0; }

    // The current program; all names 0 before the first successful build.
    const ShaderProgram& getShaderProgram() const;

    // True when either file's modification time differs from the recorded
    // one. Both files are always examined and both times brought up to date;
    // so are the files they include, as the last build found them. What the
    // look finds is said in `console`'s account.
    bool checkForChanges(ConsoleSink& console);

    const std::string& getVertexPath() const { return vertexPath; } // "": the convention's
    const std::string& getFragmentPath() const { return fragmentPath; }
    const ShaderConvention* getConvention() const { return convention; } // null for none
    const std::vector<std::string>& getParameterNames() const { return parameterNames; }

    // Every file the entry's program is built from, each once: the two
    // sources and the files they #include, as the last build found them
    // (an #include that failed counts too); before any build, the sources.
    const std::vector<std::string>& getSourceFiles() const { return sourceFiles; }

private:
    std::string vertexPath;
    std::string fragmentPath;
    // Each file as this copy last looked at it, in whole seconds; no vertex
    // file for the convention's own vertex shader.
    std::optional<FileStamp> vertexFile;
    FileStamp fragmentFile;
    std::vector<FileStamp> includedFiles;         // the other source files, looked at since the last build
    const ShaderConvention* convention = nullptr; // of the fragment shader
    std::shared_ptr<const ShaderProgram> program; // null before the first successful build
    std::vector<std::string> sourceFiles;         // see getSourceFiles
    std::vector<std::string> parameterNames;      // track and uniform names
    std::vector<std::string> defines;             // see addDefine
    std::string commonPath;                       // see setCommonPath
};
