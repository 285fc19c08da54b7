// The frame loop's and the keyboard's decisions, driven without a window.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "app/FrameDecisions.h"
#include "app/Keyboard.h"
#include "sync/track.h"

namespace {

// Runs the alarm rule over frames that did (true) or did not (false) find
// their scene, starting armed as the player does; counts the alarms.
int alarmsOver(const std::vector<bool>& sceneFoundPerFrame)
{
    bool armed = true;
    int alarms = 0;
    for (bool found : sceneFoundPerFrame)
        alarms += app::updateAlarm(armed, found) ? 1 : 0;
    return alarms;
}

} // namespace

TEST(FrameDecisions_SceneIndex, TruncatesTowardZeroAndComparesUnsigned)
{
    EXPECT_EQ(app::truncateToInt(2.9), 2);
    EXPECT_EQ(app::truncateToInt(-0.5), 0);
    EXPECT_EQ(app::truncateToInt(-1.0), -1);

    EXPECT_TRUE(app::sceneExists(2, 3));
    EXPECT_FALSE(app::sceneExists(3, 3)) << "an index equal to the count has no scene";
    EXPECT_FALSE(app::sceneExists(-1, 3)) << "-1 compares as 4294967295";
    EXPECT_FALSE(app::sceneExists(0, 0)) << "no scenes at all: nothing is found";
}

TEST(FrameDecisions_SceneIndex, ValuesBeyondIntGiveTheLowestInt)
{
    // Track values come from files; these must not be undefined behaviour.
    EXPECT_EQ(app::truncateToInt(std::nan("")), INT_MIN);
    EXPECT_EQ(app::truncateToInt(3e9), INT_MIN);
    EXPECT_EQ(app::truncateToInt(-3e9), INT_MIN);
    EXPECT_EQ(app::truncateToInt(std::numeric_limits<double>::infinity()), INT_MIN);
    EXPECT_EQ(app::truncateToInt(2147483647.9), INT_MAX);
    EXPECT_EQ(app::truncateToInt(-2147483648.9), INT_MIN);
    EXPECT_FALSE(app::sceneExists(app::truncateToInt(std::nan("")), 5));
}

TEST(FrameDecisions_Spectrum, BinOutsideTheSpectrumReadsZero)
{
    std::vector<float> spectrum(2048);
    for (std::size_t bin = 0; bin < spectrum.size(); ++bin)
        spectrum[bin] = 1.0f + static_cast<float>(bin);

    EXPECT_EQ(app::spectrumValueAt(spectrum.data(), 2048, 0.0), 1.0f);
    EXPECT_EQ(app::spectrumValueAt(spectrum.data(), 2048, 5.7), 6.0f);
    EXPECT_EQ(app::spectrumValueAt(spectrum.data(), 2048, 2047.0), 2048.0f);
    EXPECT_EQ(app::spectrumValueAt(spectrum.data(), 2048, -0.9), 1.0f) << "truncation toward zero gives bin 0";
    EXPECT_EQ(app::spectrumValueAt(spectrum.data(), 2048, -1.0), 0.0f);
    EXPECT_EQ(app::spectrumValueAt(spectrum.data(), 2048, 2048.0), 0.0f);
    EXPECT_EQ(app::spectrumValueAt(spectrum.data(), 2048, 1e12), 0.0f);
    EXPECT_EQ(app::spectrumValueAt(spectrum.data(), 2048, std::nan("")), 0.0f);
}

TEST(FrameDecisions_Values, ComeFromTheClockAndTheTracksAtTheRow)
{
    auto trackOf = [](std::vector<SyncKey> keys) {
        SyncTrack track;
        auto owned = std::make_unique<SyncKey[]>(keys.size());
        std::copy(keys.begin(), keys.end(), owned.get());
        EXPECT_TRUE(sync_set_keys(&track, std::move(owned), static_cast<int32_t>(keys.size())));
        return track;
    };
    const SyncTrack scene = trackOf({{0, 1.0f, SYNC_STEP}, {40, 2.9f, SYNC_STEP}});
    const SyncTrack bin = trackOf({{0, 3.0f, SYNC_STEP}});
    const SyncTrack fstr = trackOf({{0, 0.0f, SYNC_LINEAR}, {100, 1.0f, SYNC_STEP}});
    std::vector<float> spectrum(2048, 0.0f);
    spectrum[3] = 0.75f;

    const FrameValues values = app::frameValuesAt(2.5, 50.0, spectrum.data(), 2048, &scene, &bin, &fstr);
    EXPECT_EQ(values.seconds, 2.5);
    EXPECT_EQ(values.row, 50.0);
    EXPECT_EQ(values.sceneIndex, 2) << "2.9 truncates to scene 2";
    EXPECT_EQ(values.fftValue, 0.75f);
    EXPECT_FLOAT_EQ(values.fstrValue, 0.5f);

    const FrameValues none = app::frameValuesAt(1.0, 20.0, spectrum.data(), 2048, nullptr, nullptr, nullptr);
    EXPECT_EQ(none.sceneIndex, 0) << "no track reads 0";
    EXPECT_EQ(none.fftValue, 0.0f) << "bin 0";
    EXPECT_EQ(none.fstrValue, 0.0f);
}

