// What a failed shader build leads to, by the way the demo runs.
#include <cstdio>

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "app/BuildFailures.h"

namespace {

BuildOutcome failed(bool fragment)
{
    BuildOutcome outcome;
    outcome.fragmentDidNotCompile = fragment;
    outcome.failure = fragment ? "f.fsh:3: error" : "v.vsh:1: error";
    return outcome;
}

} // namespace

TEST(BuildFailures, OnlyTheConsoleWaitsAndOnlyForAFragmentShader)
{
    ScratchDir dir;
    ASSERT_NE(std::freopen(dir.write("input", "xy").c_str(), "r", stdin), nullptr);
    BuildOutcome built;
    built.built = true;

    BuildFailures console(BuildFailurePolicy::WaitForEnter);
    EXPECT_EQ(console.report(), BuildReport::Console);
    console.answer("v.vsh", "f.fsh", built);
    console.answer("v.vsh", "f.fsh", failed(false));
    testing::internal::CaptureStderr();
    console.answer("v.vsh", "f.fsh", failed(true));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "f.fsh: the player waits for Enter in this console before it goes on; --live shows build errors in "
              "the window without waiting\n")
        << "the wait says why and how to go without";
    EXPECT_TRUE(console.failures().empty());

    BuildFailures live(BuildFailurePolicy::Show);
    BuildFailures exporting(BuildFailurePolicy::Fail);
    EXPECT_EQ(live.report(), BuildReport::Quiet);
    EXPECT_EQ(exporting.report(), BuildReport::Account);
    for (BuildFailures* builds : {&live, &exporting}) {
        builds->answer("v.vsh", "f.fsh", failed(true));
        builds->answer("v.vsh", "g.fsh", built);
        ASSERT_EQ(builds->failures().size(), 1u);
        EXPECT_EQ(builds->failures()[0].message, "f.fsh:3: error");
    }
    EXPECT_EQ(live.takeFailures().size(), 1u);
    EXPECT_TRUE(live.failures().empty());

    // The fragment failure on the console took "x"; nothing else read input.
    EXPECT_EQ(std::getchar(), 'y');
}
