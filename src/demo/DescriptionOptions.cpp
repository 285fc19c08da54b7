// The optional keys of shader and pass entries (see DescriptionOptions.h).
// Main thread; nothing here keeps state.
#include "demo/DescriptionOptions.h"

#include <algorithm>
#include <cctype>

#include "demo/DemoDescription.h"

namespace {

// What a channel may name, as messages list it.
constexpr const char* kChannelKinds =
    "a channel (\"pass:N\", \"pass:N:previous\", \"texture:N\", \"previous\", "
    "\"spectrum\", \"keyboard\" or \"none\")";

using nlohmann::json;

// `value` as one of `names` (the enumerators in `values`, in the same
// order); type_error naming them all otherwise.
template <class Value, std::size_t N>
Value oneOf(const json& value, const std::string& path, const char* const (&names)[N], const Value (&values)[N])
{
    std::string expected;
    for (std::size_t i = 0; i < N; ++i) {
        if (value.is_string() && value.get<std::string>() == names[i])
            return values[i];
        expected += std::string(i == 0 ? "" : i + 1 == N ? " or " : ", ") + "\"" + names[i] + "\"";
    }
    throw demo::descriptionTypeError(value, path, expected);
}

} // namespace

const ShaderConvention* demo::descriptionConvention(const json& value, const std::string& path)
{
    if (value.is_null())
        return nullptr;
    const ShaderConvention* convention = value.is_string() ? render::findShaderConvention(value.get<std::string>())
                                                           : nullptr;
    if (convention == nullptr)
        throw descriptionTypeError(value, path, render::shaderConventionNames());
    return convention;
}

SceneTextureOptions demo::descriptionTextureOptions(const json& texture, const std::string& path)
{
    SceneTextureOptions options;
    if (!texture.is_object())
        return options;
    const auto name = texture.find("name");
    if (name != texture.end() && !name->is_null())
        options.name = descriptionString(*name, path + ".name", "a sampler name (a string)");
    const auto vflip = texture.find("vflip");
    if (vflip != texture.end() && !vflip->is_null())
        options.vflip = descriptionBool(*vflip, path + ".vflip", "true or false");
    return options;
}

std::string demo::descriptionCommonPath(const json& value, const ShaderConvention* convention)
{
    const char* const kExpected =
        "a file name, or an object of file names by convention (\"shadertoy\": \"common.glsl\")";
    if (value.is_null())
        return "";
    if (value.is_string())
        return value.get<std::string>();
    if (!value.is_object())
        throw descriptionTypeError(value, "common", kExpected);
    for (auto member = value.begin(); member != value.end(); ++member) {
        if (render::findShaderConvention(member.key()) == nullptr)
            throw descriptionTypeError(member.key(), "common", "keyed by " + render::shaderConventionNames());
        if (!member.value().is_string())
            throw descriptionTypeError(member.value(), "common." + member.key(), "a file name (a string)");
    }
    if (convention == nullptr)
        return "";
    const auto found = value.find(convention->name);
    return found == value.end() ? "" : found->get<std::string>();
}

