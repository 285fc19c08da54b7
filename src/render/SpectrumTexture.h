// SpectrumTexture: the whole spectrum for shaders. A shader that declares
// `uniform sampler2D spectrum;` (or reads "spectrum" as a channel) gets a
// 2048 x 2 single-channel float texture: row 0 the magnitudes that `fft`
// samples one bin of, row 1 the smoothed magnitudes (TuneSpectrum). The
// live-coding tools' 1D textures (ShaderConvention.h) are the same rows, and
// the smoothed magnitudes summed over the seconds played.
//
// Main thread, GL context current. Owns its textures (GlName), made when a
// frame first asks for them; a demo whose shaders read no spectrum makes
// none. Move-only.
#pragma once

#include <array>
#include <cstdint>

#include "render/GlName.h"

// One frame's spectrum, as the frame's producer has it. Null rows read 0.
struct SpectrumRows {
    static constexpr int kBins = 2048;
    const float* magnitudes = nullptr;  // kBins, as `fft` samples them
    const float* smoothed = nullptr;    // kBins
    const float* integrated = nullptr;  // kBins: the smoothed ones times seconds, summed
    const uint8_t* siteSound = nullptr; // kSiteSoundWidth x 2 bytes, row 0 first: the sites' sound texture
};

class SpectrumTexture {
public:
    enum class Row { Magnitudes = 0, Smoothed = 1, Integrated = 2 };
    static constexpr int kSiteSoundWidth = 512;
    static constexpr int kSiteSoundRows = 2;

    // Puts `rows` into the 2048 x 2 texture (rows Magnitudes and Smoothed)
    // and, with `alsoRows1D`, into the three 1D textures. Once per frame,
    // before the first pass that reads them.
    void upload(const SpectrumRows& rows, bool alsoRows1D);

    // Puts the rows' site texture (zeros without it) into its texture. Once
    // per frame, before the first pass that reads it.
    void uploadSiteSound(const SpectrumRows& rows);

    // The 2D texture; 0 before the first upload.
    GLuint texture2D() const { return texture2D_.get(); }
    // The 1D texture of `row`; 0 before the first upload with the 1D rows.
    GLuint texture1D(Row row) const { return textures1D_[static_cast<std::size_t>(row)].get(); }
    // The sites' sound texture; 0 before its first upload.
    GLuint siteSoundTexture() const { return siteSound_.get(); }

private:
    GlName texture2D_;
    std::array<GlName, 3> textures1D_;
    GlName siteSound_;
};
