// Reading and parsing "demo.json" and converting its shader_id values (see
// DemoDescription.h). Main thread only; nothing here keeps state.
#include "demo/DemoDescription.h"

#include <fstream>
#include <iterator>

namespace {

using nlohmann::json;

// Builds the parse error that refuses nesting deeper than the limit.
json::parse_error nestingTooDeep()
{
    return json::parse_error::create(101, 0,
                                     "nesting deeper than " + std::to_string(kMaxDescriptionDepth) + " levels",
                                     nullptr);
}

json::out_of_range shaderIdOutOfRange(const json& shaderId)
{
    return json::out_of_range::create(401, "shader_id " + shaderId.dump() + " is out of range", &shaderId);
}

} // namespace

std::string readDescriptionText(const char* path)
{
    std::ifstream file(path, std::ios::in | std::ios::binary);
    std::string text;
    for (std::istreambuf_iterator<char> it(file), end; it != end; ++it) {
        if (static_cast<unsigned char>(*it) == 0xFF)
            break;
        text.push_back(*it);
    }
    return text;
}

json parseDescription(const std::string& text)
{
    // The callback sees every object and array as it opens, at the depth of
    // its parent (0 for the top level), before anything inside it is built.
    const json::parser_callback_t limitDepth = [](int depth, json::parse_event_t event, json&) {
        if ((event == json::parse_event_t::object_start || event == json::parse_event_t::array_start) &&
            depth >= kMaxDescriptionDepth)
            throw nestingTooDeep();
        return true;
    };
    return json::parse(text, limitDepth);
}

uint32_t descriptionShaderIndex(const json& shaderId, std::size_t shaderCount)
{
    uint64_t index = 0;
    if (shaderId.is_number_float()) {
        // Only values that truncate into 0 .. 2^32 - 1 convert; anything
        // else (negative, huge, infinite) has no index.
        const double value = shaderId.get<double>();
        if (!(value > -1.0 && value < 4294967296.0))
            throw shaderIdOutOfRange(shaderId);
        index = static_cast<uint64_t>(value);
    } else if (shaderId.is_number_integer() && !shaderId.is_number_unsigned()) {
        const int64_t value = shaderId.get<int64_t>();
        if (value < 0)
            throw shaderIdOutOfRange(shaderId);
        index = static_cast<uint64_t>(value);
    } else {
        // Unsigned numbers; anything that is not a number throws the
        // library's "type must be number, but is ..." here.
        index = shaderId.get<uint64_t>();
    }
    if (index >= shaderCount || index > UINT32_MAX)
        throw shaderIdOutOfRange(shaderId);
    return static_cast<uint32_t>(index);
}
