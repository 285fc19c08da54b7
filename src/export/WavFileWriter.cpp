// WavFileWriter: RIFF WAVE files of 16-bit samples, little-endian on any host.
#include "export/WavFileWriter.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

static const uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36; // RIFF counts in 32 bits

using WavHeader = std::array<uint8_t, 44>;

// Writes `value` as `bytes` little-endian bytes at `at`.
static void putLittle(WavHeader& out, size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

static void putText(WavHeader& out, size_t at, const char* text)
{
    for (size_t i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(text[i]);
}

// The header of a file whose sample data is `dataBytes` long.
static WavHeader header(int sampleRate, int channels, uint32_t dataBytes)
{
    WavHeader out{};
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
    putText(out, 0, "RIFF");
    putLittle(out, 4, 36 + dataBytes, 4);
    putText(out, 8, "WAVE");
    putText(out, 12, "fmt ");
    putLittle(out, 16, 16, 4);
    putLittle(out, 20, 1, 2); // PCM
    putLittle(out, 22, static_cast<uint32_t>(channels), 2);
    putLittle(out, 24, static_cast<uint32_t>(sampleRate), 4);
    putLittle(out, 28, static_cast<uint32_t>(sampleRate) * blockAlign, 4);
    putLittle(out, 32, blockAlign, 2);
    putLittle(out, 34, 16, 2); // bits per sample
    putText(out, 36, "data");
    putLittle(out, 40, dataBytes, 4);
    return out;
}

WavFileWriter::~WavFileWriter()
{
    close();
}

bool WavFileWriter::open(const std::string& path, int sampleRate, int channels, std::string& problem)
{
    close();
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        problem = std::strerror(errno);
        return false;
    }
    sampleRate_ = sampleRate;
    channels_ = channels;
    dataBytes_ = 0;
    const WavHeader start = header(sampleRate, channels, 0);
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
    const WavHeader complete = header(sampleRate_, channels_, static_cast<uint32_t>(dataBytes_));
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
