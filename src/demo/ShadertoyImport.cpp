// Planning an import of the shader site's export (see ShadertoyImport.h).
// Pure; any thread.
#include "demo/ShadertoyImport.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include <nlohmann/json.hpp>

#include "demo/DemoDescription.h"
#include "demo/DemoFiles.h"

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

// Where the passes' sources and the site's images go in the demo folder.
const char* const kSourceFolder = "shaders/";
const char* const kTextureFolder = "textures/";
const char* const kConvention = "shadertoy";

// The output ids the site gives its four buffers, newer and older exports.
const char* const kBufferIds[] = {"4dXGR8", "XsXGR8", "4sXGR8", "XdfGR8"};
const char* const kBufferNumbers[] = {"257", "258", "259", "260"};

// `path` in the demo folder as a message names it.
std::string inFolder(const ShadertoyImportRequest& request, const std::string& path)
{
    if (request.folderName.empty())
        return path;
    const char last = request.folderName.back();
    return request.folderName + (last == '/' || last == '\\' ? "" : "/") + path;
}

// A malformed export: its message goes after the export's name.
struct ExportError {
    std::string what;
};

// One pass of the export that the scene draws.
struct ExportPass {
    const json* entry = nullptr;
    std::string name;                   // "Buffer A", "Image"
    bool image = false;                 // the Image pass (else a buffer)
    int letter = -1;                    // a buffer's letter (0 for A), -1 when unknown
    std::vector<std::string> outputIds; // what the inputs reading it name
    std::string path;                   // its source file in the demo folder
};

// `value` as text for comparing ids: strings as they are, numbers as written.
std::string idText(const json& value)
{
    return value.is_string() ? value.get<std::string>() : value.is_null() ? "" : value.dump();
}

// The string member `key` of `object` ("" when absent); ExportError when it is not a string.
std::string stringMember(const json& object, const char* key, const std::string& path)
{
    const auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return "";
    if (!found->is_string())
        throw ExportError{path + "." + key + " must be a string, not " + found->dump()};
    return found->get<std::string>();
}

// A sampler flag: "true" / "false" as the site writes them, or a JSON boolean.
bool samplerFlag(const json& input, const char* key, bool otherwise)
{
    const auto sampler = input.find("sampler");
    if (sampler == input.end() || !sampler->is_object())
        return otherwise;
    const auto flag = sampler->find(key);
    if (flag == sampler->end())
        return otherwise;
    if (flag->is_boolean())
        return flag->get<bool>();
    if (flag->is_string())
        return flag->get<std::string>() == "true" ? true : flag->get<std::string>() == "false" ? false : otherwise;
    return otherwise;
}

std::string samplerText(const json& input, const char* key)
{
    const auto sampler = input.find("sampler");
    if (sampler == input.end() || !sampler->is_object())
        return "";
    const auto value = sampler->find(key);
    return value != sampler->end() && value->is_string() ? value->get<std::string>() : "";
}

// The shader object (with "renderpass") that `document` holds: the site's
// {"Shader": {...}}, a list of those (or of bare shaders), or a bare one.
// With `pick`, the one whose name or id it is.
const json& chooseShader(const json& document, const std::string& pick)
{
    std::vector<const json*> shaders;
    auto add = [&](const json& value) {
        if (!value.is_object())
            return;
        const auto wrapped = value.find("Shader");
        if (wrapped != value.end() && wrapped->is_object())
            shaders.push_back(&*wrapped);
        else if (value.contains("renderpass"))
            shaders.push_back(&value);
    };
    if (document.is_array())
        for (const json& value : document)
            add(value);
    else
        add(document);
    if (shaders.empty()) {
        if (document.is_object() && document.contains("Error"))
            throw ExportError{"the site answered with an error, not a shader: " + idText(document["Error"])};
        throw ExportError{"no shader in it (expected {\"Shader\": {\"info\": ..., \"renderpass\": [...]}})"};
    }
    if (pick.empty())
        return *shaders.front();
    std::string names;
    for (const json* shader : shaders) {
        const json info = shader->value("info", json::object());
        const std::string name = info.is_object() ? idText(info.value("name", json())) : "";
        const std::string id = info.is_object() ? idText(info.value("id", json())) : "";
        if (pick == name || pick == id)
            return *shader;
        names += (names.empty() ? "" : ", ") + ("\"" + (name.empty() ? id : name) + "\"");
    }
    throw ExportError{"no shader named \"" + pick + "\" in it (it holds " + names + ")"};
}

