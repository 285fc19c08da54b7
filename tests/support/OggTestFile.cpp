// OggTestFile: Ogg Vorbis files encoded with vorbisenc for tests and benchmarks.
#include "OggTestFile.h"

#include <vorbis/vorbisenc.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

static bool write_page(std::FILE* out, const ogg_page& page)
{
    return std::fwrite(page.header, 1, page.header_len, out) == static_cast<size_t>(page.header_len) &&
           std::fwrite(page.body, 1, page.body_len, out) == static_cast<size_t>(page.body_len);
}

// Moves every finished block through the encoder into pages on disk.
static bool drain_encoder(std::FILE* out, vorbis_dsp_state& dsp, vorbis_block& block,
                          ogg_stream_state& stream)
{
    bool ok = true;
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            while (ogg_stream_pageout(&stream, &page))
                ok = write_page(out, page) && ok;
        }
    }
    return ok;
}

OggTestFile::OggTestFile(const OggSignal& signal)
    : path_(uniquePath(".ogg")), written_(write(path_, signal))
{
}

OggTestFile::~OggTestFile()
{
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

std::string OggTestFile::uniquePath(const std::string& suffix)
{
    std::random_device random;
    std::filesystem::path dir = std::filesystem::temp_directory_path();
    for (;;) {
        std::string name = "demoplayer-test-" + std::to_string(getpid()) + "-" +
                           std::to_string(random()) + suffix;
        std::filesystem::path candidate = dir / name;
        if (!std::filesystem::exists(candidate))
            return candidate.string();
    }
}

bool OggTestFile::write(const std::string& path, const OggSignal& signal)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, signal.channels, signal.sampleRate, 0.4f) != 0) {
        vorbis_info_clear(&info);
        std::fclose(out);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    bool ok = true;
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page))
        ok = write_page(out, page) && ok;

    const long totalFrames = static_cast<long>(signal.seconds * signal.sampleRate);
    const double step = 2.0 * std::acos(-1.0) * signal.frequencyHz / signal.sampleRate;
    const long chunk = 4096;
    for (long done = 0; done < totalFrames; done += chunk) {
        long frames = std::min(chunk, totalFrames - done);
        float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(frames));
        for (long i = 0; i < frames; ++i) {
            float value = static_cast<float>(signal.amplitude * std::sin(step * (done + i)));
            for (int c = 0; c < signal.channels; ++c)
                buffer[c][i] = value;
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(frames));
        ok = drain_encoder(out, dsp, block, stream) && ok;
    }
    vorbis_analysis_wrote(&dsp, 0); // end of stream
    ok = drain_encoder(out, dsp, block, stream) && ok;
    while (ogg_stream_flush(&stream, &page))
        ok = write_page(out, page) && ok;

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return std::fclose(out) == 0 && ok;
}
