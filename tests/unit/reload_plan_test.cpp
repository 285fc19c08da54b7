// Live mode's reload policy: which saved files rebuild what.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ReloadPlan.h"
#include "demo/DemoFiles.h"

namespace {

// A demo of two entries sharing "quad.vsh", a copy of the first (as a scene
// of the description holds), and the image "noise.png" named by two
// texture entries.
DemoContent twoEntries()
{
    DemoContent demo;
    demo.shaders.emplace_back("quad.vsh", "plasma.fsh");
    demo.shaders.emplace_back("quad.vsh", "blur.fsh");
    demo.shaders.push_back(demo.shaders[0]);
    demo.imagePaths = {"noise.png", "logo.png", "noise.png"};
    return demo;
}

} // namespace

TEST(ReloadPlan, ASavedShaderFileRebuildsEachEntryThatUsesItOnce)
{
    const DemoContent demo = twoEntries();
    EXPECT_EQ(app::planReload({"plasma.fsh"}, demo).entries, (std::vector<std::size_t>{0}))
        << "the copy of an entry is rebuilt with it";
    EXPECT_EQ(app::planReload({"quad.vsh", "blur.fsh"}, demo).entries, (std::vector<std::size_t>{0, 1}))
        << "a shared file rebuilds both, each once";
    EXPECT_TRUE(app::planReload({"other.fsh"}, demo).entries.empty());
}

TEST(ReloadPlan, AnImageNamedTwiceIsReadOnce)
{
    const ReloadPlan plan = app::planReload({"noise.png", "noise.png", "unused.png"}, twoEntries());
    EXPECT_EQ(plan.images, (std::vector<std::string>{"noise.png"}));
}

TEST(ReloadPlan, TheDescriptionAndTheFinalPassAreTheirOwnSteps)
{
    const DemoContent demo = twoEntries();
    const ReloadPlan described = app::planReload({demo::kDescriptionFile, "plasma.fsh"}, demo);
    EXPECT_TRUE(described.description);
    EXPECT_FALSE(described.finalPass);
    // Kept for a description that does not load, which leaves the running demo.
    EXPECT_EQ(described.entries, (std::vector<std::size_t>{0}));

    const ReloadPlan final = app::planReload({demo::kFinalFragmentFile}, demo);
    EXPECT_TRUE(final.finalPass);
    EXPECT_FALSE(final.description);
    EXPECT_TRUE(final.entries.empty());
    EXPECT_EQ(final.trackCandidates, (std::vector<std::string>{demo::kFinalFragmentFile}));
}
