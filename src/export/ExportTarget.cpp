// ExportTarget: output names of exports.
#include "export/ExportTarget.h"

#include <algorithm>
#include <cctype>

#include "export/VideoExport.h"
#include "platform/process.h"

static std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

static bool endsWith(const std::string& text, const std::string& ending)
{
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// The part of `path` after its last slash.
static std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ExportTarget::parse(const std::string& name, std::string& problem)
{
    name_ = name;
    prefix_.clear();
    suffix_.clear();
    width_ = 0;
    zeroPad_ = false;

    if (name.empty() || baseName(name).empty()) {
        problem = "the output needs a file name";
        return false;
    }
    if (name.find('%') == std::string::npos) {
        const std::string lower = lowerCase(name);
        if (endsWith(lower, ".mp4")) {
            kind_ = ExportKind::Mp4;
            return true;
        }
        if (endsWith(lower, ".mkv")) {
            kind_ = ExportKind::Matroska;
            return true;
        }
        // Only what this build can write is offered.
        problem = exporting::videoExportBuilt()
                      ? "unknown kind of output: the name must end in .mp4 or .mkv, or be an image "
                        "sequence with a frame number such as frame%05d.png"
                      : "unknown kind of output: the name must be an image sequence with a frame number "
                        "such as frame%05d.png (this build writes no video)";
        return false;
    }

    // An image sequence: exactly one number conversion, in the file's own name.
    kind_ = ExportKind::ImageSequence;
    bool haveNumber = false;
    std::string* text = &prefix_;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') {
            *text += name[i];
            continue;
        }
        if (i + 1 < name.size() && name[i + 1] == '%') {
            *text += '%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool zero = false;
        if (j < name.size() && name[j] == '0') {
            zero = true;
            ++j;
        }
        int width = 0;
        size_t digits = 0;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j])) && digits < 2) {
            width = width * 10 + (name[j] - '0');
            ++j;
            ++digits;
        }
        if (j >= name.size() || name[j] != 'd' || width > 9 || haveNumber) {
            problem = haveNumber ? "an image sequence's name takes one frame number, not more"
                                 : "the frame number must be written %d, or %0Nd with N up to 9";
            return false;
        }
        if (name.find('/', j) != std::string::npos) {
            problem = "the frame number must be in the file's name, not in a folder's";
            return false;
        }
        haveNumber = true;
        zeroPad_ = zero;
        width_ = width;
        text = &suffix_;
        i = j;
    }
    if (!haveNumber) {
        problem = "unknown kind of output: a name with %% and no frame number";
        return false;
    }
    if (!endsWith(lowerCase(suffix_), ".png")) {
        problem = "image sequences are written as PNG: the name must end in .png";
        return false;
    }
    return true;
}

std::string ExportTarget::framePath(uint64_t number) const
{
    std::string digits = std::to_string(number);
    if (digits.size() < static_cast<size_t>(width_))
        digits.insert(0, static_cast<size_t>(width_) - digits.size(), zeroPad_ ? '0' : ' ');
    return prefix_ + digits + suffix_;
}

std::string ExportTarget::soundPath() const
{
    std::string stem = prefix_ + suffix_;
    return stem.substr(0, stem.size() - 4) + ".wav"; // suffix_ ends in ".png"
}

std::string ExportTarget::temporaryPath(const std::string& finalPath)
{
    // The process number keeps two exports to the same name apart.
    return finalPath + "." + platform_process_id() + ".part";
}