// A buffer's letter from its name ("Buffer A", "Buf B") or its output id; -1 when neither says.
int bufferLetter(const std::string& name, const std::vector<std::string>& outputIds)
{
    if (name.size() >= 5 && name.compare(0, 3, "Buf") == 0 && name[name.size() - 2] == ' ' &&
        std::isupper(static_cast<unsigned char>(name.back())))
        return name.back() - 'A';
    for (const std::string& id : outputIds)
        for (int k = 0; k < 4; ++k)
            if (id == kBufferIds[k] || id == kBufferNumbers[k])
                return k;
    return -1;
}

// The file stem for a pass named `name`: "Buffer A" -> "buffer_a".
std::string fileStem(const std::string& name, const std::string& otherwise)
{
    std::string stem;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u))
            stem += static_cast<char>(std::tolower(u));
        else if (!stem.empty() && stem.back() != '_')
            stem += '_';
    }
    while (!stem.empty() && stem.back() == '_')
        stem.pop_back();
    return stem.empty() ? otherwise : stem;
}

// The basename of the site's media path ("/media/a/abc.png" -> "abc.png").
std::string baseName(const std::string& src)
{
    const std::size_t slash = src.find_last_of("/\\");
    return slash == std::string::npos ? src : src.substr(slash + 1);
}

// What the import found in the export's passes.
struct ExportShader {
    std::string name;
    std::string id;
    std::vector<ExportPass> passes;    // in drawing order: buffers by letter, then the Image
    const json* common = nullptr;      // the Common tab, if any
    std::vector<std::string> notDrawn; // lines for the passes the player cannot draw
};

ExportShader readShader(const json& shader, const std::string& exportName)
{
    ExportShader found;
    const json info = shader.value("info", json::object());
    if (info.is_object()) {
        found.name = idText(info.value("name", json()));
        found.id = idText(info.value("id", json()));
    }
    const auto renderpass = shader.find("renderpass");
    if (renderpass == shader.end() || !renderpass->is_array())
        throw ExportError{"the shader has no \"renderpass\" list"};
    std::vector<ExportPass> buffers;
    std::optional<ExportPass> image;
    for (std::size_t i = 0; i < renderpass->size(); ++i) {
        const json& entry = (*renderpass)[i];
        const std::string path = "renderpass[" + std::to_string(i) + "]";
        if (!entry.is_object())
            throw ExportError{path + " must be an object, not " + entry.dump()};
        const std::string type = stringMember(entry, "type", path);
        const std::string name = stringMember(entry, "name", path);
        const auto code = entry.find("code");
        if (type == "image" || type == "buffer" || type == "common") {
            if (code == entry.end() || !code->is_string())
                throw ExportError{path + " (\"" + name + "\") has no \"code\" string"};
        }
        ExportPass pass;
        pass.entry = &entry;
        pass.name = name;
        const auto outputs = entry.find("outputs");
        if (outputs != entry.end() && outputs->is_array())
            for (const json& output : *outputs)
                if (output.is_object())
                    pass.outputIds.push_back(idText(output.value("id", json())));
        if (type == "common") {
            if (found.common == nullptr)
                found.common = &entry;
        } else if (type == "image") {
            if (image)
                throw ExportError{path + ": a second Image pass (\"" + name + "\")"};
            pass.image = true;
            if (pass.name.empty())
                pass.name = "Image";
            image = pass;
        } else if (type == "buffer") {
            pass.letter = bufferLetter(name, pass.outputIds);
            if (pass.name.empty())
                pass.name = "Buffer " + std::string(1, static_cast<char>('A' + buffers.size()));
            buffers.push_back(pass);
        } else {
            const std::string what = type == "sound"
                                         ? "a Sound pass (sound made by a shader), which the player does not "
                                           "support; it is left out and the demo plays its tune"
                                         : (type == "cubemap" ? "a Cubemap pass" : "a pass of type \"" + type + "\"") +
                                               std::string(
                                                   ", which the player does not support; it is left out "
                                                   "and channels reading it read black");
            found.notDrawn.push_back(exportName + ": \"" + name + "\" is " + what);
        }
    }
    if (!image)
        throw ExportError{"the shader has no Image pass (a renderpass of \"type\": \"image\")"};
    // The site draws Buffer A, B, C, D in this order, whatever the list's.
    std::stable_sort(buffers.begin(), buffers.end(), [](const ExportPass& a, const ExportPass& b) {
        return (a.letter < 0 ? 1000 : a.letter) < (b.letter < 0 ? 1000 : b.letter);
    });
    found.passes = buffers;
    found.passes.push_back(*image);
    return found;
}

