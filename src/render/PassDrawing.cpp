// Reading what a pass's shader texts say about depth and coverage. Any thread.
#include "render/PassDrawing.h"

#include <cctype>
#include <cstring>

namespace {

// `text` without comments and without white space: what the reading below
// compares is then the same however the author spaced it.
std::string compact(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
            if (i == std::string::npos)
                break;
        } else if (text.compare(i, 2, "/*") == 0) {
            i = text.find("*/", i + 2);
            if (i == std::string::npos)
                break;
            ++i;
        } else if (!std::isspace(static_cast<unsigned char>(text[i]))) {
            out += text[i];
        }
    }
    return out;
}

bool isNameCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Whether `name` occurs in `code` as a whole word. The compacted text has
// lost its spaces, so "return;discard;" still shows the word by its ends.
bool mentions(const std::string& code, const char* name)
{
    const size_t length = std::strlen(name);
    for (size_t at = code.find(name); at != std::string::npos; at = code.find(name, at + 1)) {
        const bool startsWord = at == 0 || !isNameCharacter(code[at - 1]);
        const bool endsWord = at + length >= code.size() || !isNameCharacter(code[at + length]);
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

// Whether the compacted vertex text writes gl_Position once, as the player's
// own vertex shaders do (the pass camera's transform of the quad corner, at
// the quad's place), and otherwise only reads it.
bool placesQuadAsThePlayer(const std::string& code)
{
    static const char* const kPlacements[] = {
        "gl_Position=transform*vec4(s_vPosition,1.0);",
        "gl_Position=transform*vec4(s_vPosition,1.);",
        "gl_Position=transform*vec4(s_vPosition,1);",
        "gl_Position=transform*vec4(s_vPosition+obj_position,1.0);",
        "gl_Position=transform*vec4(s_vPosition+obj_position,1.);",
        "gl_Position=transform*vec4(s_vPosition+obj_position,1);",
    };
    int placements = 0;
    for (size_t at = code.find("gl_Position"); at != std::string::npos; at = code.find("gl_Position", at + 1)) {
        bool placed = false;
        for (const char* placement : kPlacements)
            if (code.compare(at, std::strlen(placement), placement) == 0)
                placed = true;
        if (placed) {
            ++placements;
            continue;
        }
        // A read of its components ("gl_Position.xy/...") leaves it as it is;
        // anything else may move the quad.
        size_t next = at + std::strlen("gl_Position");
        if (next >= code.size() || code[next] != '.')
            return false;
        ++next;
        while (next < code.size() && std::strchr("xyzwrgbastpq", code[next]) != nullptr)
            ++next;
        const char after = next < code.size() ? code[next] : '\0';
        const char secondAfter = next + 1 < code.size() ? code[next + 1] : '\0';
        const bool assigns = (after == '=' && secondAfter != '=') ||
                             (std::strchr("+-*/", after) != nullptr && after != '\0' && secondAfter == '=');
        if (assigns)
            return false;
    }
    return placements == 1;
}

} // namespace

PassSourceFacts render::passSourceFacts(const std::string& vertexSource, const std::string& fragmentSource)
{
    const std::string fragment = compact(fragmentSource);
    PassSourceFacts facts;
    facts.writesFragDepth = mentions(fragment, "gl_FragDepth");
    facts.discards = mentions(fragment, "discard");
    facts.coversTarget = placesQuadAsThePlayer(compact(vertexSource));
    return facts;
}

PassDrawing render::passDrawing(const PassSourceFacts& facts, bool asksForDepth, bool feedback)
{
    PassDrawing drawing;
    // A vertex shader that places the quad otherwise may put it on the far
    // plane, where the depth test against the cleared buffer fails it.
    drawing.depth = asksForDepth || facts.writesFragDepth || !facts.coversTarget;
    drawing.clear = drawing.depth || facts.discards || !facts.coversTarget || feedback;
    return drawing;
}
