// synctrack: makes and inspects the player's track files.
//
//   synctrack encode KEYS.txt OUT.track   text form -> track file
//   synctrack encode [--all] DIR OUT_DIR  every DIR/NAME.txt -> OUT_DIR/sync_NAME.track
//   synctrack check DIR OUT_DIR           which DIR/NAME.txt differ from OUT_DIR/sync_NAME.track
//   synctrack decode FILE.track           track file -> text form on standard output
//   synctrack value FILE.track ROW...     the track's value at each row
//   synctrack --help
//
// Errors go to standard error as "file:line: message" (or "file: message")
// and end the tool with status 1; wrong usage says what was wrong, shows the
// usage and ends with status 2. An output file is either written whole or
// left as it was. The parsing and formatting live in sync/track_text.
#include <algorithm>
#include <cerrno>
#include <iostream>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "sync/device.h"
#include "sync/track_text.h"

namespace {

const char kUsage[] =
    "Usage: synctrack encode KEYS.txt OUT.track   write a track file from its text form\n"
    "       synctrack encode [--all] DIR OUT_DIR  write OUT_DIR/sync_NAME.track from every\n"
    "                                             DIR/NAME.txt whose keys differ (--all: every one)\n"
    "       synctrack check DIR OUT_DIR           name every DIR/NAME.txt whose keys differ from\n"
    "                                             OUT_DIR/sync_NAME.track (status 1 if any)\n"
    "       synctrack decode FILE.track           print a track file's text form\n"
    "       synctrack value FILE.track ROW...     print the track's value at each row\n"
    "       synctrack --help                      print this text\n"
    "\n"
    "Text form: one key per line, \"row value type\". The row is a whole number,\n"
    "rows strictly increase; the value is a float (inf, -inf, nan and nan:0xBITS\n"
    "too); the type is step, linear, smooth, ramp or a number. Blank lines are\n"
    "allowed; '#' starts a comment. Values are printed with 9 significant digits\n"
    "and read back bit-exactly. Values that are not finite and types outside 0..3\n"
    "are kept, with a warning.\n";

constexpr int kExitWrongUsage = 2;

// What was wrong, then the usage.
int usageError(const std::string& what)
{
    std::fprintf(stderr, "synctrack: %s\n", what.c_str());
    std::fputs(kUsage, stderr);
    return kExitWrongUsage;
}

// Reads a whole file into `text`. False (errno set) when it cannot.
bool readTextFile(const char* path, std::string& text)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    char buffer[64 * 1024];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// Loads a track file the way the player does, but a missing file is an error here.
bool loadTrack(const char* path, SyncTrack& track)
{
    ConsoleSink console(std::cout, std::cerr);
    SyncLoadResult result = sync_load_keys(&track, path, console);
    if (result == SYNC_LOAD_MISSING) // every other failure the reader has named
        std::fprintf(stderr, "%s: cannot open: %s\n", path, std::strerror(ENOENT));
    return result == SYNC_LOAD_OK;
}

// Exit status after printing to standard output: a full disk or a closed
// pipe must not pass for success.
int finishOutput()
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "synctrack: cannot write to standard output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

int encode(const char* textPath, const char* trackPath)
{
    std::string text;
    if (!readTextFile(textPath, text)) {
        std::fprintf(stderr, "%s: cannot read: %s\n", textPath, std::strerror(errno));
        return 1;
    }
    std::vector<SyncKey> keys;
    SyncTextError error;
    if (!sync_parse_text(text, keys, error)) {
        std::fprintf(stderr, "%s:%d: %s\n", textPath, error.line, error.message.c_str());
        return 1;
    }
    const std::string invalid = sync_invalid_keys_problem(keys.data(), static_cast<int32_t>(keys.size()));
    if (!invalid.empty())
        std::fprintf(stderr, "%s: %s\n", textPath, invalid.c_str());
    std::string problem;
    if (!sync_write_track(trackPath, keys.data(), static_cast<int32_t>(keys.size()), problem)) {
        std::fprintf(stderr, "%s: %s\n", trackPath, problem.c_str());
        return 1;
    }
    return 0;
}

// Whether `track` must be (re)made from `text`: it is missing or holds
// other keys. By content, since a copied or checked-out folder gives every
// file a new time. A text that cannot be read or parsed is encoded, to say why.
bool outOfDate(const std::filesystem::path& text, const std::filesystem::path& track)
{
    std::string problem;
    return sync_compare_text(text.u8string().c_str(), track.u8string().c_str(), problem) != SYNC_TEXT_AGREES;
}

// The texts NAME.txt of `textDir`, in name order; false (with the line said)
// when the folder cannot be listed.
bool listTexts(const char* textDir, std::vector<std::filesystem::path>& texts)
{
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::directory_iterator it(textDir, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".txt" && it->is_regular_file(error))
            texts.push_back(it->path());
    }
    if (error) {
        std::fprintf(stderr, "%s: cannot list: %s\n", textDir, error.message().c_str());
        return false;
    }
    std::sort(texts.begin(), texts.end());
    return true;
}