// Whether every one of `stems` is free in `folder`.
bool folderIsFree(const std::string& folder, const std::vector<std::string>& stems,
                  const std::function<bool(const std::string&)>& exists)
{
    return std::none_of(stems.begin(), stems.end(),
                        [&](const std::string& stem) { return exists(folder + stem + ".fsh"); });
}

// The folder for the sources: shaders/, else shaders/NAME/, shaders/NAME_2/, ...
std::string sourceFolder(const std::string& shaderStem, const std::vector<std::string>& stems,
                         const std::function<bool(const std::string&)>& exists)
{
    std::string folder = kSourceFolder;
    if (folderIsFree(folder, stems, exists))
        return folder;
    for (int n = 1;; ++n) {
        folder = std::string(kSourceFolder) + shaderStem + (n == 1 ? "" : "_" + std::to_string(n)) + "/";
        if (folderIsFree(folder, stems, exists))
            return folder;
    }
}

// The scene being made: its textures and the filters buffers' readers ask for.
struct SceneWiring {
    ordered_json textures = ordered_json::array();
    std::map<std::string, std::size_t> textureBySource;
    std::map<std::size_t, std::string> bufferFilter; // pass index -> the smooth filter its readers ask for
};

// What channel `input` of pass `passIndex` reads, as a "channels" entry; warnings for what the player lacks.
ordered_json wireChannel(const json& input, const std::vector<ExportPass>& passes, std::size_t passIndex,
                         const ShadertoyImportRequest& request, SceneWiring& scene, std::vector<std::string>& warnings)
{
    const ExportPass& reader = passes[passIndex];
    const std::string type = input.contains("ctype") ? idText(input["ctype"]) : idText(input.value("type", json()));
    const std::string src = input.contains("src") ? idText(input["src"]) : idText(input.value("filepath", json()));
    const std::string channelName = "\"" + reader.name + "\" iChannel" + idText(input.value("channel", json()));
    auto black = [&](const std::string& what) {
        warnings.push_back(request.exportName + ": " + channelName + " reads " + what +
                           ", which the player does not support; it reads black");
        return ordered_json("none");
    };

    if (type == "buffer") {
        const std::string id = idText(input.value("id", json()));
        std::size_t target = passes.size();
        for (std::size_t p = 0; p < passes.size() && target == passes.size(); ++p)
            if (!passes[p].image &&
                std::find(passes[p].outputIds.begin(), passes[p].outputIds.end(), id) != passes[p].outputIds.end())
                target = p;
        // Older exports name the buffer by its preview picture, buffer00.png for A.
        const std::size_t previz = src.find("buffer0");
        for (std::size_t p = 0; p < passes.size() && target == passes.size() && previz != std::string::npos; ++p)
            if (!passes[p].image && passes[p].letter == src[previz + 7] - '0')
                target = p;
        if (target == passes.size())
            return black("a buffer the export does not hold (" + (src.empty() ? id : src) + ")");
        // The player filters a pass's output alike for all its readers: the
        // first smooth filter asked for wins (at texel centres, where most
        // buffers are read, it reads what "nearest" reads).
        const std::string filter = samplerText(input, "filter");
        if ((filter == "linear" || filter == "mipmap") && scene.bufferFilter.count(target) == 0)
            scene.bufferFilter[target] = filter;
        // A buffer drawn later in the frame, or the reader itself, is read as it was last frame.
        if (target == passIndex)
            return "previous";
        return "pass:" + std::to_string(target) + (target > passIndex ? ":previous" : "");
    }
    if (type == "keyboard")
        return "keyboard";
    if (type == "music" || type == "musicstream" || type == "mic")
        return "spectrum";
    if (type == "texture") {
        const std::string name = baseName(src);
        if (name.empty())
            return black("an image without a file name");
        const std::string path = kTextureFolder + name;
        // The site shows images upright unless the channel says "vflip": "false".
        const bool vflip = samplerFlag(input, "vflip", true);
        auto known = scene.textureBySource.find(path);
        if (known == scene.textureBySource.end()) {
            const std::size_t index = scene.textures.size();
            scene.textures.push_back({{"id", index}, {"src", path}, {"vflip", vflip}});
            known = scene.textureBySource.emplace(path, index).first;
            if (!request.exists(path))
                warnings.push_back(inFolder(request, path) + ": missing; put the site's " + src + " there (" +
                                   channelName + " reads black until then)");
        }
        const std::string channel = "texture:" + std::to_string(known->second);
        if (scene.textures[known->second]["vflip"].get<bool>() == vflip)
            return channel;
        return {{"input", channel}, {"vflip", vflip}};
    }
    if (type == "cubemap")
        return black("a cubemap (" + src + ")");
    if (type == "video")
        return black("a video (" + src + ")");
    if (type == "webcam")
        return black("the webcam");
    if (type == "volume")
        return black("a 3D texture (" + src + ")");
    return black("an input of type \"" + type + "\"");
}

