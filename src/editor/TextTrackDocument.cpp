// Text tracks as lines, written back with their comments. Main thread.
#include "editor/TextTrackDocument.h"

#include <cstring>
#include <unordered_map>

namespace {

bool sameKey(const SyncKey& a, const SyncKey& b)
{
    // Values by their bits: a NaN's payload is part of the key.
    return a.row == b.row && a.type == b.type && std::memcmp(&a.value, &b.value, sizeof a.value) == 0;
}

} // namespace

bool TextTrackDocument::parse(const std::string& text, uint32_t& nextId, std::vector<EditorKey>& keys,
                              SyncTextError& error)
{
    std::vector<SyncTextLine> parsed;
    if (!sync_parse_text_lines(text, parsed, error))
        return false;
    keys.clear();
    lines_.clear();
    lines_.reserve(parsed.size());
    for (SyncTextLine& line : parsed) {
        uint32_t id = 0;
        if (line.isKey) {
            id = nextId++;
            keys.push_back({line.key, line.text.substr(line.keyEnd), id});
        }
        lines_.push_back({std::move(line.text), id, line.key});
    }
    crlf_ = text.find("\r\n") != std::string::npos;
    return true;
}

std::string TextTrackDocument::write(const std::vector<EditorKey>& keys)
{
    std::unordered_map<uint32_t, size_t> indexOf;
    indexOf.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i].id != 0)
            indexOf.emplace(keys[i].id, i);

    // A key keeps its line while the keys' order allows it; a key that moved
    // past others is written as a new one (with its comment).
    std::vector<long long> keptIndex(lines_.size(), -1);
    std::vector<bool> placed(keys.size(), false);
    long long last = -1;
    for (size_t l = 0; l < lines_.size(); ++l) {
        if (lines_[l].keyId == 0)
            continue;
        const auto found = indexOf.find(lines_[l].keyId);
        if (found != indexOf.end() && static_cast<long long>(found->second) > last) {
            keptIndex[l] = last = static_cast<long long>(found->second);
            placed[found->second] = true;
        }
    }

    std::vector<Line> out;
    out.reserve(lines_.size() + keys.size());
    size_t next = 0; // the first key not written yet
    auto writeNewKeys = [&](size_t end) {
        for (; next < end && !placed[next]; ++next)
            out.push_back({sync_format_key(keys[next].key) + keys[next].comment, keys[next].id, keys[next].key});
    };
    for (size_t l = 0; l < lines_.size(); ++l) {
        Line& line = lines_[l];
        if (line.keyId == 0) {
            out.push_back(std::move(line));
            continue;
        }
        if (keptIndex[l] < 0)
            continue; // its key is gone
        const size_t index = static_cast<size_t>(keptIndex[l]);
        writeNewKeys(index); // keys before the first kept one
        const EditorKey& key = keys[index];
        if (sameKey(line.key, key.key))
            out.push_back(std::move(line));
        else
            out.push_back({sync_format_key(key.key) + key.comment, key.id, key.key});
        next = index + 1;
        writeNewKeys(keys.size()); // the new keys that follow it
    }
    writeNewKeys(keys.size());
    lines_ = std::move(out);

    const char* end = crlf_ ? "\r\n" : "\n";
    std::string text;
    for (const Line& line : lines_) {
        text += line.text;
        text += end;
    }
    return text;
}
