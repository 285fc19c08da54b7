// Reading and parsing "demo.json" and converting its shader_id values (see
// DemoDescription.h). Main thread only; nothing here keeps state.
#include "demo/DemoDescription.h"

#include <algorithm>
#include <cctype>
#include <vector>

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

// The optimal string alignment distance between `a` and `b`: insertions,
// deletions, substitutions and swaps of two neighbours each count 1.
std::size_t editDistance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The unknown keys of `entry` (an object of `kind` at `path`) and of the
// objects inside it, in the order of the walk.
void checkKeys(const json& entry, demo::DescriptionObject kind, const std::string& path,
               std::vector<std::string>& lines);

// Checks every item of `list` as an object of `kind`, the items found as
// forEachDescriptionItem finds them.
void checkItems(const json& list, demo::DescriptionObject kind, const std::string& path,
                std::vector<std::string>& lines)
{
    if (list.is_array()) {
        for (std::size_t i = 0; i < list.size(); ++i)
            checkKeys(list[i], kind, path + "[" + std::to_string(i) + "]", lines);
    } else if (list.is_object()) {
        for (auto member = list.begin(); member != list.end(); ++member)
            checkKeys(member.value(), kind, path + "." + member.key(), lines);
    }
}

void checkKeys(const json& entry, demo::DescriptionObject kind, const std::string& path,
               std::vector<std::string>& lines)
{
    using Kind = demo::DescriptionObject;
    if (!entry.is_object())
        return;
    const std::vector<std::string>& known = demo::descriptionKeys(kind);
    for (auto member = entry.begin(); member != entry.end(); ++member) {
        if (std::find(known.begin(), known.end(), member.key()) != known.end())
            continue;
        std::string line = (path.empty() ? "" : path + ": ") + "\"" + member.key() + "\" is not a key the player reads";
        const std::string nearest = demo::nearestKey(member.key(), known);
        if (!nearest.empty())
            line += "; did you mean \"" + nearest + "\"?";
        lines.push_back(line);
    }
    const auto inside = [&](const char* key, Kind itemKind) {
        const auto found = entry.find(key);
        if (found != entry.end())
            checkItems(*found, itemKind, path.empty() ? key : path + "." + key, lines);
    };
    switch (kind) {
    case Kind::Top: {
        inside("shaders", Kind::Shader);
        inside("scenes", Kind::Scene);
        const auto release = entry.find("release");
        if (release != entry.end())
            checkKeys(*release, Kind::Release, "release", lines);
        break;
    }
    case Kind::Scene:
        inside("shader_order", Kind::Pass);
        inside("textures", Kind::Texture);
        break;
    default:
        break;
    }
}

} // namespace

const std::vector<std::string>& demo::descriptionKeys(DescriptionObject kind)
{
    static const std::vector<std::string> kTop = {"name",    "fullscreen",      "shaders",    "scenes",
                                                  "end_row", "rows_per_second", "bpm",        "rows_per_beat",
                                                  "tune",    "release",         "final_pass", "common"};
    static const std::vector<std::string> kRelease = {"fullscreen", "size"};
    static const std::vector<std::string> kShader = {"name", "vertexsrc", "fragmentsrc", "parameters", "convention"};
    static const std::vector<std::string> kScene = {"id", "shader_order", "textures"};
    static const std::vector<std::string> kPass = {"pass_order", "shader_id", "channels", "format",
                                                   "scale",      "filter",    "depth",    "define"};
    static const std::vector<std::string> kTexture = {"id", "src", "name", "vflip"};
    switch (kind) {
    case DescriptionObject::Shader:
        return kShader;
    case DescriptionObject::Scene:
        return kScene;
    case DescriptionObject::Pass:
        return kPass;
    case DescriptionObject::Texture:
        return kTexture;
    case DescriptionObject::Release:
        return kRelease;
    case DescriptionObject::Top:
        break;
    }
    return kTop;
}

std::string demo::nearestKey(const std::string& key, const std::vector<std::string>& known)
{
    // A slip changes at most a third of the letters: "fps" is not "bpm".
    // Keys people add for their own notes are no slips ("comment" is not "common").
    static const char* const kNoteKeys[] = {"comment", "comments", "note", "notes", "description", "author"};
    for (const char* note : kNoteKeys)
        if (lowerCase(key) == note)
            return "";
    std::string nearest;
    std::size_t nearestDistance = 0;
    for (const std::string& candidate : known) {
        const std::size_t distance = editDistance(lowerCase(key), lowerCase(candidate));
        const std::size_t longer = std::max(key.size(), candidate.size());
        if (distance * 3 > longer || (!nearest.empty() && distance >= nearestDistance))
            continue;
        nearest = candidate;
        nearestDistance = distance;
    }
    return nearest;
}

std::vector<std::string> demo::unknownDescriptionKeys(const json& document)
{
    std::vector<std::string> lines;
    checkKeys(document, DescriptionObject::Top, "", lines);
    return lines;
}

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

std::string demo::tuneFileOf(const char* path)
{
    std::string text;
    std::string problem;
    DemoTiming timing;
    if (!readDescriptionFile(path, text, problem))
        return timing.tuneFile;
    try {
        std::string error;
        if (!readDemoTiming(parseDescription(text), timing, error))
            return DemoTiming().tuneFile;
    } catch (const json::exception&) {
        // Its load reports it.
    }
    return timing.tuneFile;
}

bool demo::readFinalPass(const json& document)
{
    const auto value = document.find("final_pass");
    if (value == document.end())
        return true;
    if (!value->is_string() || value->get<std::string>() != "none")
        throw descriptionTypeError(*value, "final_pass", "\"none\" (or left out for the final pass)");
    return false;
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