TEST(FrameDecisions_Alarm, SoundsOncePerStretchWithoutAScene)
{
    EXPECT_EQ(alarmsOver({false}), 1) << "even the very first frame";
    EXPECT_EQ(alarmsOver({false, false}), 1);
    EXPECT_EQ(alarmsOver({false, true, false}), 2);
    EXPECT_EQ(alarmsOver({true, true, true}), 0);
    EXPECT_EQ(alarmsOver({true, false, false, false, true, true, false, false}), 2);
}

TEST(FrameDecisions_Reload, FirstFrameExaminesEntryOneAndEntryZeroWaitsForTheWrap)
{
    uint32_t cursor = 0;
    std::vector<int> examined;
    for (int frame = 0; frame < 64; ++frame)
        examined.push_back(app::nextReloadEntry(cursor, 3));

    EXPECT_EQ(examined[0], 1);
    EXPECT_EQ(examined[1], 2);
    for (int frame = 2; frame < 63; ++frame)
        EXPECT_EQ(examined[frame], -1) << "frame " << frame;
    EXPECT_EQ(examined[63], 0) << "the 64th frame wraps to entry 0";
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(app::nextReloadEntry(cursor, 3), 1) << "the cycle starts again";
}

TEST(FrameDecisions_Reload, CursorCarriesOverToAnotherScene)
{
    uint32_t cursor = 0;
    app::nextReloadEntry(cursor, 8); // a frame of scene A examines its entry 1
    app::nextReloadEntry(cursor, 8); // and entry 2
    EXPECT_EQ(app::nextReloadEntry(cursor, 8), 3) << "scene B goes on from the same cursor";
    EXPECT_EQ(app::nextReloadEntry(cursor, 0), -1) << "a scene without passes examines nothing";
    EXPECT_EQ(cursor, 4u);

    cursor = 63;
    EXPECT_EQ(app::nextReloadEntry(cursor, 8), 0);
}

TEST(FrameDecisions_Seek, UnsignedArithmeticWrapsBelowZero)
{
    EXPECT_EQ(app::seekTarget(1000000, SeekDirection::Forwards), 1110000u);
    EXPECT_EQ(app::seekTarget(1000000, SeekDirection::Backwards), 890000u);
    EXPECT_EQ(app::seekTarget(110000, SeekDirection::Backwards), 0u);
    // 0.3 s into 44.1 kHz stereo is 52920 bytes: the target wraps around to
    // just below 2^64, which no stream reaches.
    EXPECT_EQ(app::seekTarget(52920, SeekDirection::Backwards), UINT64_MAX - (110000u - 52920u) + 1);
    EXPECT_EQ(app::seekTarget(0, SeekDirection::Backwards), UINT64_MAX - 109999u);
    EXPECT_EQ(app::seekTarget(UINT64_MAX - 9, SeekDirection::Forwards), 109990u) << "carry runs across 64 bits";
}

TEST(FrameDecisions_Status, ThreeLinesInTheStreamsDefaultFormat)
{
    std::ostringstream out;
    app::writeFrameStatus(out, -1, 12.34567, 1565.0);
    app::writeFrameStatus(out, 2, 0.0, 0.30000001 * 20.0);
    EXPECT_EQ(out.str(),
              "-1\n12.3457\nrow1565\n"
              "2\n0\nrow6\n");
}

TEST(Keyboard_Keys, OnlyEscSpaceAndTheSeekLettersDoAnything)
{
    EXPECT_EQ(app::keyActionFor(27), KeyAction::Quit);
    EXPECT_EQ(app::keyActionFor(' '), KeyAction::TogglePause);
    EXPECT_EQ(app::keyActionFor('a'), KeyAction::SeekBackwards);
    EXPECT_EQ(app::keyActionFor('A'), KeyAction::SeekBackwards);
    EXPECT_EQ(app::keyActionFor('d'), KeyAction::SeekForwards);
    EXPECT_EQ(app::keyActionFor('D'), KeyAction::SeekForwards);
    int acting = 0;
    for (int key = 0; key < 256; ++key)
        acting += app::keyActionFor(static_cast<unsigned char>(key)) != KeyAction::None ? 1 : 0;
    EXPECT_EQ(acting, 6);
}
