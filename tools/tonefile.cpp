// tonefile: writes a sine tone as an Ogg Vorbis file (44.1 kHz stereo), the
// tune of the player's test demos. The file is made from scratch each time,
// so no audio file needs to be kept in the repository.
//
//   tonefile OUT.ogg SECONDS [FREQUENCY_HZ]     (frequency defaults to 440)
//
// Exit status 1, with one line on standard error, when the arguments are bad
// or the file cannot be written; a half-written file is removed.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <vorbis/vorbisenc.h>

namespace {

constexpr long kSampleRate = 44100;
constexpr int kChannels = 2;
constexpr float kAmplitude = 0.5f;
constexpr int kBlockFrames = 1024;

void usage()
{
    std::fprintf(stderr, "usage: tonefile OUT.ogg SECONDS [FREQUENCY_HZ]\n");
}

bool parsePositive(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value > 0.0;
}

// Writes every page the stream has ready (all of them when `flush`).
bool writePages(ogg_stream_state& stream, FILE* file, bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), file) !=
                static_cast<size_t>(page.header_len) ||
            std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), file) != static_cast<size_t>(page.body_len))
            return false;
    }
    return true;
}

// Encodes `frames` frames of the tone into `file`.
bool encodeTone(FILE* file, long frames, double frequency)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, kChannels, kSampleRate, 0.1f) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(std::time(nullptr)));

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    bool ok = writePages(stream, file, true);

    const double step = 2.0 * M_PI * frequency / kSampleRate;
    long written = 0;
    bool ended = false;
    while (ok && !ended) {
        const long count = frames - written < kBlockFrames ? frames - written : kBlockFrames;
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, kBlockFrames);
            for (long i = 0; i < count; ++i) {
                const float sample = kAmplitude * static_cast<float>(std::sin(step * static_cast<double>(written + i)));
                for (int channel = 0; channel < kChannels; ++channel)
                    buffer[channel][i] = sample;
            }
            written += count;
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count)); // 0 marks the end of the stream
        while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (ok && vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                ok = writePages(stream, file, false);
                ended = ended || packet.e_o_s != 0;
            }
        }
        if (count == 0)
            ended = true;
    }
    ok = ok && writePages(stream, file, true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        usage();
        return 1;
    }
    double seconds = 0.0;
    double frequency = 440.0;
    if (!parsePositive(argv[2], seconds) || seconds > 3600.0 || (argc == 4 && !parsePositive(argv[3], frequency))) {
        usage();
        return 1;
    }
    const char* path = argv[1];
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "%s: %s\n", path, std::strerror(errno));
        return 1;
    }
    const long frames = std::lround(seconds * kSampleRate);
    const bool encoded = encodeTone(file, frames, frequency);
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed) {
        std::fprintf(stderr, "%s: could not write the tune\n", path);
        std::remove(path);
        return 1;
    }
    return 0;
}