// The pass entry of `passes[index]`, drawn by shader `shaderId`.
ordered_json passEntry(const std::vector<ExportPass>& passes, std::size_t index, std::size_t shaderId,
                       const ShadertoyImportRequest& request, SceneWiring& scene, std::vector<std::string>& warnings)
{
    const ExportPass& pass = passes[index];
    ordered_json channels = ordered_json::array();
    const json inputs = pass.entry->value("inputs", json::array());
    for (const json& input : inputs.is_array() ? inputs : json::array()) {
        if (!input.is_object())
            continue;
        const json channelValue = input.value("channel", json());
        const int channel = channelValue.is_number_integer() ? channelValue.get<int>() : -1;
        if (channel < 0 || channel > 3) {
            warnings.push_back(request.exportName + ": \"" + pass.name + "\" has an input on channel " +
                               channelValue.dump() + ", not 0 to 3; it is left out");
            continue;
        }
        while (channels.size() <= static_cast<std::size_t>(channel))
            channels.push_back("none");
        channels[static_cast<std::size_t>(channel)] = wireChannel(input, passes, index, request, scene, warnings);
    }
    ordered_json entry = {{"pass_order", index}, {"shader_id", shaderId}, {"channels", channels}};
    // The site's buffers hold 32-bit floats.
    if (!pass.image)
        entry["format"] = "rgba32f";
    return entry;
}

// The channels of a pass entry as the summary shows them.
std::string channelsText(const ordered_json& channels)
{
    std::string text;
    for (std::size_t c = 0; c < channels.size(); ++c) {
        const ordered_json& channel = channels[c];
        if (channel.is_string() && channel.get<std::string>() == "none")
            continue;
        text += (text.empty() ? "" : ", ") + ("iChannel" + std::to_string(c) + " ") +
                (channel.is_string() ? channel.get<std::string>() : channel.dump());
    }
    return text.empty() ? "no channels" : text;
}

// The description to add the shader to: the folder's, or a new demo's start.
ordered_json startingDescription(const ShadertoyImportRequest& request, const std::string& name, ShadertoyImport& plan)
{
    if (!request.hasDescription) {
        plan.newDemo = true;
        ordered_json description = {{"name", name}, {"fullscreen", false}, {"end_row", "tune"}};
        if (!request.exists(demo::kTuneFile)) {
            description["tune"] = demo::kImportedTuneFile;
            if (!request.exists(demo::kImportedTuneFile)) {
                plan.tuneToWrite = demo::kImportedTuneFile;
                plan.tuneSeconds = demo::kImportedTuneSeconds;
            }
        }
        description["final_pass"] = "none";
        return description;
    }
    // The library's own parser first: it refuses nesting too deep to copy safely.
    demo::parseDescription(request.descriptionText);
    ordered_json description = ordered_json::parse(request.descriptionText);
    if (!description.is_object())
        throw ExportError{"is not a JSON object"};
    for (const char* key : {"shaders", "scenes"})
        if (description.contains(key) && !description[key].is_array())
            throw ExportError{std::string("\"") + key + "\" is not a list"};
    return description;
}

