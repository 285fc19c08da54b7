// Evaluation of sync tracks: which key governs a row, and how the value
// moves from one key to the next.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <algorithm>
#include <initializer_list>
#include <memory>

#include "sync/track.h"

namespace {

SyncTrack makeTrack(std::initializer_list<SyncKey> keys)
{
    SyncTrack track;
    track.name = "test";
    auto copy = std::make_unique<SyncKey[]>(keys.size());
    std::copy(keys.begin(), keys.end(), copy.get());
    sync_set_keys(&track, std::move(copy), static_cast<int32_t>(keys.size()));
    return track;
}

// A track of `count` keys whose rows are rowOf(0), rowOf(1), ...
template <typename RowOf> SyncTrack makeRows(int count, RowOf rowOf)
{
    SyncTrack track;
    auto keys = std::make_unique<SyncKey[]>(count);
    for (int i = 0; i < count; ++i)
        keys[i] = {rowOf(i), static_cast<float>(i), SYNC_LINEAR};
    sync_set_keys(&track, std::move(keys), count);
    return track;
}

// The search's answers for `row`, checked against a plain scan of the keys.
void expectScanAgrees(const SyncTrack& track, int row)
{
    int count = track.key_count;
    int insertion = 0;
    while (insertion < count && track.keys[insertion].row < row)
        ++insertion;
    bool found = insertion < count && track.keys[insertion].row == row;
    ASSERT_EQ(sync_search_key(&track, row), found ? insertion : -insertion - 1) << count << " keys, row " << row;
    ASSERT_EQ(sync_key_before(&track, row), found ? insertion : insertion - 1) << count << " keys, row " << row;
}

// The value the player must produce: difference in single precision,
// product and sum in double, rounded to float once.
float expected(float a, float b, double t)
{
    float delta = b - a;
    return static_cast<float>(a + delta * t);
}

} // namespace

TEST(SyncTrackValue, WholeRowPicksTheKeyAndFractionInterpolates)
{
    SyncTrack track = makeTrack({{10, 1.0f, SYNC_LINEAR}, {20, 3.0f, SYNC_LINEAR}});
    EXPECT_EQ(sync_track_value(&track, 9.5), 1.0f);
    EXPECT_EQ(sync_track_value(&track, 10.0), 1.0f);
    EXPECT_EQ(sync_track_value(&track, 10.5), expected(1.0f, 3.0f, 0.5 / 10.0));
    EXPECT_EQ(sync_track_value(&track, 19.9), expected(1.0f, 3.0f, (19.9 - 10) / 10.0));
    EXPECT_EQ(sync_track_value(&track, 20.0), 3.0f);
    EXPECT_EQ(sync_track_value(&track, 1000.0), 3.0f);
}

TEST(SyncTrackValue, EachTypeShapesTheMove)
{
    // Keys at 0 and 4 with values 0 and 1: row 1 is t = 0.25.
    SyncTrack step = makeTrack({{0, 0.0f, SYNC_STEP}, {4, 1.0f, SYNC_STEP}});
    SyncTrack linear = makeTrack({{0, 0.0f, SYNC_LINEAR}, {4, 1.0f, SYNC_STEP}});
    SyncTrack smooth = makeTrack({{0, 0.0f, SYNC_SMOOTH}, {4, 1.0f, SYNC_STEP}});
    SyncTrack ramp = makeTrack({{0, 0.0f, SYNC_RAMP}, {4, 1.0f, SYNC_STEP}});

    EXPECT_EQ(sync_track_value(&step, 1.0), 0.0f);
    EXPECT_EQ(sync_track_value(&linear, 1.0), 0.25f);
    EXPECT_EQ(sync_track_value(&smooth, 1.0), 0.15625f); // 3t^2 - 2t^3
    EXPECT_EQ(sync_track_value(&ramp, 1.0), 0.0625f);    // t^2

    // Smooth is symmetric about the middle of the interval.
    EXPECT_EQ(sync_track_value(&smooth, 2.0), 0.5f);
    EXPECT_EQ(sync_track_value(&smooth, 3.0), 0.84375f);
}

TEST(SyncTrackValue, StepHoldsUntilExactlyTheNextRow)
{
    SyncTrack track = makeTrack({{0, 2.0f, SYNC_STEP}, {10, 7.0f, SYNC_STEP}});
    EXPECT_EQ(sync_track_value(&track, 9.999), 2.0f);
    EXPECT_EQ(sync_track_value(&track, 10.0), 7.0f);

    // A step gives its own value as it is, whatever the next key holds.
    SyncTrack odd = makeTrack({{0, -0.0f, SYNC_STEP}, {10, INFINITY, SYNC_STEP}});
    float held = sync_track_value(&odd, 5.0);
    EXPECT_EQ(held, 0.0f);
    EXPECT_TRUE(std::signbit(held)) << "the sign of -0 is kept";
}

TEST(SyncTrackValue, InvalidTypeGivesZeroOnlyInItsOwnInterval)
{
    SyncTrack track = makeTrack({{0, 1.0f, SYNC_LINEAR}, {10, 5.0f, 7}, {20, 9.0f, -1}, {30, 4.0f, SYNC_STEP}});
    EXPECT_EQ(sync_track_value(&track, 5.0), 3.0f);
    EXPECT_EQ(sync_track_value(&track, 10.0), 0.0f);
    EXPECT_EQ(sync_track_value(&track, 19.5), 0.0f);
    EXPECT_EQ(sync_track_value(&track, 25.0), 0.0f);
    EXPECT_EQ(sync_track_value(&track, 30.0), 4.0f);

    // Before the first and after the last key the type plays no part.
    SyncTrack ends = makeTrack({{0, 1.0f, 9}, {10, 2.0f, 9}});
    EXPECT_EQ(sync_track_value(&ends, -3.0), 1.0f);
    EXPECT_EQ(sync_track_value(&ends, 10.5), 2.0f);
}

