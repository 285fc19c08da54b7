// The texture units a scene's passes bind their samplers to.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "render/PassUnitPlan.h"

namespace {

constexpr int kNone = PassUnitPlan::kNone;

// The plans of a scene's passes in order, each starting where the last ended.
std::vector<PassUnitPlan> planScene(std::vector<PassUnitRequest> requests)
{
    std::vector<PassUnitPlan> plans;
    int counted = 0;
    for (const PassUnitRequest& request : requests) {
        plans.push_back(render::planPassUnits(request, counted));
        counted = plans.back().unitsCounted;
    }
    return plans;
}

PassUnitRequest pass(int index, int textures)
{
    PassUnitRequest request;
    request.passIndex = index;
    request.textureCount = textures;
    return request;
}

} // namespace

TEST(PassUnitPlan, EarlierPassesOnTheirOwnUnitsAndTexturesRunOnOverTheScene)
{
    const std::vector<PassUnitPlan> plans = planScene({pass(0, 2), pass(1, 2), pass(2, 2)});
    EXPECT_EQ(plans[0].textureUnits, (std::vector<int>{0, 1}));
    EXPECT_EQ(plans[1].channelUnits, (std::vector<int>{0, kNone, kNone, kNone}));
    EXPECT_EQ(plans[1].textureUnits, (std::vector<int>{3, 4}));
    EXPECT_EQ(plans[2].channelUnits, (std::vector<int>{0, 1, kNone, kNone}));
    EXPECT_EQ(plans[2].textureUnits, (std::vector<int>{7, 8}));
    EXPECT_EQ(plans[2].firstFreeUnit, 9);
    // Nothing further ever goes on unit 0, where unset samplers point.
    EXPECT_EQ(render::planPassUnits(pass(0, 0), 0).firstFreeUnit, 1);
}

TEST(PassUnitPlan, APassWithoutProgramBindsNothingButKeepsTheOthersUnits)
{
    PassUnitRequest failed = pass(1, 2);
    failed.hasProgram = false;
    const std::vector<PassUnitPlan> with = planScene({pass(0, 2), failed, pass(2, 2)});
    const std::vector<PassUnitPlan> without = planScene({pass(0, 2), pass(1, 2), pass(2, 2)});
    EXPECT_TRUE(with[1].channelUnits.empty());
    EXPECT_TRUE(with[1].textureUnits.empty());
    EXPECT_EQ(with[2].textureUnits, without[2].textureUnits);
}

TEST(PassUnitPlan, NamedAndConventionChannelsTakeDistinctUnitsAfterTheTextures)
{
    PassUnitRequest named = pass(3, 1);
    named.hasChannels = true;
    named.channelCount = 6; // only four are iChannels
    PassUnitRequest convention = pass(1, 1);
    convention.conventionChannels = true;
    for (const PassUnitRequest& request : {named, convention}) {
        const PassUnitPlan plan = render::planPassUnits(request, 5);
        std::set<int> used;
        int bound = 0;
        for (int unit : plan.channelUnits)
            if (unit != kNone) {
                used.insert(unit);
                ++bound;
            }
        for (int unit : plan.textureUnits)
            used.insert(unit);
        EXPECT_EQ(used.size(), static_cast<std::size_t>(bound) + plan.textureUnits.size()) << "a unit bound twice";
        EXPECT_EQ(bound, 4);
        EXPECT_GT(plan.firstFreeUnit, *used.rbegin());
    }
    // Named channels replace the earlier passes entirely.
    const PassUnitPlan plan = render::planPassUnits(named, 5);
    EXPECT_EQ(plan.textureUnits, (std::vector<int>{8}));
    EXPECT_EQ(plan.channelUnits, (std::vector<int>{9, 10, 11, 12}));
}