// Puts the Common tab (`commonPath`, "" for none) into the description's
// "common" for the site's convention; ExportError when it already names one.
void addCommon(ordered_json& description, const std::string& commonPath, const ShadertoyImportRequest& request,
               std::vector<std::string>& warnings)
{
    const auto common = description.find("common");
    const bool hasOne = common != description.end() && !common->is_null();
    const bool appliesHere = hasOne && (common->is_string() || (common->is_object() && common->contains(kConvention)));
    if (appliesHere) {
        const std::string existing = common->is_string() ? common->dump() : (*common)[kConvention].dump();
        if (!commonPath.empty())
            throw ExportError{"\"common\" already puts " + existing +
                              " before the shader site's shaders; the export's Common tab cannot go beside it "
                              "(import into a demo without a \"common\", or into a new folder)"};
        warnings.push_back(inFolder(request, demo::kDescriptionFile) + ": \"common\" puts " + existing +
                           " before the imported shaders too");
        return;
    }
    if (commonPath.empty())
        return;
    if (hasOne && common->is_object())
        (*common)[kConvention] = commonPath;
    else
        description["common"] = {{kConvention, commonPath}};
}

// `value` on one line, with a space after each ':' and ','.
std::string flatJson(const ordered_json& value)
{
    if (!value.is_structured() || value.empty())
        return value.dump();
    std::string text;
    for (auto member = value.begin(); member != value.end(); ++member) {
        text += text.empty() ? "" : ", ";
        if (value.is_object())
            text += ordered_json(member.key()).dump() + ": ";
        text += flatJson(*member);
    }
    return value.is_object() ? "{" + text + "}" : "[" + text + "]";
}

// Whether `value` holds a list of entries (objects), which goes one entry a line.
bool holdsEntries(const ordered_json& value)
{
    return value.is_structured() && std::any_of(value.begin(), value.end(), [&](const ordered_json& member) {
               return (value.is_array() && member.is_object()) || holdsEntries(member);
           });
}

// `value` as a person writes demo.json: lists of entries one entry a line,
// and whatever else fits in a line of kLineWidth on one line; the rest one
// member a line, indented by two.
std::string readableJson(const ordered_json& value, std::size_t indent)
{
    constexpr std::size_t kLineWidth = 120;
    const std::string flat = flatJson(value);
    if (!value.is_structured() || value.empty() || (indent + flat.size() <= kLineWidth && !holdsEntries(value)))
        return flat;
    const std::string inner(indent + 2, ' ');
    std::string text;
    for (auto member = value.begin(); member != value.end(); ++member) {
        text += (text.empty() ? "" : ",\n") + inner;
        if (value.is_object())
            text += ordered_json(member.key()).dump() + ": ";
        text += readableJson(*member, indent + 2);
    }
    const char* const brackets = value.is_object() ? "{}" : "[]";
    return brackets[0] + ("\n" + text + "\n") + std::string(indent, ' ') + brackets[1];
}

} // namespace

