// TuneFile in a build that reads Ogg Vorbis alone (DEMOPLAYER_TUNE_FORMATS off).
#include "timeline/TuneFile.h"

std::unique_ptr<TuneDecoder> TuneFile::openOtherDecoder(std::string& problem)
{
    problem = formatName_ == "Ogg" ? "not an Ogg Vorbis file (this build reads no other Ogg tune)"
                                   : "not an Ogg Vorbis file (this build reads no other format)";
    return nullptr;
}
