// Assembling a shader's text from its file, its #include files and its
// convention, with the line map back to the files (see ShaderSource.h).
// Pure apart from the file reader; any thread.
#include "render/ShaderSource.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/file_read.h"
#include "render/ShaderLog.h"

namespace {

bool isWordCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The line without comments and surrounding blanks; `inComment` carries a
// /* */ comment from one line to the next.
std::string codeOf(const std::string& line, bool& inComment)
{
    std::string code;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (inComment) {
            if (line.compare(i, 2, "*/") == 0) {
                inComment = false;
                ++i;
            }
        } else if (line.compare(i, 2, "/*") == 0) {
            inComment = true;
            ++i;
            code += ' ';
        } else if (line.compare(i, 2, "//") == 0) {
            break;
        } else {
            code += line[i];
        }
    }
    const std::size_t first = code.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return code.substr(first, code.find_last_not_of(" \t") + 1 - first);
}

// Whether `code` (a line without comments) is the preprocessor directive `name`.
bool isDirective(const std::string& code, const char* name)
{
    if (code.empty() || code[0] != '#')
        return false;
    std::size_t at = code.find_first_not_of(" \t", 1);
    const std::string word(name);
    if (at == std::string::npos || code.compare(at, word.size(), word) != 0)
        return false;
    at += word.size();
    return at == code.size() || !isWordCharacter(code[at]);
}

// The file name of an #include line (`code` without comments); false when
// it is not in double quotes.
bool includedName(const std::string& code, std::string& name)
{
    const std::size_t open = code.find('"');
    const std::size_t close = open == std::string::npos ? open : code.find('"', open + 1);
    if (close == std::string::npos || close == open + 1 || close + 1 != code.size())
        return false;
    name = code.substr(open + 1, close - open - 1);
    return true;
}

// `name` as an #include in `includer` names it: relative to the includer's folder.
std::string includedPath(const std::string& includer, const std::string& name)
{
    const std::filesystem::path named = std::filesystem::u8path(name);
    if (named.is_absolute())
        return named.lexically_normal().generic_u8string();
    return (std::filesystem::u8path(includer).parent_path() / named).lexically_normal().generic_u8string();
}

// `line` with each whole word of the renames replaced.
std::string renameWords(const std::string& line, const std::vector<ConventionRename>& renames)
{
    if (renames.empty())
        return line;
    std::string renamed;
    renamed.reserve(line.size());
    for (std::size_t i = 0; i < line.size();) {
        if (!isWordCharacter(line[i])) {
            renamed += line[i++];
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && isWordCharacter(line[end]))
            ++end;
        const auto rename = std::find_if(renames.begin(), renames.end(), [&](const ConventionRename& candidate) {
            return line.compare(i, end - i, candidate.word) == 0;
        });
        if (rename == renames.end())
            renamed.append(line, i, end - i);
        else
            renamed += rename->replacement;
        i = end;
    }
    return renamed;
}

bool mentionsWord(const std::string& text, const std::string& word)
{
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const std::size_t after = at + word.size();
        if ((at == 0 || !isWordCharacter(text[at - 1])) && (after >= text.size() || !isWordCharacter(text[after])))
            return true;
    }
    return false;
}

// One line of the assembled text before it is joined: its text and origin.
struct PendingLine {
    std::string text;
    int file; // -1: added by the player
    int line;
};

// Replaces #include lines by the files they name, recursively.
class IncludeExpander {
public:
    IncludeExpander(const ShaderSource::FileReader& read, std::vector<std::string>& files,
                    std::vector<PendingLine>& lines, std::string& error)
        : read_(read), files_(files), lines_(lines), error_(error)
    {
    }

