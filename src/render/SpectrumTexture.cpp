// Making and filling the spectrum's textures. Main thread, GL context current.
#include "render/SpectrumTexture.h"

#include <vector>

namespace {

const float* rowOf(const SpectrumRows& rows, SpectrumTexture::Row row)
{
    switch (row) {
    case SpectrumTexture::Row::Smoothed:
        return rows.smoothed;
    case SpectrumTexture::Row::Integrated:
        return rows.integrated;
    case SpectrumTexture::Row::Magnitudes:
        break;
    }
    return rows.magnitudes;
}

// `row`, or zeros for a row the frame does not have.
const float* rowOrZeros(const float* row)
{
    static const std::vector<float> zeros(SpectrumRows::kBins, 0.0f);
    return row != nullptr ? row : zeros.data();
}

// A new texture bound to `target`, filtered linearly and clamped at its edges.
GlName makeTexture(GLenum target)
{
    GlName texture = GlName::generate(GlName::Kind::Texture);
    glBindTexture(target, texture.get());
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

} // namespace

void SpectrumTexture::upload(const SpectrumRows& rows, bool alsoRows1D)
{
    if (!texture2D_) {
        texture2D_ = makeTexture(GL_TEXTURE_2D);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, SpectrumRows::kBins, 2, 0, GL_RED, GL_FLOAT, nullptr);
    }
    glBindTexture(GL_TEXTURE_2D, texture2D_.get());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, SpectrumRows::kBins, 1, GL_RED, GL_FLOAT, rowOrZeros(rows.magnitudes));
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 1, SpectrumRows::kBins, 1, GL_RED, GL_FLOAT, rowOrZeros(rows.smoothed));
    if (!alsoRows1D)
        return;
    for (std::size_t i = 0; i < textures1D_.size(); ++i) {
        if (!textures1D_[i]) {
            textures1D_[i] = makeTexture(GL_TEXTURE_1D);
            glTexImage1D(GL_TEXTURE_1D, 0, GL_R32F, SpectrumRows::kBins, 0, GL_RED, GL_FLOAT, nullptr);
        }
        glBindTexture(GL_TEXTURE_1D, textures1D_[i].get());
        glTexSubImage1D(GL_TEXTURE_1D, 0, 0, SpectrumRows::kBins, GL_RED, GL_FLOAT,
                        rowOrZeros(rowOf(rows, static_cast<Row>(i))));
    }
}

void SpectrumTexture::uploadSiteSound(const SpectrumRows& rows)
{
    static const std::vector<uint8_t> silence(kSiteSoundWidth * kSiteSoundRows, 0);
    if (!siteSound_) {
        siteSound_ = makeTexture(GL_TEXTURE_2D);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kSiteSoundWidth, kSiteSoundRows, 0, GL_RED, GL_UNSIGNED_BYTE, nullptr);
    }
    glBindTexture(GL_TEXTURE_2D, siteSound_.get());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kSiteSoundWidth, kSiteSoundRows, GL_RED, GL_UNSIGNED_BYTE,
                    rows.siteSound != nullptr ? rows.siteSound : silence.data());
}
