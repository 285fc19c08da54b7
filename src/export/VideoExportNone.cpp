// VideoExport in a build without FFmpeg's libraries: image sequences only.
#include "export/VideoExport.h"

bool exporting::videoExportBuilt()
{
    return false;
}

std::string exporting::videoExportProblem(const ExportTarget& target)
{
    if (!target.isVideo())
        return "";
    return "this build writes image sequences only (a name such as frame%05d.png), not video: it was built without "
           "FFmpeg";
}

std::unique_ptr<FrameSink> exporting::openVideoExport(const std::string&, const VideoSettings&, const ExportSound&,
                                                      std::string& problem)
{
    problem = "this build cannot write video: it was built without FFmpeg";
    return nullptr;
}