    // Expands file `fileIndex` (files_[fileIndex]) with text `text`.
    bool expand(int fileIndex, const std::string& text)
    {
        const std::string path = files_[static_cast<std::size_t>(fileIndex)];
        open_.push_back(path);
        bool inComment = false;
        int number = 0;
        for (const std::string& line : splitLines(text)) {
            ++number;
            const bool startsInComment = inComment;
            const std::string code = codeOf(line, inComment);
            if (startsInComment || !isDirective(code, "include")) {
                lines_.push_back({line, fileIndex, number});
                continue;
            }
            if (!include(path, number, code))
                return false;
        }
        open_.pop_back();
        return true;
    }

private:
    bool include(const std::string& path, int number, const std::string& code)
    {
        const std::string where = path + ":" + std::to_string(number) + ": ";
        std::string name;
        if (!includedName(code, name)) {
            error_ = where + "#include needs a file name in double quotes: #include \"file\"";
            return false;
        }
        const std::string target = includedPath(path, name);
        const auto open = std::find(open_.begin(), open_.end(), target);
        if (open != open_.end()) {
            std::string chain;
            for (auto it = open; it != open_.end(); ++it)
                chain += *it + " -> ";
            error_ = where + "#include \"" + name + "\" includes a file within itself (" + chain + target + ")";
            return false;
        }
        if (std::find(files_.begin(), files_.end(), target) != files_.end())
            return true; // each file goes in once
        files_.push_back(target);
        std::string text, problem;
        if (!read_(target, text, problem)) {
            error_ = where + "cannot include \"" + name + "\": " + target + ": " + problem;
            return false;
        }
        return expand(static_cast<int>(files_.size() - 1), text);
    }

    const ShaderSource::FileReader& read_;
    std::vector<std::string>& files_;
    std::vector<PendingLine>& lines_;
    std::string& error_;
    std::vector<std::string> open_; // the files being expanded, outermost first
};

// Where the convention's declarations go: after the #version line and any
// #extension lines that follow it (which must come before declarations).
// `hasVersion` tells whether the source has a #version line at all.
std::size_t declarationPlace(const std::vector<PendingLine>& lines, bool& hasVersion)
{
    bool inComment = false;
    std::size_t at = 0;
    hasVersion = false;
    for (; at < lines.size(); ++at) {
        const std::string code = codeOf(lines[at].text, inComment);
        if (code.empty())
            continue;
        if (isDirective(code, "version"))
            hasVersion = true;
        break;
    }
    if (!hasVersion)
        return 0;
    std::size_t place = ++at;
    for (; at < lines.size(); ++at) {
        const std::string code = codeOf(lines[at].text, inComment);
        if (isDirective(code, "extension"))
            place = at + 1;
        else if (!code.empty())
            break;
    }
    return place;
}

// The lines a convention adds before the source and after it.
void conventionAdditions(const ShaderConvention& convention, const std::string& source, bool hasVersion,
                         std::vector<std::string>& before, std::vector<std::string>& after)
{
    if (!hasVersion)
        before.push_back("#version 330 core");
    for (const ConventionUniform& uniform : convention.uniforms) {
        // Only what the source uses: the compiler reads no more than the
        // same shader written by hand would give it.
        if (!mentionsWord(source, uniform.name) || render::declaresVariable(source, "uniform", uniform.name))
            continue;
        const std::string array = uniform.arraySize > 0 ? "[" + std::to_string(uniform.arraySize) + "]" : "";
        before.push_back(std::string("uniform ") + uniform.type + " " + uniform.name + array + ";");
    }
    const std::string output = convention.output;
    const bool outputUsed = convention.callsMainImage || mentionsWord(source, output);
    if (!output.empty() && outputUsed && !render::declaresVariable(source, "out", output))
        before.push_back("out vec4 " + output + ";");
    if (convention.callsMainImage) {
        after.push_back("void main()");
        after.push_back("{");
        after.push_back("    mainImage(" + output + ", gl_FragCoord.xy);");
        after.push_back("}");
    }
}

// The words of the GLSL of OpenGL ES 1.00 that a desktop core compiler
// refuses, with their present-day equivalents.
const std::vector<ConventionRename>& es100Renames(bool fragment)
{
    static const std::vector<ConventionRename> kFragment = {{"varying", "in"},
                                                            {"texture2D", "texture"},
                                                            {"texture2DProj", "textureProj"},
                                                            {"texture2DLod", "textureLod"},
                                                            {"textureCube", "texture"},
                                                            {"textureCubeLod", "textureLod"},
                                                            {"gl_FragColor", "esFragColor"}};
    static const std::vector<ConventionRename> kVertex = {{"attribute", "in"},        {"varying", "out"},
                                                          {"texture2D", "texture"},   {"texture2DLod", "textureLod"},
                                                          {"textureCube", "texture"}, {"textureCubeLod", "textureLod"}};
    return fragment ? kFragment : kVertex;
}

// The output an ES 1.00 fragment shader's gl_FragColor becomes.
constexpr const char* kEsFragmentOutput = "esFragColor";

