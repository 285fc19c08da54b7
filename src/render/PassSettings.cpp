// Pass settings: channel names and what a pass's settings ask of its target.
// Pure; any thread.
#include "render/PassSettings.h"

#include <algorithm>
#include <cctype>

namespace {

// Digits after `prefix` in `text` as a number; false when there are none,
// anything else follows, or the number is implausibly large.
bool numberAfter(const std::string& text, const std::string& prefix, int& number)
{
    if (text.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string digits = text.substr(prefix.size());
    if (digits.empty() || digits.size() > 6 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return false;
    number = std::stoi(digits);
    return true;
}

bool anyChannelReads(const PassSettings& settings, PassChannel::Source source)
{
    return std::any_of(settings.channels.begin(), settings.channels.end(),
                       [&](const PassChannel& channel) { return channel.source == source; });
}

} // namespace

bool PassSettings::readsPrevious() const
{
    return keepsPrevious || define.rfind("DOUBLE_BUFFER_", 0) == 0 ||
           anyChannelReads(*this, PassChannel::Source::Previous);
}

bool PassSettings::readsSpectrum() const
{
    return anyChannelReads(*this, PassChannel::Source::Spectrum);
}

bool PassSettings::readsKeyboard() const
{
    return anyChannelReads(*this, PassChannel::Source::Keyboard);
}

bool PassSettings::hasDefaultTarget() const
{
    return format == PassFormat::Rgba16f && scale == 1.0f && filter == PassFilter::Nearest && !readsPrevious();
}

bool render::parsePassChannel(const std::string& text, PassChannel& channel)
{
    int index = 0;
    const std::string previousSuffix = ":previous";
    const bool endsPrevious = text.size() > previousSuffix.size() &&
                              text.compare(text.size() - previousSuffix.size(), previousSuffix.size(),
                                           previousSuffix) == 0;
    if (endsPrevious && numberAfter(text.substr(0, text.size() - previousSuffix.size()), "pass:", index)) {
        channel = {PassChannel::Source::PassPrevious, index};
    } else if (numberAfter(text, "pass:", index)) {
        channel = {PassChannel::Source::Pass, index};
    } else if (numberAfter(text, "texture:", index)) {
        channel = {PassChannel::Source::Texture, index};
    } else if (text == "previous") {
        channel = {PassChannel::Source::Previous, 0};
    } else if (text == "spectrum") {
        channel = {PassChannel::Source::Spectrum, 0};
    } else if (text == "keyboard") {
        channel = {PassChannel::Source::Keyboard, 0};
    } else if (text == "none") {
        channel = {PassChannel::Source::Black, 0};
    } else {
        return false;
    }
    return true;
}
