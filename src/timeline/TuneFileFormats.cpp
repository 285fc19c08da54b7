// TuneFile's decoders of the formats other than Ogg Vorbis: libmpg123 for
// MP3, libsndfile for the rest.
#include "timeline/Mp3Decoder.h"
#include "timeline/SndfileDecoder.h"
#include "timeline/TuneFile.h"

std::unique_ptr<TuneDecoder> TuneFile::openOtherDecoder(std::string& problem)
{
    if (formatName_ == "MP3") {
        auto decoder = std::make_unique<Mp3Decoder>();
        if (!decoder->open(shared_from_this(), problem))
            return nullptr;
        return decoder;
    }
    auto decoder = std::make_unique<SndfileDecoder>();
    if (!decoder->open(shared_from_this(), problem))
        return nullptr;
    return decoder;
}
