// Signatures of Dear ImGui's draw data. Main thread.
#include "editor/DrawSignature.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace {

uint64_t mix(uint64_t seed, uint64_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2));
}

uint64_t hashBytes(const void* bytes, size_t size)
{
    return std::hash<std::string_view>()(std::string_view(static_cast<const char*>(bytes), size));
}

} // namespace

uint64_t editor::drawSignature(const ImDrawData& data)
{
    uint64_t signature = mix(0, static_cast<uint64_t>(data.CmdListsCount));
    for (int l = 0; l < data.CmdListsCount; ++l) {
        const ImDrawList& list = *data.CmdLists[l];
        signature = mix(signature, hashBytes(list.VtxBuffer.Data, list.VtxBuffer.size_in_bytes()));
        signature = mix(signature, hashBytes(list.IdxBuffer.Data, list.IdxBuffer.size_in_bytes()));
        for (const ImDrawCmd& command : list.CmdBuffer) {
            signature = mix(signature, hashBytes(&command.ClipRect, sizeof command.ClipRect));
            signature = mix(signature, reinterpret_cast<uintptr_t>(command.TextureId));
            signature = mix(signature, (uint64_t{command.ElemCount} << 32) ^ command.IdxOffset);
        }
    }
    return signature;
}

float editor::drawRight(const ImDrawData& data)
{
    float right = 0.0f;
    for (int l = 0; l < data.CmdListsCount; ++l)
        for (const ImDrawCmd& command : data.CmdLists[l]->CmdBuffer)
            if (command.ElemCount > 0)
                right = std::max(right, command.ClipRect.z);
    return right;
}
