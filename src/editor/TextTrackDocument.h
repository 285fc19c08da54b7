// A text track (tracks/NAME.txt) as its lines, so that the track editor can
// write it back with every comment and blank line where it was: lines
// without a key stay as they are, a key's line is rewritten only when its
// key changed (keeping the key's own comment), lines of deleted keys go,
// and a new key goes right after the line of the key before it (or before
// the first key's line when it comes first).
//
// The parsing and the key's text are the track text form's (sync/track_text).
// Main thread; a document belongs to its EditorTrack.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/EditorKey.h"
#include "sync/track_text.h"

class TextTrackDocument {
public:
    // Reads `text` as this document. Its keys go to `keys`, in order, each
    // with its comment and a new id taken from `nextId`. False with `error`
    // (and the document unchanged) when the text does not parse.
    bool parse(const std::string& text, uint32_t& nextId, std::vector<EditorKey>& keys, SyncTextError& error);

    // The text holding `keys` (rows increasing) in this document's lines;
    // the document then is that text.
    std::string write(const std::vector<EditorKey>& keys);

private:
    struct Line {
        std::string text; // as written, without the line end
        uint32_t keyId;   // the key on this line; 0 for a line without one
        SyncKey key;      // that key as the line has it
    };

    std::vector<Line> lines_;
    bool crlf_ = false; // the text ends its lines with "\r\n"
};