std::filesystem::path trackFor(const std::filesystem::path& text, const char* trackDir)
{
    return std::filesystem::path(trackDir) / ("sync_" + text.stem().string() + ".track");
}

// Encodes every NAME.txt of `textDir` into `trackDir`/sync_NAME.track, in
// name order, going on after a failure; one line per file on standard output.
int encodeDirectory(const char* textDir, const char* trackDir, bool all)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(trackDir, error)) {
        std::fprintf(stderr, "%s: not a directory\n", trackDir);
        return 1;
    }
    std::vector<fs::path> texts;
    if (!listTexts(textDir, texts))
        return 1;

    int encoded = 0, current = 0, failed = 0;
    for (const fs::path& text : texts) {
        const fs::path track = trackFor(text, trackDir);
        if (!all && !outOfDate(text, track)) {
            ++current;
            continue;
        }
        // Named with '/' between folders on every system, as the folders
        // were given, so messages read the same everywhere.
        const std::string textName = text.generic_string();
        const std::string trackName = track.generic_string();
        if (encode(textName.c_str(), trackName.c_str()) != 0) {
            ++failed;
            continue;
        }
        std::printf("%s -> %s\n", textName.c_str(), trackName.c_str());
        ++encoded;
    }
    std::printf("synctrack: %d encoded, %d up to date, %d failed\n", encoded, current, failed);
    const int output = finishOutput();
    return failed > 0 ? 1 : output;
}

// Names every NAME.txt of `textDir` whose keys differ from those of
// `trackDir`/sync_NAME.track (or that has none, or does not parse), one line
// each on standard output. Status 1 when any does.
int check(const char* textDir, const char* trackDir)
{
    std::vector<std::filesystem::path> texts;
    if (!listTexts(textDir, texts))
        return 1;
    int differing = 0;
    for (const std::filesystem::path& text : texts) {
        const std::string textName = text.generic_string();
        const std::string trackName = trackFor(text, trackDir).generic_string();
        std::string problem;
        switch (sync_compare_text(textName.c_str(), trackName.c_str(), problem)) {
        case SYNC_TEXT_AGREES:
            continue;
        case SYNC_TEXT_DIFFERS:
            std::printf("%s: its keys differ from %s\n", textName.c_str(), trackName.c_str());
            break;
        case SYNC_TEXT_NO_TRACK:
            std::printf("%s: has no %s\n", textName.c_str(), trackName.c_str());
            break;
        case SYNC_TEXT_UNREADABLE:
            std::printf("%s\n", problem.c_str());
            break;
        }
        ++differing;
    }
    const int output = finishOutput();
    return differing > 0 ? 1 : output;
}

int decode(const char* trackPath)
{
    SyncTrack track;
    if (!loadTrack(trackPath, track))
        return 1;
    std::fputs(sync_format_text(track.keys.get(), track.key_count).c_str(), stdout);
    return finishOutput();
}

int value(const char* trackPath, int rowCount, char** rowArgs)
{
    std::vector<double> rows;
    for (int i = 0; i < rowCount; ++i) {
        char* end = nullptr;
        double row = std::strtod(rowArgs[i], &end);
        if (end == rowArgs[i] || *end != '\0') {
            std::fprintf(stderr, "synctrack: not a row: \"%s\"\n", rowArgs[i]);
            return 1;
        }
        rows.push_back(row);
    }
    SyncTrack track;
    if (!loadTrack(trackPath, track))
        return 1;
    for (double row : rows)
        std::printf("%s\n", sync_format_float(sync_track_value(&track, row)).c_str());
    return finishOutput();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usageError("no command given");
    std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "encode") {
        const bool all = argc > 2 && std::strcmp(argv[2], "--all") == 0;
        if (all && argc == 5)
            return encodeDirectory(argv[3], argv[4], true);
        if (all)
            return usageError("encode --all needs a folder of texts and an output folder");
        if (argc != 4)
            return usageError("encode needs a text and a track file, or a folder of texts and an output folder");
        std::error_code error;
        if (std::filesystem::is_directory(argv[2], error))
            return encodeDirectory(argv[2], argv[3], false);
        return encode(argv[2], argv[3]);
    }
    if (command == "check")
        return argc == 4 ? check(argv[2], argv[3]) : usageError("check needs a folder of texts and a track folder");
    if (command == "decode")
        return argc == 3 ? decode(argv[2]) : usageError("decode needs one track file");
    if (command == "value")
        return argc >= 4 ? value(argv[2], argc - 3, argv + 3)
                         : usageError("value needs a track file and at least one row");
    return usageError("unknown command \"" + command + "\"");
}
