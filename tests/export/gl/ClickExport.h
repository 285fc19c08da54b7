// What the export tests share: a tune of silence with clicks at known times,
// frames drawn with their number as a colour (white on the frame nearest a
// click), and a fixture with a headless GL context and a scratch folder.
// Main thread only.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "export/Exporter.h"
#include "platform/headless_gl.h"

constexpr int kClickWidth = 160;
constexpr int kClickHeight = 90;
constexpr int kClickFps = 30;
constexpr int kClickSampleRate = 44100;
constexpr double kClickTuneSeconds = 3.0;
// Clicks in the test tune, at these times (seconds).
constexpr double kClickSeconds[] = {0.5, 1.3, 2.1};

// The path of the click tune (written once per test program); "" when it
// could not be written.
const std::string& clickTunePath();

// The colour 0xRRGGBB that encodes frame number `frame` (of the whole demo):
// four levels per channel, far enough apart to survive lossy compression.
uint32_t frameColour(long frame);
// The frame number (mod 64) a decoded colour stands for.
long frameCode(uint32_t colour);
// What frames [firstFrame, firstFrame + frames) show: their codes, -1 for a flash.
std::vector<long> expectedCodes(long firstFrame, long frames);

// Fills the picture with the frame's colour, or white on a frame nearest a click.
void drawFrameNumber(const ExportFrame& frame);

class ClickExportTest : public ::testing::Test {
protected:
    void SetUp() override;

    // An export of [start, end) seconds of the click tune into `name` in the scratch folder.
    ExportSettings settings(const std::string& name, double start, double end) const;
    ExportResult run(const ExportSettings& s, const ExportRenderFunction& render = drawFrameNumber);

    HeadlessGl gl_;
    ScratchDir dir_;
};