// The index of the first line that holds code, or lines.size().
std::size_t firstCodeLine(const std::vector<PendingLine>& lines)
{
    bool inComment = false;
    for (std::size_t at = 0; at < lines.size(); ++at)
        if (!codeOf(lines[at].text, inComment).empty())
            return at;
    return lines.size();
}

} // namespace

std::string render::shaderText(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size() + 1);
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        // Text-mode reading: a "\r\n" line end counts as "\n".
        std::size_t lineEnd = end;
        if (lineEnd > start && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        text.append(bytes, start, lineEnd - start);
        text += '\n';
        start = end + 1;
    }
    return text;
}

bool render::readShaderFile(const std::string& path, std::string& text, std::string& problem)
{
    std::string bytes;
    if (platform_read_file(path.c_str(), kMaxShaderSourceBytes, bytes, problem) != PLATFORM_READ_OK)
        return false;
    text = shaderText(bytes);
    return true;
}

std::string render::desktopVersionLine(const std::string& code, int& esVersion)
{
    esVersion = 0;
    if (!isDirective(code, "version"))
        return "";
    std::string words;
    for (char c : code.substr(code.find("version") + 7))
        if (c != ' ' && c != '\t')
            words += c;
    struct EsVersion {
        const char* words;
        int number;
        const char* desktop;
    };
    static const EsVersion kVersions[] = {{"100", 100, "#version 330 core"},
                                          {"300es", 300, "#version 330 core"},
                                          {"310es", 310, "#version 430 core"},
                                          {"320es", 320, "#version 450 core"}};
    for (const EsVersion& version : kVersions)
        if (words == version.words) {
            esVersion = version.number;
            return version.desktop;
        }
    return "";
}

bool render::declaresVariable(const std::string& source, const std::string& qualifier, const std::string& name)
{
    if (name.empty() || qualifier.empty())
        return false;
    for (std::size_t at = source.find(qualifier); at != std::string::npos; at = source.find(qualifier, at + 1)) {
        const std::size_t after = at + qualifier.size();
        if ((at > 0 && isWordCharacter(source[at - 1])) || (after < source.size() && isWordCharacter(source[after])))
            continue;
        const std::size_t end = source.find(';', at);
        if (mentionsWord(source.substr(at, end == std::string::npos ? std::string::npos : end - at), name))
            return true;
    }
    return false;
}

ShaderSource ShaderSource::assemble(const std::string& path, const std::string& text,
                                    const ShaderConvention* convention, const FileReader& read)
{
    SourceAdditions additions;
    additions.convention = convention;
    return assemble(path, text, additions, read);
}

ShaderSource ShaderSource::assemble(const std::string& path, const std::string& text, const SourceAdditions& additions,
                                    const FileReader& read)
{
    ShaderSource source;
    source.files_.push_back(path);
    std::vector<PendingLine> lines;
    IncludeExpander expander(read, source.files_, lines, source.error_);
    if (!expander.expand(0, text))
        return source;

    // The common file, unless the source includes it itself.
    std::vector<PendingLine> common;
    const std::string& commonPath = additions.commonPath;
    if (!commonPath.empty() &&
        std::find(source.files_.begin(), source.files_.end(), commonPath) == source.files_.end()) {
        source.files_.push_back(commonPath);
        std::string commonText, problem;
        if (!read(commonPath, commonText, problem)) {
            source.error_ = commonPath + ": cannot read the demo's \"common\" source: " + problem;
            return source;
        }
        IncludeExpander commonExpander(read, source.files_, common, source.error_);
        if (!commonExpander.expand(static_cast<int>(source.files_.size() - 1), commonText))
            return source;
    }

    // A source in the GLSL of OpenGL ES compiles as desktop GLSL: its
    // version line is replaced where it stands, so every line keeps its place.
    int esVersion = 0;
    const std::size_t versionAt = firstCodeLine(lines);
    if (versionAt < lines.size()) {
        bool inComment = false;
        const std::string desktop = render::desktopVersionLine(codeOf(lines[versionAt].text, inComment), esVersion);
        if (!desktop.empty())
            lines[versionAt].text = desktop;
    }

    const ShaderConvention* convention = additions.convention;
    std::vector<ConventionRename> renames;
    if (convention != nullptr)
        renames = convention->renames;
    if (esVersion == 100)
        for (const ConventionRename& rename : es100Renames(additions.fragment))
            renames.push_back(rename); // after the convention's, which win
    std::string renamed;
    for (std::vector<PendingLine>* part : {&common, &lines})
        for (PendingLine& line : *part) {
            line.text = renameWords(line.text, renames);
            renamed += line.text + "\n";
        }

    std::vector<std::string> before, after;
    bool hasVersion = false;
    const std::size_t place = declarationPlace(lines, hasVersion);
    if (convention != nullptr) {
        source.conventionName_ = convention->name;
        conventionAdditions(*convention, renamed, hasVersion, before, after);
    }
    if (esVersion == 100 && additions.fragment && mentionsWord(renamed, kEsFragmentOutput) &&
        !render::declaresVariable(renamed, "out", kEsFragmentOutput))
        before.push_back(std::string("out vec4 ") + kEsFragmentOutput + ";");
    for (const std::string& name : additions.defines)
        before.push_back("#define " + name);
    source.addsLines_ = esVersion != 0 || !before.empty() || !common.empty();

    for (std::size_t i = 0; i < place; ++i)
        source.addLine(lines[i].text, lines[i].file, lines[i].line);
    for (const std::string& line : before)
        source.addLine(line, -1, 0);
    for (const PendingLine& line : common)
        source.addLine(line.text, line.file, line.line);
    for (std::size_t i = place; i < lines.size(); ++i)
        source.addLine(lines[i].text, lines[i].file, lines[i].line);
    for (const std::string& line : after)
        source.addLine(line, -1, 0);
    return source;
}

