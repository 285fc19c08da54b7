// What Dear ImGui drew in a frame, summed up: a signature of its draw lists
// (vertices, indices, clip rectangles, textures) that changes when anything
// on the panel changes, and how far right the drawing reaches. The edit
// mode rasterises the panel again only when the signature changes and
// otherwise copies the picture of it it kept.
//
// Main thread, after ImGui::Render.
#pragma once

#include <cstdint>

#include <imgui.h>

namespace editor {

uint64_t drawSignature(const ImDrawData& data);

// The right edge of everything drawn, in pixels from the display's left.
float drawRight(const ImDrawData& data);

} // namespace editor
