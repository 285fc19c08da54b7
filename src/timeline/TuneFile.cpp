// TuneFile: the tune's file, its format told by its first bytes.
#include "timeline/TuneFile.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/platform.h"
#include "timeline/VorbisDecoder.h"

namespace {

const size_t kSniffBytes = 12;
const size_t kPageHeaderBytes = 27;

bool startsWith(const unsigned char* bytes, size_t length, const char* magic)
{
    const size_t magicLength = std::strlen(magic);
    return length >= magicLength && std::memcmp(bytes, magic, magicLength) == 0;
}

// The container that the file's first bytes announce.
std::string containerName(const unsigned char* bytes, size_t length)
{
    if (startsWith(bytes, length, "OggS"))
        return "Ogg";
    if (startsWith(bytes, length, "fLaC"))
        return "FLAC";
    if ((startsWith(bytes, length, "RIFF") || startsWith(bytes, length, "RIFX") || startsWith(bytes, length, "RF64")) &&
        length >= 12 && std::memcmp(bytes + 8, "WAVE", 4) == 0)
        return "WAV";
    // An ID3 tag, or an MPEG audio frame's sync word.
    if (startsWith(bytes, length, "ID3") || (length >= 2 && bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0))
        return "MP3";
    return "audio";
}

// Whether the first packet of the Ogg data is a Vorbis identification header.
bool firstPacketIsVorbis(OggSource& source)
{
    unsigned char header[kPageHeaderBytes];
    if (source.readAt(0, header, sizeof header) < sizeof header)
        return false;
    const size_t bodyStart = kPageHeaderBytes + header[kPageHeaderBytes - 1];
    unsigned char packet[7];
    return source.readAt(bodyStart, packet, sizeof packet) == sizeof packet &&
           std::memcmp(packet, "\x01vorbis", sizeof packet) == 0;
}

} // namespace

std::shared_ptr<TuneFile> TuneFile::open(const char* path, std::string& problem)
{
    uint64_t fileBytes = 0;
    std::FILE* file = platform_open_regular_file(path, fileBytes, problem);
    if (file == nullptr)
        return nullptr;
    unsigned char first[kSniffBytes];
    const size_t got = std::fread(first, 1, sizeof first, file);
    std::shared_ptr<TuneFile> tune(new TuneFile());
    tune->formatName_ = containerName(first, got);
    if (fileBytes == 0) {
        problem = "the file is empty";
        std::fclose(file);
        return nullptr;
    }
    if (tune->formatName_ != "Ogg") {
        tune->plain_ = file;
        tune->plainBytes_ = fileBytes;
        return tune;
    }
    std::fclose(file);
    tune->ogg_ = OggSource::open(path, problem);
    if (!tune->ogg_)
        return nullptr;
    tune->vorbis_ = firstPacketIsVorbis(*tune->ogg_);
    return tune;
}

TuneFile::~TuneFile()
{
    if (plain_ != nullptr)
        std::fclose(plain_);
}

std::unique_ptr<TuneDecoder> TuneFile::openDecoder(std::string& problem)
{
    if (vorbis_) {
        auto decoder = std::make_unique<VorbisDecoder>();
        if (!decoder->open(ogg_, problem))
            return nullptr;
        return decoder;
    }
    return openOtherDecoder(problem);
}

uint64_t TuneFile::dataBytes() const
{
    return ogg_ ? ogg_->extent().dataEnd : plainBytes_;
}

size_t TuneFile::readAt(uint64_t offset, void* buffer, size_t bytes)
{
    if (ogg_)
        return ogg_->readAt(offset, buffer, bytes);
    if (offset >= plainBytes_)
        return 0;
    bytes = static_cast<size_t>(std::min<uint64_t>(bytes, plainBytes_ - offset));
    std::lock_guard<std::mutex> guard(lock_);
    if (offset > static_cast<uint64_t>(LONG_MAX) || std::fseek(plain_, static_cast<long>(offset), SEEK_SET) != 0)
        return 0;
    return std::fread(buffer, 1, bytes, plain_);
}
