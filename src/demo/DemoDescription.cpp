// Reading and parsing "demo.json" and converting its shader_id values (see
// DemoDescription.h). Main thread only; nothing here keeps state.
#include "demo/DemoDescription.h"

#include <algorithm>

#include "platform/file_read.h"

namespace {

using nlohmann::json;

// Builds the parse error that refuses nesting deeper than the limit.
json::parse_error nestingTooDeep()
{
    return json::parse_error::create(101, 0, "nesting deeper than " + std::to_string(kMaxDescriptionDepth) + " levels",
                                     nullptr);
}

// How a message names the value at `path`: a top-level key in quotes, a
// deeper path as it is.
std::string subject(const std::string& path)
{
    if (path.empty())
        return "the description";
    if (path.find_first_of(".[") == std::string::npos)
        return "\"" + path + "\"";
    return path;
}

// A value as a message shows it: short values as JSON, lists and objects by
// their kind, long strings cut.
std::string shown(const json& value)
{
    if (value.is_array())
        return "a list";
    if (value.is_object())
        return "an object";
    std::string text = value.dump();
    constexpr std::size_t kLongest = 40;
    if (text.size() > kLongest)
        text = text.substr(0, kLongest) + "...";
    return text;
}

json::out_of_range shaderIdOutOfRange(const json& shaderId, std::size_t shaderCount, const std::string& path)
{
    std::string message = subject(path) + " is " + shaderId.dump() + ", but ";
    if (shaderCount == 0)
        message += "there are no shaders";
    else if (shaderCount == 1)
        message += "the only shader is number 0";
    else
        message += "the shaders are numbered 0.." + std::to_string(shaderCount - 1);
    return json::out_of_range::create(401, message, &shaderId);
}

} // namespace

bool demo::readDescriptionFile(const char* path, std::string& text, std::string& problem)
{
    if (platform_read_file(path, kMaxDescriptionBytes, text, problem) != PLATFORM_READ_OK)
        return false;
    text.erase(std::min(text.find('\xff'), text.size()));
    return true;
}

void demo::readDescriptionSettings(const json& document, DemoTiming& timing, ReleaseWindow& release)
{
    std::string error;
    if (!readDemoTiming(document, timing, error) || !readReleaseWindow(document, release, error))
        throw json::type_error::create(302, error, nullptr);
}

std::string demo::descriptionErrorText(const json::exception& error)
{
    // The library starts every message with "[json.exception.NAME.ID] ".
    const std::string text = error.what();
    if (text.compare(0, 16, "[json.exception.") == 0) {
        const std::size_t end = text.find("] ");
        if (end != std::string::npos)
            return text.substr(end + 2);
    }
    return text;
}

json::type_error demo::descriptionTypeError(const json& value, const std::string& path, const std::string& expected)
{
    const std::string message = value.is_null() ? subject(path) + " is missing; it must be " + expected
                                                : subject(path) + " must be " + expected + ", not " + shown(value);
    return json::type_error::create(302, message, &value);
}

json& demo::descriptionMember(json& entry, const char* key, const std::string& path, const char* expected)
{
    if (!entry.is_object() && !entry.is_null())
        throw demo::descriptionTypeError(entry, path, expected);
    return entry[key];
}

bool demo::descriptionBool(const json& value, const std::string& path, const char* expected)
{
    if (!value.is_boolean())
        throw demo::descriptionTypeError(value, path, expected);
    return value.get<bool>();
}

std::string demo::descriptionString(const json& value, const std::string& path, const char* expected)
{
    if (!value.is_string())
        throw demo::descriptionTypeError(value, path, expected);
    return value.get<std::string>();
}

json demo::parseDescription(const std::string& text)
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

uint32_t demo::descriptionShaderIndex(const json& shaderId, std::size_t shaderCount, const std::string& path)
{
    if (!shaderId.is_number())
        throw demo::descriptionTypeError(shaderId, path, "a number");
    uint64_t index = 0;
    if (shaderId.is_number_float()) {
        // Only values that truncate into 0 .. 2^32 - 1 convert; anything
        // else (negative, huge, infinite) has no index.
        const double value = shaderId.get<double>();
        if (!(value > -1.0 && value < 4294967296.0))
            throw shaderIdOutOfRange(shaderId, shaderCount, path);
        index = static_cast<uint64_t>(value);
    } else if (shaderId.is_number_integer() && !shaderId.is_number_unsigned()) {
        const int64_t value = shaderId.get<int64_t>();
        if (value < 0)
            throw shaderIdOutOfRange(shaderId, shaderCount, path);
        index = static_cast<uint64_t>(value);
    } else {
        index = shaderId.get<uint64_t>();
    }
    if (index >= shaderCount || index > UINT32_MAX)
        throw shaderIdOutOfRange(shaderId, shaderCount, path);
    return static_cast<uint32_t>(index);
}
