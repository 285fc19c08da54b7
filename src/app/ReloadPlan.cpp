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
    return a.buildsLike(b);
}

ReloadPlan app::planReload(const std::vector<std::string>& changed, const DemoContent& demo)
{
    ReloadPlan plan;
    plan.description = contains(changed, demo::kDescriptionFile);
    const auto edited = [&](const DemoShader& shader) {
        const std::vector<std::string>& files = shader.getSourceFiles();
        return std::any_of(files.begin(), files.end(),
                           [&](const std::string& file) { return contains(changed, file); });
    };
    for (std::size_t i = 0; i < demo.shaders.size(); ++i) {
        const DemoShader& shader = demo.shaders[i];
        const bool listed = std::any_of(plan.entries.begin(), plan.entries.end(),
                                        [&](std::size_t entry) { return sameEntry(demo.shaders[entry], shader); });
        if (edited(shader) && !listed)
            plan.entries.push_back(i);
    }
    const auto likeAnEntry = [&](const DemoShader& shader) {
        return std::any_of(demo.shaders.begin(), demo.shaders.end(),
                           [&](const DemoShader& entry) { return sameEntry(entry, shader); });
    };
    const auto passOf = [&](const std::pair<std::size_t, std::size_t>& copy) -> const DemoShader& {
        return demo.scenes[copy.first].getPassShaders()[copy.second];
    };
    for (std::size_t s = 0; s < demo.scenes.size(); ++s) {
        const std::vector<DemoShader>& passes = demo.scenes[s].getPassShaders();
        for (std::size_t p = 0; p < passes.size(); ++p) {
            const bool listed = std::any_of(plan.passCopies.begin(), plan.passCopies.end(),
                                            [&](const auto& copy) { return sameEntry(passOf(copy), passes[p]); });
            if (edited(passes[p]) && !listed && !likeAnEntry(passes[p]))
                plan.passCopies.emplace_back(s, p);
        }
    }
    for (const std::string& path : changed)
        if (contains(demo.imagePaths, path) && !contains(plan.images, path))
            plan.images.push_back(path);
    plan.finalPass = contains(changed, demo::kFinalVertexFile) || contains(changed, demo::kFinalFragmentFile);
    plan.trackCandidates = changed;
    return plan;
}