TEST(SyncTrackValue, OneKeyOrNoneGivesAConstant)
{
    SyncTrack empty;
    EXPECT_EQ(sync_track_value(&empty, 0.0), 0.0f);
    EXPECT_EQ(sync_track_value(&empty, 123.25), 0.0f);

    SyncTrack one = makeTrack({{50, -2.5f, SYNC_SMOOTH}});
    for (double row : {-1e9, -0.5, 0.0, 49.99, 50.0, 50.5, 1e9})
        EXPECT_EQ(sync_track_value(&one, row), -2.5f) << "row " << row;
}

TEST(SyncTrackValue, NegativeRowsFloorTowardMinusInfinity)
{
    SyncTrack track = makeTrack({{0, 5.0f, SYNC_LINEAR}, {10, 6.0f, SYNC_LINEAR}});
    EXPECT_EQ(sync_track_value(&track, -0.5), 5.0f); // row -1: before the first key

    SyncTrack below = makeTrack({{-10, 0.0f, SYNC_LINEAR}, {0, 1.0f, SYNC_LINEAR}});
    EXPECT_EQ(sync_track_value(&below, -0.5), expected(0.0f, 1.0f, 9.5 / 10.0));
    EXPECT_EQ(sync_track_value(&below, -10.5), 0.0f);
}

TEST(SyncTrackValue, RowsBeyondTheIntegerRangeStayDefined)
{
    // Keys at the ends of the row range: the row difference does not fit an int.
    SyncTrack wide = makeTrack({{INT_MIN, 0.0f, SYNC_LINEAR}, {INT_MAX, 1.0f, SYNC_LINEAR}});
    EXPECT_NEAR(sync_track_value(&wide, 0.0), 0.5f, 1e-6f);
    // Far outside the row range: the first or last key, never extrapolated.
    EXPECT_EQ(sync_track_value(&wide, -1e12), 0.0f);
    EXPECT_EQ(sync_track_value(&wide, 1e12), 1.0f);
    EXPECT_EQ(sync_track_value(&wide, -INFINITY), 0.0f);
    EXPECT_EQ(sync_track_value(&wide, INFINITY), 1.0f);
    EXPECT_EQ(sync_track_value(&wide, NAN), 0.0f);
}

TEST(SyncTrackSearch, AgreesWithAPlainScanForEverySizeAndRow)
{
    // Every row around every key of small tracks: the index has one or two levels.
    for (int count = 0; count <= 40; ++count) {
        SyncTrack track = makeRows(count, [](int i) { return 3 * i - 20; });
        for (int row = -25; row <= 3 * count - 15; ++row)
            expectScanAgrees(track, row);
    }

    // Two and three levels, node edges included, with uneven gaps between keys.
    for (int count : {511, 512, 513, 8193}) {
        SyncTrack track = makeRows(count, [](int i) { return 12 * i + i * i % 11; });
        int last = track.keys[count - 1].row;
        for (int row = -2; row <= last + 2; row += 1 + count / 256)
            expectScanAgrees(track, row);
        for (int i = 0; i < count; i += (i % 16 == 15 ? 1 : 3)) {
            expectScanAgrees(track, track.keys[i].row - 1);
            expectScanAgrees(track, track.keys[i].row);
        }
    }
}

TEST(SyncTrackSearch, RowsAtTheEndsOfTheIntegerRange)
{
    SyncTrack ends = makeTrack({{INT_MIN, 0.0f, 0}, {INT_MAX, 0.0f, 0}});
    EXPECT_EQ(sync_key_before(&ends, INT_MIN), 0);
    EXPECT_EQ(sync_key_before(&ends, INT_MAX - 1), 0);
    EXPECT_EQ(sync_key_before(&ends, INT_MAX), 1);
    EXPECT_EQ(sync_search_key(&ends, INT_MAX), 1);

    // Padding rows of the index hold INT_MAX too, and must never be mistaken for keys.
    for (int count : {17, 300}) {
        SyncTrack high = makeRows(count, [count](int i) { return INT_MAX - 2 * (count - 1 - i); });
        SyncTrack low = makeRows(count, [](int i) { return INT_MIN + 2 * i; });
        for (int back = 0; back < 2 * count + 2; ++back) {
            expectScanAgrees(high, INT_MAX - back);
            expectScanAgrees(low, INT_MIN + back);
        }
    }
}

TEST(SyncTrackValue, SettingKeysAgainReplacesTheOldOnes)
{
    SyncTrack track = makeRows(1000, [](int i) { return 2 * i; });
    EXPECT_EQ(sync_track_value(&track, 1001.0), 500.5f);

    auto keys = std::make_unique<SyncKey[]>(2);
    keys[0] = {0, 1.0f, SYNC_STEP};
    keys[1] = {10, 2.0f, SYNC_STEP};
    ASSERT_TRUE(sync_set_keys(&track, std::move(keys), 2));
    EXPECT_EQ(sync_key_before(&track, 1001), 1);
    EXPECT_EQ(sync_track_value(&track, 5.0), 1.0f);

    ASSERT_TRUE(sync_set_keys(&track, nullptr, 0));
    EXPECT_EQ(track.key_count, 0);
    EXPECT_EQ(sync_track_value(&track, 5.0), 0.0f);
    EXPECT_EQ(sync_key_before(&track, 5), -1);
}
