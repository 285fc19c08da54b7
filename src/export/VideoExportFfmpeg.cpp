// VideoExport in a build with FFmpeg's libraries: every kind of output.
#include "export/VideoExport.h"

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
    auto writer = std::make_unique<VideoFileWriter>();
    if (!writer->open(finalPath, settings, sound, problem))
        return nullptr;
    return writer;
}
