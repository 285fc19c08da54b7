// Writing an import of the shader site's export (see ImportMode.h). Main thread.
#include "app/ImportMode.h"

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <vector>

#include "demo/DemoDescription.h"
#include "demo/DemoFiles.h"
#include "demo/ShadertoyImport.h"
#include "export/WavFileWriter.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/warning.h"

namespace {

namespace fs = std::filesystem;

// The silent tune's format: mono at a rate every sound card plays.
constexpr int kTuneRate = 22050;

// Writes `seconds` of silence as a WAV file at `path`.
bool writeSilentTune(const fs::path& path, double seconds, std::string& problem)
{
    WavFileWriter writer;
    if (!writer.open(path.string(), kTuneRate, 1, 0, problem))
        return false;
    const std::vector<int16_t> silence(kTuneRate, 0);
    for (int second = 0; second < static_cast<int>(seconds); ++second)
        if (!writer.write(silence.data(), kTuneRate, problem)) {
            writer.close();
            std::error_code ignored;
            fs::remove(path, ignored);
            return false;
        }
    return writer.finish(problem);
}

// Writes `text` to `path`, making its folders.
bool writeText(const fs::path& path, const std::string& text, std::string& problem)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        problem = "cannot make its folder: " + error.message();
        return false;
    }
    return platform_write_file_atomic(path.string().c_str(), text, problem);
}

} // namespace

int app::importShadertoy(const std::string& exportPath, const std::string& pick, const std::string& demoDir)
{
    ShadertoyImportRequest request;
    request.exportName = exportPath;
    request.folderName = demoDir;
    request.pick = pick;
    std::string problem;
    if (platform_read_file(exportPath.c_str(), kMaxDescriptionBytes, request.exportText, problem) != PLATFORM_READ_OK) {
        platform_warn(exportPath, problem);
        return 1;
    }
    const fs::path folder(demoDir);
    std::error_code error;
    if (fs::exists(folder, error) && !fs::is_directory(folder, error)) {
        platform_warn(demoDir, "not a folder; name a demo folder or a new one");
        return 1;
    }
    const fs::path descriptionPath = folder / demo::kDescriptionFile;
    request.hasDescription = fs::exists(descriptionPath, error);
    if (request.hasDescription &&
        !demo::readDescriptionFile(descriptionPath.string().c_str(), request.descriptionText, problem)) {
        platform_warn(descriptionPath.string(), problem);
        return 1;
    }
    request.exists = [&](const std::string& path) {
        std::error_code ignored;
        return fs::exists(folder / path, ignored);
    };

    ShadertoyImport plan;
    if (!demo::planShadertoyImport(request, plan, problem)) {
        std::cerr << problem << "\n";
        return 1;
    }
    for (const ImportedFile& file : plan.sources)
        if (!writeText(folder / file.path, file.text, problem)) {
            platform_warn((folder / file.path).string(), problem);
            return 1;
        }
    if (!plan.tuneToWrite.empty() && !writeSilentTune(folder / plan.tuneToWrite, plan.tuneSeconds, problem)) {
        platform_warn((folder / plan.tuneToWrite).string(), problem);
        return 1;
    }
    if (!writeText(descriptionPath, plan.description, problem)) {
        platform_warn(descriptionPath.string(), problem);
        return 1;
    }
    std::cout << "imported \"" << plan.shaderName << "\" from " << exportPath << " into " << demoDir << ":\n";
    for (const std::string& line : plan.summary)
        std::cout << "  " << line << "\n";
    std::cout << std::flush;
    for (const std::string& warning : plan.warnings)
        std::cerr << warning << "\n";
    return 0;
}
