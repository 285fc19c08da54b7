// Listing the files a demo reads (see DemoFiles.h). Pure; main thread.
#include "demo/DemoFiles.h"

#include <filesystem>
#include <ostream>

#include <nlohmann/json.hpp>

#include "demo/DemoDescription.h"
#include "sync/device.h"

namespace {

// The tracks the player reads whatever the description says; without a
// file each reads 0.
const char* const kFixedTracks[] = {"scene", "fft_sampling_index", "fstr_val"};

// Collects the files of the description's walk (see walkDescription for the
// order of the calls); makes nothing.
class FileCollector {
public:
    explicit FileCollector(DemoFileList& list) : list_(list) {}

    void add(const std::string& path, const std::string& reader, bool optional = false)
    {
        // "./a.fsh" and "a.fsh" are one file; the list names it once, as first named.
        const std::string normal = std::filesystem::path(path).lexically_normal().generic_string();
        for (const DemoFile& file : list_.files)
            if (std::filesystem::path(file.path).lexically_normal().generic_string() == normal)
                return;
        list_.files.push_back({path, reader, optional});
    }

    void setFullscreen() {}
    void setTitle(const std::string& name) { list_.name = name; }

    void beginShader(const std::string& vertexPath, const std::string& fragmentPath)
    {
        add(vertexPath, "a vertex shader in " + std::string(kDescriptionFile));
        add(fragmentPath, "a fragment shader in " + std::string(kDescriptionFile));
        fragmentPath_ = fragmentPath;
    }

    void addParameter(const std::string& name)
    {
        add(sync_track_path("sync", name.c_str()), "the track of parameter \"" + name + "\" of " + fragmentPath_);
    }

    void finishShader() { ++shaderCount_; }
    std::size_t shaderCount() const { return shaderCount_; }
    void beginScene() {}
    void addPass(uint32_t) {}

    DescriptionTexture addTexture(const std::string& path)
    {
        add(path, "an image of scene " + std::to_string(sceneCount_));
        return {};
    }

    const void* sceneAddress() const { return nullptr; }
    void finishScene() { ++sceneCount_; }

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
    collector.add(kDescriptionFile, "the description");
    collector.add(kTuneFile, "the demo's music");
    collector.add(kFinalVertexFile, "the final pass");
    collector.add(kFinalFragmentFile, "the final pass");
    std::ostream noLog(nullptr);
    walkDescription(document, noLog, collector);
    for (const char* track : kFixedTracks)
        collector.add(sync_track_path("sync", track), "the track \"" + std::string(track) + "\"", true);
    return list;
}