PassSettings demo::descriptionPassSettings(json& pass, const std::string& path, std::vector<std::string>& channelNames)
{
    PassSettings settings;
    settings.entryPath = path;
    channelNames.clear();
    if (!pass.is_object())
        return settings;

    const json& format = pass["format"];
    if (!format.is_null()) {
        static const char* const kNames[] = {"rgba8", "rgba16f", "rgba32f"};
        static const PassFormat kFormats[] = {PassFormat::Rgba8, PassFormat::Rgba16f, PassFormat::Rgba32f};
        settings.format = oneOf(format, path + ".format", kNames, kFormats);
    }
    const json& filter = pass["filter"];
    if (!filter.is_null()) {
        static const char* const kNames[] = {"nearest", "linear", "mipmap"};
        static const PassFilter kFilters[] = {PassFilter::Nearest, PassFilter::Linear, PassFilter::Mipmap};
        settings.filter = oneOf(filter, path + ".filter", kNames, kFilters);
    }
    const json& scale = pass["scale"];
    if (!scale.is_null()) {
        const double value = scale.is_number() ? scale.get<double>() : 0.0;
        if (!(value >= PassSettings::kSmallestScale && value <= 1.0))
            throw descriptionTypeError(scale, path + ".scale", "a number from 0.25 to 1");
        settings.scale = static_cast<float>(value);
    }
    const json& depth = pass["depth"];
    if (!depth.is_null()) {
        if (!depth.is_boolean())
            throw descriptionTypeError(depth, path + ".depth", "true or false");
        settings.depth = depth.get<bool>();
    }
    const json& define = pass["define"];
    if (!define.is_null()) {
        const std::string name = define.is_string() ? define.get<std::string>() : "";
        const bool macroName = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])) &&
                               std::all_of(name.begin(), name.end(), [](char c) {
                                   return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                               });
        if (!macroName)
            throw descriptionTypeError(define, path + ".define", "a macro name (letters, digits and _)");
        settings.define = name;
    }
    const json& channels = pass["channels"];
    if (!channels.is_null()) {
        if (!channels.is_array() || channels.size() > static_cast<std::size_t>(PassSettings::kMaxChannels))
            throw descriptionTypeError(channels, path + ".channels", "a list of up to 4 channels");
        settings.hasChannels = true;
        for (std::size_t i = 0; i < channels.size(); ++i) {
            const std::string channelPath = path + ".channels[" + std::to_string(i) + "]";
            const char* const kExpected =
                "a channel (\"pass:N\", \"pass:N:previous\", \"texture:N\", \"previous\", \"spectrum\", "
                "\"keyboard\", \"none\", or {\"input\": one of these, \"vflip\": true or false})";
            // The object form names the input and says which way up it is read.
            json entry = channels[i];
            const bool inObject = entry.is_object();
            const std::string name = descriptionString(inObject ? entry["input"] : entry,
                                                       channelPath + (inObject ? ".input" : ""), kExpected);
            PassChannel channel;
            render::parsePassChannel(name, channel);
            std::optional<bool> flip;
            if (inObject && !entry["vflip"].is_null())
                flip = descriptionBool(entry["vflip"], channelPath + ".vflip", "true or false");
            settings.channelFlips.push_back(flip);
            settings.channels.push_back(channel);
            channelNames.push_back(name);
        }
    }
    return settings;
}

std::vector<std::string> demo::channelProblems(const std::vector<ScenePassChannels>& passes, std::size_t textureCount)
{
    std::vector<std::string> problems;
    for (std::size_t passIndex = 0; passIndex < passes.size(); ++passIndex) {
        const ScenePassChannels& pass = passes[passIndex];
        for (std::size_t i = 0; i < pass.channels.size(); ++i) {
            const std::string& name = pass.channels[i];
            PassChannel channel;
            std::string why;
            if (!render::parsePassChannel(name, channel))
                why = std::string("is not ") + kChannelKinds;
            else if (channel.source == PassChannel::Source::Pass && channel.index >= static_cast<int>(passIndex))
                why = passIndex == 0 ? "names a pass, but the first pass has none before it"
                                     : "is not a pass before this one (0.." + std::to_string(passIndex - 1) +
                                           "; this pass's own last output is \"previous\")";
            else if (channel.source == PassChannel::Source::PassPrevious &&
                     channel.index >= static_cast<int>(passes.size()))
                why = "names no pass of this scene (it has " + std::to_string(passes.size()) + ")";
            else if (channel.source == PassChannel::Source::Texture &&
                     static_cast<std::size_t>(channel.index) >= textureCount)
                why = "names no texture of this scene (it has " + std::to_string(textureCount) + ")";
            if (!why.empty())
                problems.push_back(pass.path + ".channels[" + std::to_string(i) + "]: \"" + name + "\" " + why +
                                   "; it reads black");
        }
    }
    return problems;
}
