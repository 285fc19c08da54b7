// The demo's length and tempo from the optional keys of the description.
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "demo/DemoTiming.h"

namespace {

DemoTiming timingOf(const char* text)
{
    DemoTiming timing;
    std::string error;
    EXPECT_TRUE(demo::readDemoTiming(nlohmann::json::parse(text), timing, error)) << error;
    return timing;
}

} // namespace

TEST(DemoTiming, WithoutTheKeysTheDemoPlaysAsItAlwaysHas)
{
    const DemoTiming timing = timingOf(R"({"name": "x", "fullscreen": false})");
    EXPECT_EQ(timing.endRow, 1565.0);
    EXPECT_EQ(timing.rowsPerSecond, 20.0);
    EXPECT_EQ(timing.secondsPerBeat(), 1.0) << "no tempo: a 'beat' is a second";
    EXPECT_EQ(timingOf(R"({"end_row": null})").endRow, 1565.0) << "null counts as absent";
}

TEST(DemoTiming, EndRowAndEitherFormOfTempo)
{
    DemoTiming timing = timingOf(R"({"end_row": 640, "rows_per_second": 32})");
    EXPECT_EQ(timing.endRow, 640.0);
    EXPECT_EQ(timing.rowsPerSecond, 32.0);

    timing = timingOf(R"({"bpm": 174, "rows_per_beat": 4})");
    EXPECT_DOUBLE_EQ(timing.rowsPerSecond, 174.0 * 4.0 / 60.0);
    EXPECT_DOUBLE_EQ(timing.secondsPerBeat(), 60.0 / 174.0);
    EXPECT_EQ(timing.endRow, 1565.0);
}

TEST(DemoTiming, EndRowTuneEndsWithTheMusicWhenThereIsSome)
{
    DemoTiming timing = timingOf(R"({"end_row": "tune", "bpm": 120, "rows_per_beat": 8})");
    timing.fitToTune(0.0);
    EXPECT_EQ(timing.endRow, 1565.0) << "without a tune the default end stays";
    timing.fitToTune(200.0);
    EXPECT_DOUBLE_EQ(timing.endRow, 200.0 * 16.0);
    DemoTiming fixed = timingOf(R"({"end_row": 640})");
    fixed.fitToTune(200.0);
    EXPECT_EQ(fixed.endRow, 640.0);
}

TEST(DemoTiming, TuneNamesTheMusicsFileInsideTheDemosFolder)
{
    EXPECT_EQ(timingOf(R"({"name": "x"})").tuneFile, "tune.ogg");
    EXPECT_EQ(timingOf(R"({"tune": "music/final mix.flac"})").tuneFile, "music/final mix.flac");
    EXPECT_EQ(timingOf(R"({"tune": "./a/../track.mp3"})").tuneFile, "./a/../track.mp3");
    EXPECT_EQ(timingOf(R"({"tune": null})").tuneFile, "tune.ogg");
}

TEST(DemoTiming, WrongValuesNameTheirKey)
{
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {R"({"end_row": "soon"})", R"("end_row" must be a number above 0 or "tune", not "soon")"},
        {R"({"end_row": 0})", R"("end_row" must be a number above 0 or "tune", not 0)"},
        {R"({"rows_per_second": -20})", R"("rows_per_second" must be a number above 0, not -20)"},
        {R"({"bpm": true, "rows_per_beat": 4})", R"("bpm" must be a number above 0, not true)"},
        {R"({"bpm": 120, "rows_per_beat": [4]})", R"("rows_per_beat" must be a number above 0, not [4])"},
        {R"({"bpm": 120})", R"("bpm" needs "rows_per_beat")"},
        {R"({"rows_per_beat": 4})", R"("rows_per_beat" needs "bpm")"},
        {R"({"rows_per_second": 20, "bpm": 120, "rows_per_beat": 4})", "not both"},
        {R"({"tune": 5})", R"("tune" must name the music's file inside the demo's folder ("music/tune.flac"), not 5)"},
        {R"({"tune": ""})", R"(not "")"},
        {R"({"tune": "../other/tune.wav"})", "inside the demo's folder"},
        {R"({"tune": "/home/me/tune.wav"})", "inside the demo's folder"},
        {R"({"tune": "music/"})", "inside the demo's folder"},
    };
    for (const Case& c : cases) {
        DemoTiming timing;
        std::string error;
        EXPECT_FALSE(demo::readDemoTiming(nlohmann::json::parse(c.text), timing, error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << " gave: " << error;
    }
}
