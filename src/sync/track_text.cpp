// The readable text form of a sync track, and writing track files.
//
// Used by the synctrack tool, the track editor and the tests. Any thread; no
// state is kept between calls.
#include "sync/track_text.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/file_write.h"

#include "platform/file_read.h"

namespace {

const char* const kTypeNames[] = {"step", "linear", "smooth", "ramp"};
constexpr int kTypeCount = 4;
// The NaN that "nan" reads as; other NaNs are written with their bits.
constexpr uint32_t kPlainNanBits = 0x7fc00000u;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The whitespace-separated words of one line, without its comment; `end`
// is where the last word ends (0 without words).
std::vector<std::string> splitWords(const std::string& line, size_t& wordsEnd)
{
    std::vector<std::string> words;
    wordsEnd = 0;
    size_t end = line.find('#');
    if (end == std::string::npos)
        end = line.size();
    size_t i = 0;
    while (i < end) {
        while (i < end && isBlank(line[i]))
            ++i;
        size_t start = i;
        while (i < end && !isBlank(line[i]))
            ++i;
        if (i > start) {
            words.push_back(line.substr(start, i - start));
            wordsEnd = i;
        }
    }
    return words;
}

// A word of a faulty line as a message shows it: at most 60 characters, so
// that a megabyte of junk on one line is not a megabyte of message.
std::string shown(const std::string& word)
{
    constexpr size_t kMost = 60;
    return word.size() <= kMost ? word : word.substr(0, kMost - 3) + "...";
}

bool parseRow(const std::string& word, int32_t& row, std::string& message)
{
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(word.c_str(), &end, 10);
    if (end != word.c_str() + word.size()) {
        message = "row must be a whole number, not \"" + shown(word) + "\"";
        return false;
    }
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) {
        message = "row " + shown(word) + " is outside -2147483648..2147483647";
        return false;
    }
    row = static_cast<int32_t>(v);
    return true;
}

