// One key as the track editor holds it: the key itself, the comment that
// followed it on its line of the text track (which goes wherever the key
// goes), and an id that tells the text track's lines which key each one
// belongs to.
#pragma once

#include <cstdint>
#include <string>

#include "sync/data.h"

struct EditorKey {
    SyncKey key;         // row, value, interpolation
    std::string comment; // the rest of its text line after the key ("   # the drop"); empty for none
    uint32_t id = 0;     // unique within its track; 0 only for keys not yet given one
};
