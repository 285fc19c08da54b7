// Which frames an export holds: one grid for the whole demo, ranges that end
// at the demo's end or the tune's, segments that tile, refusals that say why.
#include <string>

#include <gtest/gtest.h>

#include "app/ExportRange.h"

namespace {

ExportRangeRequest request(double firstRow, double endRow = -1.0)
{
    ExportRangeRequest r;
    r.firstRow = firstRow;
    r.hasEndRow = endRow >= 0.0;
    r.endRow = endRow;
    r.rowsPerSecond = 20.0;
    r.demoEndRow = 400.0; // 20 s
    r.hasTune = true;
    r.tuneSeconds = 30.0;
    r.fps = 60;
    return r;
}

ExportRange rangeOf(const ExportRangeRequest& r)
{
    ExportRange range;
    std::string problem;
    EXPECT_TRUE(app::exportRangeFor(r, range, problem)) << problem;
    return range;
}

std::string refusal(const ExportRangeRequest& r)
{
    ExportRange range;
    std::string problem;
    EXPECT_FALSE(app::exportRangeFor(r, range, problem));
    return problem;
}

} // namespace

TEST(ExportRange, WholeDemoEndsAtTheEndRowOrTheTunesEndWhicheverComesFirst)
{
    ExportRange range = rangeOf(request(0.0));
    EXPECT_EQ(range.firstFrame, 0u);
    EXPECT_EQ(range.endFrame, 1200u) << "rows 0 to 400 at 20 rows and 60 frames per second";
    EXPECT_DOUBLE_EQ(range.endSeconds(60), 20.0);

    ExportRangeRequest shortTune = request(0.0);
    shortTune.tuneSeconds = 10.51;
    EXPECT_EQ(rangeOf(shortTune).endFrame, 630u) << "only frames that end within the tune";

    ExportRangeRequest noTune = request(100.0);
    noTune.hasTune = false;
    range = rangeOf(noTune);
    EXPECT_EQ(range.firstFrame, 300u);
    EXPECT_EQ(range.endFrame, 1200u) << "without a tune only the end row bounds the demo";
}

TEST(ExportRange, SegmentsTileTheWholeEvenWhenRowsFallBetweenFrames)
{
    // 20 rows per second at 25 frames per second: row 7 lies at frame 8.75.
    ExportRangeRequest first = request(0.0, 7.0), second = request(7.0, 20.0), whole = request(0.0, 20.0);
    first.fps = second.fps = whole.fps = 25;
    const ExportRange a = rangeOf(first), b = rangeOf(second), all = rangeOf(whole);
    EXPECT_EQ(a.endFrame, 9u);
    EXPECT_EQ(b.firstFrame, a.endFrame) << "no frame lost or doubled between segments";
    EXPECT_EQ(a.frameCount() + b.frameCount(), all.frameCount());
    EXPECT_DOUBLE_EQ(b.startSeconds(25), 9.0 / 25) << "a segment starts on the whole demo's grid";
}

TEST(ExportRange, RangesOutsideTheDemoAreRefusedByName)
{
    EXPECT_NE(refusal(request(400.0)).find("starts at row 400"), std::string::npos);
    EXPECT_NE(refusal(request(0.0, 401.0)).find("after the demo's end at row 400"), std::string::npos);

    ExportRangeRequest shortTune = request(0.0, 300.0);
    shortTune.tuneSeconds = 10.0;
    EXPECT_NE(refusal(shortTune).find("past the end of the tune at 10.000 s (row 200)"), std::string::npos);
    shortTune = request(250.0);
    shortTune.tuneSeconds = 10.0;
    EXPECT_NE(refusal(shortTune).find("past the end of the tune"), std::string::npos);

    ExportRangeRequest slow = request(1.0, 2.0);
    slow.fps = 1; // rows 1 and 2 lie between frames 0 and 1
    EXPECT_NE(refusal(slow).find("holds no frame at 1 frames per second"), std::string::npos);
}

TEST(ExportRange, WarmUpDrawsTheEarlierFramesOfTheFeedbackScenesTheRangeDraws)
{
    // Scenes by frame: 0 (feedback), 1 (plain), 0 again, 2 (feedback, before the range only), -1 none.
    const std::vector<int> scenes = {0, 0, 2, 2, 1, 1, -1, 0, 0, 1, 0, 0, 1};
    const std::vector<bool> keeps = {true, false, true};
    EXPECT_EQ(app::warmUpFrames(scenes, 10, keeps), (std::vector<uint64_t>{0, 1, 7, 8}))
        << "every earlier stretch of scene 0, none of scenes 1 and 2";
    EXPECT_EQ(app::warmUpFrames(scenes, 4, keeps), (std::vector<uint64_t>{0, 1})) << "scene 0 returns later";
    EXPECT_TRUE(app::warmUpFrames(scenes, 12, keeps).empty()) << "the range draws only a plain scene";
    EXPECT_TRUE(app::warmUpFrames(scenes, 0, keeps).empty()) << "nothing comes before the first frame";
    EXPECT_TRUE(app::warmUpFrames({0, 0, 5, 5}, 2, keeps).empty()) << "an unknown scene keeps nothing";
}
