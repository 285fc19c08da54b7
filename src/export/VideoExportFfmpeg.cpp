// VideoExport in a build with FFmpeg's libraries: every kind of output. The
// libraries are loaded by the first video export (FfmpegLibraries.h).
#include "export/VideoExport.h"

#include "export/FfmpegLibraries.h"

bool exporting::videoExportBuilt()
{
    return true;
}

std::string exporting::videoExportProblem(const ExportTarget&)
{
    return "";
}

std::unique_ptr<FrameSink> exporting::openVideoExport(const std::string& finalPath, const VideoSettings& settings,
                                                      const ExportSound& sound, std::string& problem)
{
    if (!loadFfmpegLibraries(problem)) {
        problem = "FFmpeg's libraries cannot be loaded: " + problem;
        return nullptr;
    }
    auto writer = std::make_unique<VideoFileWriter>();
    if (!writer->open(finalPath, settings, sound, problem))
        return nullptr;
    return writer;
}
