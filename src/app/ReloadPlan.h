// Live mode's reload policy over a loaded demo: which saved files rebuild
// what. A pure function of the files saved since the last frame and the
// demo's content, so the policy is tested without a window; LiveReload
// carries the plan out (builds, reads, messages) at the start of a frame.
//
// Any thread; nothing here is kept between calls.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "demo/DemoContent.h"

struct ReloadPlan {
    // demo.json was saved: load it again. A description that loads builds
    // every entry and reads every image as they are now; one that does not
    // load leaves the running demo, and the entries and images below are
    // rebuilt and read in its place.
    bool description = false;
    // The description's entries (indexes into DemoContent::shaders) one of
    // whose files (its own or included ones) was saved: each entry once,
    // however many of its files and copies there are.
    std::vector<std::size_t> entries;
    // Scenes' own programs (a pass with a "define" builds one of its own),
    // as (scene, pass) indexes, one of whose files was saved: each once, and
    // none that builds like an entry above.
    std::vector<std::pair<std::size_t, std::size_t>> passCopies;
    // The image files saved, each once however many texture entries name it.
    std::vector<std::string> images;
    // "test.vsh" or "AA.fsh" was saved: the final pass is built again.
    bool finalPass = false;
    // Every saved file, for the tracks whose file it may be (binary or text);
    // the tracks are matched by name as the plan is carried out.
    std::vector<std::string> trackCandidates;
};

namespace app {

// What the saves in `changed` (paths as the demo names them) rebuild in `demo`.
ReloadPlan planReload(const std::vector<std::string>& changed, const DemoContent& demo);

// True when `a` and `b` build the same program (the same files, convention,
// defines and common source): copies of one entry share its rebuilds.
bool sameEntry(const DemoShader& a, const DemoShader& b);

} // namespace app
