// Listing the files a demo reads (see DemoFiles.h). Pure; main thread.
#include "demo/DemoFiles.h"

#include <filesystem>
#include <ostream>

#include <nlohmann/json.hpp>

#include "demo/DemoDescription.h"
#include "sync/device.h"

namespace {

// Adds `file` to `list` unless it is there: "./a.fsh" and "a.fsh" are one
// file, named as it was first named.
void addFile(DemoFileList& list, const DemoFile& file)
{
    const std::string normal = std::filesystem::path(file.path).lexically_normal().generic_string();
    for (const DemoFile& listed : list.files)
        if (std::filesystem::path(listed.path).lexically_normal().generic_string() == normal)
            return;
    list.files.push_back(file);
}

// The tracks the player reads whatever the description says; without a
// file each reads 0.
const char* const kFixedTracks[] = {demo::kSceneTrack, demo::kFftSamplingTrack, demo::kFstrTrack};

// Collects the files of the description's walk (see walkDescription for the
// order of the calls); makes nothing.
class FileCollector {
public:
    explicit FileCollector(DemoFileList& list) : list_(list) {}

    void add(const DemoFile& file) { addFile(list_, file); }

    void setFullscreen() {}
    void setTitle(const std::string& name) { list_.name = name; }

    void beginShader(const std::string& vertexPath, const std::string& fragmentPath, const ShaderConvention*,
                     const std::string& commonPath)
    {
        if (!commonPath.empty())
            add({commonPath, "the common source of " + fragmentPath, false, true});
        // No vertex shader: a shader in a convention uses the player's own.
        if (!vertexPath.empty())
            add({vertexPath, "a vertex shader in " + std::string(demo::kDescriptionFile), false, true});
        add({fragmentPath, "a fragment shader in " + std::string(demo::kDescriptionFile), false, true});
        fragmentPath_ = fragmentPath;
    }

    void addParameter(const std::string& name)
    {
        add({sync_track_path(demo::kTrackBaseName, name.c_str()),
             "the track of parameter \"" + name + "\" of " + fragmentPath_});
    }

    void finishShader() { ++shaderCount_; }
    std::size_t shaderCount() const { return shaderCount_; }
    void beginScene() {}
    void addPass(uint32_t, const PassSettings&) {}

    DescriptionTexture addTexture(const std::string& path, const SceneTextureOptions&)
    {
        add({path, "an image of scene " + std::to_string(sceneCount_)});
        return {};
    }

    const void* sceneAddress() const { return nullptr; }
    void finishScene() { ++sceneCount_; }
    // Mistakes that do not end a load are the player's to tell when it plays.
    void warn(const std::string&) {}

private:
    DemoFileList& list_;
    std::string fragmentPath_; // of the shader entry being read
    std::size_t shaderCount_ = 0;
    std::size_t sceneCount_ = 0;
};

} // namespace

DemoFileList demo::listDemoFiles(const std::string& descriptionText)
{
    nlohmann::json document = parseDescription(descriptionText);
    DemoTiming timing;
    ReleaseWindow release;
    readDescriptionSettings(document, timing, release);

    DemoFileList list;
    FileCollector collector(list);
    collector.add({demo::kDescriptionFile, "the description"});
    collector.add({timing.tuneFile, "the demo's music"});
    if (readFinalPass(document)) {
        collector.add({demo::kFinalVertexFile, "the final pass", false, true});
        collector.add({demo::kFinalFragmentFile, "the final pass", false, true});
    }
    std::ostream noLog(nullptr);
    walkDescription(document, noLog, collector);
    for (const char* track : kFixedTracks)
        collector.add({sync_track_path(demo::kTrackBaseName, track), "the track \"" + std::string(track) + "\"", true});
    return list;
}

void demo::addIncludedFiles(DemoFileList& list, const ShaderSource::FileReader& read)
{
    // Index by index: the list grows as included files join it.
    for (std::size_t i = 0; i < list.files.size(); ++i) {
        if (!list.files[i].shaderSource)
            continue;
        const std::string path = list.files[i].path;
        std::string text;
        std::string problem;
        if (!read(path, text, problem))
            continue; // the file itself is missing; its own line says so
        const ShaderSource source = ShaderSource::assemble(path, text, nullptr, read);
        for (std::size_t included = 1; included < source.files().size(); ++included)
            addFile(list, {source.files()[included], "included by " + path});
    }
}
