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

// The frames of a warm-up, with "+" after those only counted.
std::string warmUpText(const std::vector<int>& scenes, uint64_t firstFrame, const std::vector<SceneCarry>& carries)
{
    std::string text;
    for (const WarmUpFrame& frame : app::warmUpFrames(scenes, firstFrame, carries))
        text += (text.empty() ? "" : " ") + std::to_string(frame.frame) + (frame.drawn ? "" : "+");
    return text;
}

TEST(ExportRange, WarmUpGoesThroughTheEarlierFramesTheRangesFramesGrowFrom)
{
    // Scenes by frame: 0 (feedback), 1 (plain), 2 (feedback, before the range only), -1 none.
    const std::vector<int> scenes = {0, 0, 2, 2, 1, 1, -1, 0, 0, 1, 0, 0, 1};
    std::vector<SceneCarry> carries(3);
    carries[0].keepsPictures = carries[2].keepsPictures = true;
    EXPECT_EQ(warmUpText(scenes, 10, carries), "0 1 7 8") << "every earlier stretch of scene 0, none of 1 and 2";
    EXPECT_EQ(warmUpText(scenes, 4, carries), "0 1") << "scene 0 returns later";
    EXPECT_EQ(warmUpText(scenes, 12, carries), "") << "the range draws only a plain scene";
    EXPECT_EQ(warmUpText(scenes, 0, carries), "") << "nothing comes before the first frame";
    EXPECT_EQ(warmUpText({0, 0, 5, 5}, 2, carries), "") << "an unknown scene carries nothing";

    // Scene 1 reads the sums, scene 2 adds to them: every earlier frame that adds is counted.
    carries[1].feedsSums = carries[1].readsSums = true;
    carries[2].feedsSums = true;
    EXPECT_EQ(warmUpText(scenes, 9, carries), "0 1 2+ 3+ 4+ 5+ 7 8");
    EXPECT_EQ(warmUpText(scenes, 12, carries), "2+ 3+ 4+ 5+ 9+") << "no scene 0 in the range, and it adds nothing";
}
