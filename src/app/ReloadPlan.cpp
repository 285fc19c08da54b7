// Live mode's reload policy (see ReloadPlan.h).
#include "app/ReloadPlan.h"

#include <algorithm>

#include "demo/DemoFiles.h"

namespace {

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

bool app::sameEntry(const DemoShader& a, const DemoShader& b)
{
    return a.getVertexPath() == b.getVertexPath() && a.getFragmentPath() == b.getFragmentPath() &&
           a.getConvention() == b.getConvention();
}

ReloadPlan app::planReload(const std::vector<std::string>& changed, const DemoContent& demo)
{
    ReloadPlan plan;
    plan.description = contains(changed, demo::kDescriptionFile);
    for (std::size_t i = 0; i < demo.shaders.size(); ++i) {
        const DemoShader& shader = demo.shaders[i];
        const std::vector<std::string>& files = shader.getSourceFiles();
        const bool edited = std::any_of(files.begin(), files.end(),
                                        [&](const std::string& file) { return contains(changed, file); });
        const bool listed = std::any_of(plan.entries.begin(), plan.entries.end(),
                                        [&](std::size_t entry) { return sameEntry(demo.shaders[entry], shader); });
        if (edited && !listed)
            plan.entries.push_back(i);
    }
    for (const std::string& path : changed)
        if (contains(demo.imagePaths, path) && !contains(plan.images, path))
            plan.images.push_back(path);
    plan.finalPass = contains(changed, demo::kFinalVertexFile) || contains(changed, demo::kFinalFragmentFile);
    plan.trackCandidates = changed;
    return plan;
}
