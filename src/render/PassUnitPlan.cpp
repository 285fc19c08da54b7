// Planning a pass's texture units (see PassUnitPlan.h). Pure; any thread.
#include "render/PassUnitPlan.h"

#include <algorithm>

PassUnitPlan render::planPassUnits(const PassUnitRequest& request, int unitsBefore)
{
    PassUnitPlan plan;
    const int passIndex = std::max(request.passIndex, 0);
    const int textureCount = std::max(request.textureCount, 0);
    if (!request.hasProgram) {
        // Nothing is bound, but the units stay taken, so the other passes
        // see the units they always do.
        plan.unitsCounted = unitsBefore + passIndex + textureCount;
        plan.firstFreeUnit = std::max({plan.unitsCounted, passIndex, 1});
        return plan;
    }

    plan.channelUnits.assign(static_cast<std::size_t>(std::max(passIndex, PassUnitPlan::kMaxChannels)),
                             PassUnitPlan::kNone);
    if (!request.hasChannels)
        for (int j = 0; j < passIndex; ++j)
            plan.channelUnits[static_cast<std::size_t>(j)] = j;
    int counted = unitsBefore + passIndex;
    for (int k = 0; k < textureCount; ++k)
        plan.textureUnits.push_back(counted++);
    plan.unitsCounted = counted;

    // What the settings and conventions add goes on the units after those.
    int unit = std::max({counted, passIndex, 1});
    if (request.hasChannels) {
        const int named = std::min(std::max(request.channelCount, 0), PassUnitPlan::kMaxChannels);
        for (int c = 0; c < named; ++c)
            plan.channelUnits[static_cast<std::size_t>(c)] = unit++;
    } else if (request.conventionChannels) {
        for (int j = passIndex; j < PassUnitPlan::kMaxChannels; ++j)
            plan.channelUnits[static_cast<std::size_t>(j)] = unit++;
    }
    plan.firstFreeUnit = unit;
    return plan;
}