// A decimal float, inf or -inf, nan, or "nan:0x" and the NaN's 32 bits,
// which keeps its payload: every value a track file can hold has a form.
bool parseValue(const std::string& word, float& value, std::string& message)
{
    if (word.compare(0, 6, "nan:0x") == 0 && word.size() > 6 && word.size() <= 14 &&
        word.find_first_not_of("0123456789abcdefABCDEF", 6) == std::string::npos) {
        const uint32_t bits = static_cast<uint32_t>(std::strtoul(word.c_str() + 6, nullptr, 16));
        std::memcpy(&value, &bits, sizeof value);
        if (std::isnan(value))
            return true;
        message = "value " + shown(word) + " is not the bit pattern of a NaN";
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(word.c_str(), &end);
    if (word.empty() || end != word.c_str() + word.size()) {
        message = "value must be a number, not \"" + shown(word) + "\"";
        return false;
    }
    // Infinity is written as inf; a number too large for a float is a slip.
    if (std::isinf(v) && errno == ERANGE) {
        message = "value " + shown(word) + " is outside the float range";
        return false;
    }
    value = v;
    return true;
}

// A type name, or any signed 8-bit number: the file holds one byte, and the
// types outside 0..3 that a file may carry must survive decode and encode.
bool parseType(const std::string& word, int32_t& type, std::string& message)
{
    for (int i = 0; i < kTypeCount; ++i) {
        if (word == kTypeNames[i]) {
            type = i;
            return true;
        }
    }
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(word.c_str(), &end, 10);
    if (!word.empty() && end == word.c_str() + word.size() && errno == 0 && number >= INT8_MIN && number <= INT8_MAX) {
        type = static_cast<int32_t>(number);
        return true;
    }
    message = "type must be step, linear, smooth, ramp or a number -128..127, not \"" + shown(word) + "\"";
    return false;
}

// Parses one line that holds words. False with a message when it is not a key.
bool parseKey(const std::vector<std::string>& words, SyncKey& key, std::string& message)
{
    if (words.size() < 3) {
        message = "expected a key: row value type";
        return false;
    }
    if (words.size() > 3) {
        message = "unexpected \"" + shown(words[3]) + "\" after the type";
        return false;
    }
    return parseRow(words[0], key.row, message) && parseValue(words[1], key.value, message) &&
           parseType(words[2], key.type, message);
}

void putInt32Le(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

uint32_t bitsOf(int32_t v)
{
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

uint32_t bitsOf(float v)
{
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

} // namespace

bool sync_parse_text_lines(const std::string& text, std::vector<SyncTextLine>& lines, SyncTextError& error)
{
    lines.clear();
    bool hasPrevious = false;
    int32_t previousRow = 0;
    size_t keyCount = 0;
    size_t start = 0;
    // Text after the last line end, if any, is the last line.
    for (int line = 1; start < text.size(); ++line) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        SyncTextLine parsed;
        parsed.text = text.substr(start, end - start);
        start = end + 1;
        if (!parsed.text.empty() && parsed.text.back() == '\r')
            parsed.text.pop_back();
        const std::vector<std::string> words = splitWords(parsed.text, parsed.keyEnd);
        if (!words.empty()) {
            std::string message;
            if (!parseKey(words, parsed.key, message)) {
                error = {line, message};
                return false;
            }
            if (hasPrevious && parsed.key.row <= previousRow) {
                error = {line, "rows must increase"};
                return false;
            }
            if (keyCount == static_cast<size_t>(INT32_MAX)) {
                error = {line, "too many keys for one track"};
                return false;
            }
            parsed.isKey = true;
            hasPrevious = true;
            previousRow = parsed.key.row;
            ++keyCount;
        }
        lines.push_back(std::move(parsed));
    }
    return true;
}

bool sync_parse_text(const std::string& text, std::vector<SyncKey>& keys, SyncTextError& error)
{
    keys.clear();
    std::vector<SyncTextLine> lines;
    if (!sync_parse_text_lines(text, lines, error))
        return false;
    for (const SyncTextLine& line : lines)
        if (line.isKey)
            keys.push_back(line.key);
    return true;
}

std::string sync_format_float(float value)
{
    if (std::isnan(value)) {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        if (bits == kPlainNanBits)
            return "nan";
        char text[32];
        std::snprintf(text, sizeof text, "nan:0x%08x", static_cast<unsigned>(bits));
        return text;
    }
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string sync_format_key(const SyncKey& key)
{
    std::string text = std::to_string(key.row);
    text += ' ';
    text += sync_format_float(key.value);
    text += ' ';
    // A type without a name came from a file made elsewhere; it stays a number.
    if (key.type >= 0 && key.type < kTypeCount)
        text += kTypeNames[key.type];
    else
        text += std::to_string(key.type);
    return text;
}

std::string sync_format_text(const SyncKey* keys, int32_t count)
{
    std::string text;
    for (int32_t i = 0; i < count; ++i) {
        text += sync_format_key(keys[i]);
        text += '\n';
    }
    return text;
}

std::vector<unsigned char> sync_encode_keys(const SyncKey* keys, int32_t count)
{
    constexpr size_t kKeyBytes = 9;
    std::vector<unsigned char> bytes(4 + kKeyBytes * static_cast<size_t>(count));
    putInt32Le(bytes.data(), bitsOf(count));
    for (int32_t i = 0; i < count; ++i) {
        unsigned char* p = bytes.data() + 4 + kKeyBytes * static_cast<size_t>(i);
        putInt32Le(p, bitsOf(keys[i].row));
        putInt32Le(p + 4, bitsOf(keys[i].value));
        p[8] = static_cast<unsigned char>(keys[i].type);
    }
    return bytes;
}

bool sync_write_track(const char* path, const SyncKey* keys, int32_t count, std::string& error)
{
    const std::vector<unsigned char> bytes = sync_encode_keys(keys, count);
    return platform_write_file_atomic(path, std::string(bytes.begin(), bytes.end()), error);
}

bool sync_read_text(const char* path, std::vector<SyncKey>& keys, std::string& problem)
{
    // Text forms are small; a larger file is surely something else.
    constexpr uint64_t kMaxTextBytes = 64ull * 1024 * 1024;
    std::string text;
    if (platform_read_file(path, kMaxTextBytes, text, problem) != PLATFORM_READ_OK) {
        problem = std::string(path) + ": " + problem;
        return false;
    }
    SyncTextError error;
    if (!sync_parse_text(text, keys, error)) {
        problem = std::string(path) + ":" + std::to_string(error.line) + ": " + error.message;
        return false;
    }
    return true;
}

SyncTrackFileState sync_track_file_state(const char* trackPath, const SyncKey* keys, int32_t count)
{
    // Bytes after the last key are not part of the track.
    const std::vector<unsigned char> encoded = sync_encode_keys(keys, count);
    std::string track;
    uint64_t trackSize = 0;
    std::string trackProblem;
    const PlatformReadStatus read = platform_read_file_start(trackPath, encoded.size(), track, trackSize, trackProblem);
    if (read == PLATFORM_READ_MISSING)
        return SYNC_TRACK_FILE_MISSING;
    if (read != PLATFORM_READ_OK || track.size() != encoded.size() ||
        std::memcmp(track.data(), encoded.data(), encoded.size()) != 0)
        return SYNC_TRACK_FILE_DIFFERS;
    return SYNC_TRACK_FILE_HOLDS;
}

SyncTextAgreement sync_compare_text(const char* textPath, const char* trackPath, std::string& problem)
{
    std::vector<SyncKey> keys;
    if (!sync_read_text(textPath, keys, problem))
        return SYNC_TEXT_UNREADABLE;
    switch (sync_track_file_state(trackPath, keys.data(), static_cast<int32_t>(keys.size()))) {
    case SYNC_TRACK_FILE_MISSING:
        return SYNC_TEXT_NO_TRACK;
    case SYNC_TRACK_FILE_DIFFERS:
        return SYNC_TEXT_DIFFERS;
    case SYNC_TRACK_FILE_HOLDS:
        break;
    }
    return SYNC_TEXT_AGREES;
}