ShaderSource ShaderSource::plain(const std::string& name, const std::string& text)
{
    ShaderSource source;
    source.files_.push_back(name);
    int number = 0;
    for (const std::string& line : splitLines(text))
        source.addLine(line, 0, ++number);
    return source;
}

ShaderSource ShaderSource::forGlslEs() const
{
    ShaderSource es;
    es.error_ = error_;
    es.files_ = files_;
    es.conventionName_ = conventionName_;
    es.forGlslEs_ = true;
    if (!ok())
        return es;
    std::vector<PendingLine> lines;
    const std::vector<std::string> texts = splitLines(text_);
    for (std::size_t i = 0; i < texts.size() && i < lines_.size(); ++i)
        lines.push_back({texts[i], lines_[i].file, lines_[i].line});
    bool hasVersion = false;
    const std::size_t place = declarationPlace(lines, hasVersion);
    static const char* const kPrecisions[] = {"precision highp float;",          "precision highp int;",
                                              "precision highp sampler2D;",      "precision highp samplerCube;",
                                              "precision highp sampler3D;",      "precision highp sampler2DArray;",
                                              "precision highp sampler2DShadow;"};
    if (!hasVersion)
        es.addLine("#version 300 es", -1, 0);
    bool inComment = false;
    bool versionSeen = !hasVersion;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == place)
            for (const char* precision : kPrecisions)
                es.addLine(precision, -1, 0);
        const bool isVersion = !versionSeen && isDirective(codeOf(lines[i].text, inComment), "version");
        versionSeen = versionSeen || isVersion;
        es.addLine(isVersion ? "#version 300 es" : lines[i].text, lines[i].file, lines[i].line);
    }
    if (place >= lines.size())
        for (const char* precision : kPrecisions)
            es.addLine(precision, -1, 0);
    return es;
}

void ShaderSource::addLine(const std::string& text, int file, int line)
{
    text_ += text;
    text_ += '\n';
    lines_.push_back({file, line});
}

std::string ShaderSource::origin(int line) const
{
    if (line < 1 || lines_.empty())
        return "";
    // A line past the end (where a driver reports an unexpected end) follows
    // on from the last one.
    const std::size_t last = lines_.size();
    const int beyond = static_cast<std::size_t>(line) > last ? line - static_cast<int>(last) : 0;
    const LineOrigin& origin = lines_[static_cast<std::size_t>(line - beyond) - 1];
    if (origin.file < 0)
        return "";
    return files_[static_cast<std::size_t>(origin.file)] + ":" + std::to_string(origin.line + beyond);
}

std::string ShaderSource::mapLog(const std::string& log) const
{
    const std::string own = files_.empty() ? std::string() : files_.front();
    return render::rewriteShaderLog(log, [&](int line, const std::string& column, const std::string& message) {
        const std::string where = origin(line);
        if (!where.empty())
            return where + (column.empty() ? "" : ":" + column) + ":" + message;
        // A line the player added.
        if (!conventionName_.empty())
            return own + ":" + message + " (in what the \"" + conventionName_ + "\" convention adds)";
        return own + ":" + message;
    });
}
