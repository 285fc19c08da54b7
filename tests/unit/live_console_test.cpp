// Live mode's console: the status line on a terminal and in a pipe, and the
// texts of the status and the loop.
#include <sstream>

#include <gtest/gtest.h>

#include "app/LiveConsole.h"

TEST(LiveConsole, TerminalRewritesOneStatusLineWithOrdinaryLinesAbove)
{
    std::ostringstream out;
    LiveConsole console(out, true);
    console.status("row 1", 0.0);
    console.status("row 2", 0.01);
    console.line("Reloaded a.fsh");
    console.status("row 3", 0.02);
    EXPECT_EQ(out.str(), "\r\033[Krow 1\r\033[Krow 2\r\033[KReloaded a.fsh\n\r\033[Krow 3");

    // Before standard error writes, the status line goes, once.
    console.clearStatus();
    console.clearStatus();
    EXPECT_EQ(out.str(), "\r\033[Krow 1\r\033[Krow 2\r\033[KReloaded a.fsh\n\r\033[Krow 3\r\033[K");
}

TEST(LiveConsole, PipeGetsOneStatusLinePerSecondAndNoEscapes)
{
    std::ostringstream out;
    LiveConsole console(out, false);
    console.status("row 1", 10.0);
    console.status("row 2", 10.5);
    console.line("HOME row 0");
    console.status("row 3", 10.99);
    console.status("row 4", 11.0);
    console.clearStatus();
    console.status("row 5", 12.2);
    EXPECT_EQ(out.str(), "row 1\nHOME row 0\nrow 4\nrow 5\n");
}

TEST(LiveConsole, StatusAndLoopTexts)
{
    LiveFrameStatus status;
    status.row = 123.9;
    status.seconds = 6.195;
    status.sceneIndex = 2;
    status.framesPerSecond = 59.6;
    status.fftValue = 0.125f;
    EXPECT_EQ(app::liveStatusText(status), "live: row 123 | 6.20 s | scene 2 | 60 fps | fft 0.125");
    status.sceneFound = false;
    status.sceneIndex = -1;
    EXPECT_NE(app::liveStatusText(status).find("scene -1 (none) |"), std::string::npos);

    LoopRange loop;
    EXPECT_EQ(app::loopText(loop), "loop off");
    loop.setStart(100.4);
    EXPECT_EQ(app::loopText(loop), "loop from 100");
    loop.setEnd(200.0);
    EXPECT_EQ(app::loopText(loop), "loop 100-200");
    loop.setEnd(50.0);
    EXPECT_EQ(app::loopText(loop), "loop 100-50 (empty)");
    loop.clear();
    loop.setEnd(80.0);
    EXPECT_EQ(app::loopText(loop), "loop to 80");
}
