// The readable text form of a sync track, and writing track files.
//
// The text form holds one key per line, "row value type": a whole row, a
// float value and the interpolation type as a name (step, linear, smooth,
// ramp) or a number. Every key a track file can hold has a text form, so a
// decoded file encodes back to the same bytes: values may be inf, -inf, nan
// or "nan:0x7fc00001" (a NaN's bits), types any number -128..127; the
// player plays such keys as they are (sync_invalid_keys_problem names them). Blank lines are allowed and '#' starts a
// comment that runs to the end of the line. Rows must strictly increase.
//
// The synctrack tool and the player's track editor write track files
// through these functions; the editor also writes the text form back with
// its comments, line by line. Values are printed with 9 significant digits, which is
// enough for every float to read back to the same bits. Any thread; nothing
// here keeps state between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sync/data.h"

// Where and why a text form was refused.
struct SyncTextError {
    int line = 0;        // 1-based line number
    std::string message; // what is wrong with that line, e.g. "rows must increase"
};

// One line of a text form as written: a key with what follows it on the
// line (its own comment), or a line without a key (blank, or a comment).
struct SyncTextLine {
    std::string text;   // the line without its end ("\n" or "\r\n")
    bool isKey = false; // the line holds a key
    SyncKey key;        // that key
    size_t keyEnd = 0;  // where the key's words end in `text`; the rest is the key's comment
};

// Parses a whole text form into its lines, with the checks of
// sync_parse_text. Text after the last line end is a line; an empty text has none.
bool sync_parse_text_lines(const std::string& text, std::vector<SyncTextLine>& lines, SyncTextError& error);

// Parses a whole text form into `keys` (replacing their contents). Returns
// false and fills `error` at the first faulty line; `keys` is then unspecified.
bool sync_parse_text(const std::string& text, std::vector<SyncKey>& keys, SyncTextError& error);

// The text form of one key, "row value type", without a line end.
std::string sync_format_key(const SyncKey& key);

// The text form of `count` keys, one line each, types by name where they have one.
std::string sync_format_text(const SyncKey* keys, int32_t count);

// A float in 9 significant digits ("%.9g"): the shortest fixed precision
// that reads back to the same bits for every finite float. Infinities are
// "inf" and "-inf", the plain quiet NaN "nan", any other NaN "nan:0x" and
// its 32 bits in hex.
std::string sync_format_float(float value);

// The bytes of a track file holding `count` keys.
std::vector<unsigned char> sync_encode_keys(const SyncKey* keys, int32_t count);

// Writes the track file `path` holding `count` keys. The bytes go to a
// temporary file in the same directory that then replaces `path`, so `path`
// holds either what it held before or the whole new file. Returns false with
// a message (naming the problem, not the file) when it could not.
bool sync_write_track(const char* path, const SyncKey* keys, int32_t count, std::string& error);

// Reads and parses the text form at `path` into `keys`. False when the file
// cannot be read (a regular file of at most 64 MB) or does not parse;
// `problem` then says where and why, naming the file ("tracks/speed.txt:7:
// rows must increase", "tracks/speed.txt: cannot open: ...").
bool sync_read_text(const char* path, std::vector<SyncKey>& keys, std::string& problem);

// Whether the track file `trackPath` holds exactly `count` keys `keys`.
enum SyncTrackFileState {
    SYNC_TRACK_FILE_HOLDS = 0,   // it holds those keys, byte for byte
    SYNC_TRACK_FILE_DIFFERS = 1, // it holds other keys, or is not a track file
    SYNC_TRACK_FILE_MISSING = 2, // there is no such file
};
SyncTrackFileState sync_track_file_state(const char* trackPath, const SyncKey* keys, int32_t count);

// How a text form stands against the track file made from it.
enum SyncTextAgreement {
    SYNC_TEXT_AGREES = 0,     // the text encodes to exactly the keys the track file holds
    SYNC_TEXT_DIFFERS = 1,    // it encodes to other keys, or the track file is not one
    SYNC_TEXT_NO_TRACK = 2,   // there is no track file
    SYNC_TEXT_UNREADABLE = 3, // the text cannot be read or does not parse
};

// Compares the keys of the text form at `textPath` with those of the track
// file at `trackPath` by content, whatever the files' times say (a copied
// or checked-out folder gives every file a new time). Prints nothing; for
// SYNC_TEXT_UNREADABLE `problem` says where and why, naming the text
// ("tracks/speed.txt:7: rows must increase").
SyncTextAgreement sync_compare_text(const char* textPath, const char* trackPath, std::string& problem);