bool demo::planShadertoyImport(const ShadertoyImportRequest& request, ShadertoyImport& plan, std::string& error)
{
    plan = ShadertoyImport();
    json document; // the passes below point into it
    ExportShader shader;
    try {
        document = parseDescription(request.exportText);
        shader = readShader(chooseShader(document, request.pick), request.exportName);
    } catch (const json::exception& problem) {
        error = request.exportName + ": " + descriptionErrorText(problem);
        return false;
    } catch (const ExportError& problem) {
        error = request.exportName + ": " + problem.what;
        return false;
    }
    plan.shaderName = !shader.name.empty() ? shader.name : !shader.id.empty() ? shader.id : "Imported shader";
    plan.warnings = shader.notDrawn;

    // Each pass's file, all in one folder that holds none of them yet.
    std::vector<std::string> stems;
    for (const ExportPass& pass : shader.passes) {
        std::string stem = fileStem(pass.name, pass.image ? "image" : "buffer");
        while (std::find(stems.begin(), stems.end(), stem) != stems.end())
            stem += "_";
        stems.push_back(stem);
    }
    std::string commonStem;
    if (shader.common != nullptr) {
        commonStem = "common";
        while (std::find(stems.begin(), stems.end(), commonStem) != stems.end())
            commonStem += "_";
        stems.push_back(commonStem);
    }
    const std::string folder = sourceFolder(fileStem(plan.shaderName, "shader"), stems, request.exists);
    for (std::size_t p = 0; p < shader.passes.size(); ++p) {
        shader.passes[p].path = folder + stems[p] + ".fsh";
        plan.sources.push_back({shader.passes[p].path, (*shader.passes[p].entry)["code"].get<std::string>()});
    }
    const std::string commonPath = commonStem.empty() ? "" : folder + commonStem + ".fsh";
    if (!commonPath.empty())
        plan.sources.push_back({commonPath, (*shader.common)["code"].get<std::string>()});

    ordered_json description;
    try {
        description = startingDescription(request, plan.shaderName, plan);
        addCommon(description, commonPath, request, plan.warnings);
    } catch (const json::exception& problem) {
        error = inFolder(request, kDescriptionFile) + ": " + descriptionErrorText(problem);
        return false;
    } catch (const ExportError& problem) {
        error = inFolder(request, kDescriptionFile) + ": " + problem.what;
        return false;
    }

    // Both keys exist before either is held: adding a key moves the others.
    for (const char* key : {"shaders", "scenes"})
        if (!description.contains(key))
            description[key] = ordered_json::array();
    ordered_json& shaders = description["shaders"];
    ordered_json& scenes = description["scenes"];
    SceneWiring wiring;
    ordered_json passes = ordered_json::array();
    for (std::size_t p = 0; p < shader.passes.size(); ++p) {
        const ExportPass& pass = shader.passes[p];
        const std::size_t shaderId = shaders.size();
        shaders.push_back(
            {{"name", plan.shaderName + ": " + pass.name}, {"fragmentsrc", pass.path}, {"convention", kConvention}});
        passes.push_back(passEntry(shader.passes, p, shaderId, request, wiring, plan.warnings));
    }
    // A buffer's readers choose how it is sampled; nearest is the player's default.
    for (const auto& filter : wiring.bufferFilter)
        passes[filter.first]["filter"] = filter.second;
    ordered_json scene = {{"id", plan.shaderName}, {"shader_order", passes}};
    if (!wiring.textures.empty())
        scene["textures"] = wiring.textures;
    plan.sceneIndex = static_cast<int>(scenes.size());
    scenes.push_back(scene);
    plan.description = readableJson(description, 0) + "\n";
    try {
        // The player must take what is written: walk it as the loader does.
        listDemoFiles(plan.description);
    } catch (const json::exception& problem) {
        error = inFolder(request, kDescriptionFile) + ": " + descriptionErrorText(problem);
        return false;
    }

    for (std::size_t p = 0; p < shader.passes.size(); ++p)
        plan.summary.push_back(shader.passes[p].path + ": \"" + shader.passes[p].name + "\", pass " +
                               std::to_string(p) + ", " + channelsText(passes[p]["channels"]));
    if (!commonPath.empty())
        plan.summary.push_back(commonPath + ": \"" + idText(shader.common->value("name", json("Common"))) +
                               "\", put before every shader-site shader");
    if (!plan.tuneToWrite.empty())
        plan.summary.push_back(plan.tuneToWrite + ": " + std::to_string(static_cast<int>(plan.tuneSeconds)) +
                               " s of silence, the demo's clock (name your own music with \"tune\" in demo.json)");
    plan.summary.push_back(
        std::string(kDescriptionFile) + ": " + (plan.newDemo ? "a new demo, " : "") + "scene " +
        std::to_string(plan.sceneIndex) + " (\"" + plan.shaderName + "\")" +
        (plan.newDemo || plan.sceneIndex == 0 ? "" : "; the scene track (sync_scene.track) selects it"));
    return true;
}
