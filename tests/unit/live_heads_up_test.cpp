// Live mode's heads-up display: what it lists over the picture, with the
// status shown and hidden, and how problems are cut to fit.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/LiveHeadsUp.h"

namespace {

std::vector<std::string> texts(const std::vector<HudLine>& lines)
{
    std::vector<std::string> result;
    for (const HudLine& line : lines)
        result.push_back(line.text);
    return result;
}

bool isRed(const HudLine& line)
{
    return line.red == 255 && line.green == 96 && line.blue == 96;
}

} // namespace

TEST(LiveHeadsUp, StatusLoopAndLatestReloadThenEachProblemOnce)
{
    LiveFrameStatus status;
    status.row = 12;
    status.seconds = 1.5;
    status.sceneIndex = 2;
    status.framesPerSecond = 60;
    LoopRange loop;
    loop.setStart(8);
    ReloadProblems problems;
    // A shared vertex file fails two entries with one message.
    problems.set("v.vsh, a.fsh", "v.vsh:3: error");
    problems.set("v.vsh, b.fsh", "v.vsh:3: error");
    problems.set("noise.png", "noise.png: cannot decode");

    const std::vector<HudLine> lines = app::headsUpLines(status, loop, "reloaded a.fsh", problems, true);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"row 12 | 1.50 s | scene 2 | 60 fps | fft 0.000", "loop from 8",
                                                      "reloaded a.fsh", "v.vsh:3: error", "noise.png: cannot decode"}));
    EXPECT_FALSE(isRed(lines[2]));
    EXPECT_TRUE(isRed(lines[3]));
    EXPECT_TRUE(isRed(lines[4]));

    // Hidden with Tab: the problems still show; before any reload no latest line.
    EXPECT_EQ(texts(app::headsUpLines(status, loop, "reloaded a.fsh", problems, false)),
              (std::vector<std::string>{"v.vsh:3: error", "noise.png: cannot decode"}));
    EXPECT_EQ(app::headsUpLines(status, loop, "", ReloadProblems(), true).size(), 2u);

    // Mended problems go; the other key with the same message keeps it shown.
    problems.clear("v.vsh, a.fsh");
    problems.clearWhere([](const std::string& key) { return key == "noise.png"; });
    EXPECT_EQ(texts(app::headsUpLines(status, loop, "", problems, false)),
              (std::vector<std::string>{"v.vsh:3: error"}));
}

TEST(LiveHeadsUp, ALongProblemShowsItsFirstLines)
{
    ReloadProblems problems;
    problems.set("a.fsh", "a.fsh:1: one\na.fsh:2: two\na.fsh:3: three\na.fsh:4: four\na.fsh:5: five\n");
    EXPECT_EQ(texts(app::headsUpLines(LiveFrameStatus(), LoopRange(), "", problems, false)),
              (std::vector<std::string>{"a.fsh:1: one", "a.fsh:2: two", "a.fsh:3: three", "a.fsh:4: four"}));
}
