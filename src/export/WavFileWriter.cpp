// WavFileWriter: RIFF WAVE files of 16-bit samples, little-endian on any host.
#include "export/WavFileWriter.h"

#include <cerrno>
#include <cstring>
#include <vector>

static const uint64_t kMaxDataBytes = 0xFFFFFFFFull - 60; // RIFF counts in 32 bits

using WavHeader = std::vector<uint8_t>;

// Appends `value` as `bytes` little-endian bytes.
static void putLittle(WavHeader& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

static void putText(WavHeader& out, const char* text)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(text[i]));
}

// The header of a file whose sample data is `dataBytes` long. More than two
// channels need WAVE_FORMAT_EXTENSIBLE, whose channel mask says which speaker
// each channel is for; one or two channels keep the plain PCM header.
static WavHeader header(int sampleRate, int channels, uint32_t channelMask, uint32_t dataBytes)
{
    const bool extensible = channels > 2;
    const uint32_t formatBytes = extensible ? 40 : 16;
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
    WavHeader out;
    putText(out, "RIFF");
    putLittle(out, 4 + (8 + formatBytes) + 8 + dataBytes, 4);
    putText(out, "WAVE");
    putText(out, "fmt ");
    putLittle(out, formatBytes, 4);
    putLittle(out, extensible ? 0xFFFE : 1, 2); // WAVE_FORMAT_EXTENSIBLE or PCM
    putLittle(out, static_cast<uint32_t>(channels), 2);
    putLittle(out, static_cast<uint32_t>(sampleRate), 4);
    putLittle(out, static_cast<uint32_t>(sampleRate) * blockAlign, 4);
    putLittle(out, blockAlign, 2);
    putLittle(out, 16, 2); // bits per sample
    if (extensible) {
        putLittle(out, 22, 2); // the extension's size
        putLittle(out, 16, 2); // valid bits per sample
        putLittle(out, channelMask, 4);
        // KSDATAFORMAT_SUBTYPE_PCM, 00000001-0000-0010-8000-00aa00389b71
        static const uint8_t kPcm[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        for (uint8_t byte : kPcm)
            out.push_back(byte);
    }
    putText(out, "data");
    putLittle(out, dataBytes, 4);
    return out;
}

WavFileWriter::~WavFileWriter()
{
    close();
}

bool WavFileWriter::open(const std::string& path, int sampleRate, int channels, uint32_t channelMask,
                         std::string& problem)
{
    close();
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        problem = std::strerror(errno);
        return false;
    }
    sampleRate_ = sampleRate;
    channels_ = channels;
    channelMask_ = channelMask;
    dataBytes_ = 0;
    const WavHeader start = header(sampleRate, channels, channelMask, 0);
    if (std::fwrite(start.data(), 1, start.size(), file_) != start.size()) {
        problem = std::strerror(errno);
        close();
        return false;
    }
    return true;
}

bool WavFileWriter::write(const int16_t* samples, int frames, std::string& problem)
{
    const size_t count = static_cast<size_t>(frames) * channels_;
    if (dataBytes_ + count * 2 > kMaxDataBytes) {
        problem = "the sound is too long for a WAV file";
        return false;
    }
    std::vector<uint8_t> bytes(count * 2);
    for (size_t i = 0; i < count; ++i) {
        const uint16_t value = static_cast<uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<uint8_t>(value);
        bytes[2 * i + 1] = static_cast<uint8_t>(value >> 8);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        problem = std::strerror(errno);
        return false;
    }
    dataBytes_ += bytes.size();
    return true;
}

bool WavFileWriter::finish(std::string& problem)
{
    const WavHeader complete = header(sampleRate_, channels_, channelMask_, static_cast<uint32_t>(dataBytes_));
    const bool written = std::fseek(file_, 0, SEEK_SET) == 0 &&
                         std::fwrite(complete.data(), 1, complete.size(), file_) == complete.size();
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (!written || closed != 0) {
        problem = std::strerror(errno);
        return false;
    }
    return true;
}

void WavFileWriter::close()
{
    if (file_ != nullptr)
        std::fclose(file_);
    file_ = nullptr;
}
