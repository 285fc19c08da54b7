// The start-up warnings (see MistakeChecks.h). Pure; main thread.
#include "demo/MistakeChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/ShaderSource.h"

namespace {

std::string trackFileName(const std::string& name)
{
    return "sync_" + name + ".track";
}

std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

const TrackFacts* findTrack(const DemoFacts& facts, const std::string& name)
{
    for (const TrackFacts& track : facts.tracks)
        if (track.name == name)
            return &track;
    return nullptr;
}

void warnAboutTune(const DemoFacts& facts, std::vector<std::string>& warnings)
{
    const double endSeconds = facts.timing.endRow / facts.timing.rowsPerSecond;
    const bool endsEarly = facts.tuneSeconds < endSeconds;
    const bool playsOn = facts.tuneSeconds > endSeconds + kTuneTailSeconds;
    if (facts.tuneSeconds <= 0.0 || facts.timing.endsWithTune || !(endsEarly || playsOn))
        return;
    const double tuneEndRow = std::floor(facts.tuneSeconds * facts.timing.rowsPerSecond);
    const std::string demoEnd = "the demo's end at row " + format("%g", facts.timing.endRow) + " (" +
                                format("%.2f", endSeconds) + " s)";
    const std::string advice = "; set \"end_row\": " + format("%.0f", tuneEndRow) +
                               " (or \"tune\") in demo.json to end with the music";
    if (endsEarly)
        warnings.push_back(facts.timing.tuneFile + ": the tune ends at " + format("%.2f", facts.tuneSeconds) +
                           " s, before " + demoEnd + advice);
    else
        warnings.push_back(facts.timing.tuneFile + ": the tune lasts " + format("%.2f", facts.tuneSeconds) +
                           " s, past " + demoEnd + advice);
}

void warnAboutParameters(const DemoFacts& facts, std::vector<std::string>& warnings)
{
    for (const ShaderFacts& shader : facts.shaders) {
        for (const std::string& name : shader.parameterNames) {
            const TrackFacts* track = findTrack(facts, name);
            if (track == nullptr || !track->hasFile)
                warnings.push_back(trackFileName(name) + ": no such track file for parameter \"" + name + "\" of " +
                                   shader.fragmentPath + "; the parameter reads 0");
            const bool sourcesRead = !shader.vertexSource.empty() || !shader.fragmentSource.empty();
            if (sourcesRead && !demo::declaresUniform(shader.vertexSource, name) &&
                !demo::declaresUniform(shader.fragmentSource, name))
                warnings.push_back(shader.fragmentPath + ": parameter \"" + name +
                                   "\" is not declared (add \"uniform float " + name + ";\")");
        }
    }
}

void warnAboutUnreadTracks(const DemoFacts& facts, std::vector<std::string>& warnings)
{
    for (const TrackFacts& track : facts.tracks)
        if (track.hasFile && !track.readByDemo)
            warnings.push_back(trackFileName(track.name) + ": no shader reads this track (list \"" + track.name +
                               "\" under a shader's \"parameters\" in demo.json)");
}

void warnAboutSceneTrack(const DemoFacts& facts, std::vector<std::string>& warnings)
{
    for (std::size_t i = 0; i < facts.sceneTrackKeyValues.size() && i < facts.sceneTrackKeyRows.size(); ++i) {
        const double index = std::trunc(static_cast<double>(facts.sceneTrackKeyValues[i]));
        if (index >= 0.0 && index < static_cast<double>(facts.sceneCount))
            continue;
        const std::string scenes = facts.sceneCount == 0
                                       ? "no scenes"
                                       : format("%.0f", static_cast<double>(facts.sceneCount)) + " scenes (0.." +
                                             format("%.0f", static_cast<double>(facts.sceneCount) - 1.0) + ")";
        warnings.push_back(trackFileName("scene") + ": the key at row " + std::to_string(facts.sceneTrackKeyRows[i]) +
                           " selects scene " + format("%g", facts.sceneTrackKeyValues[i]) + ", but the demo has " +
                           scenes);
        return; // one line for the track
    }
}

void warnAboutKeysPastTheTune(const DemoFacts& facts, std::vector<std::string>& warnings)
{
    if (facts.tuneSeconds <= 0.0)
        return;
    for (const TrackFacts& track : facts.tracks) {
        if (!track.hasFile || track.keyCount == 0)
            continue;
        const double keySeconds = track.lastKeyRow / facts.timing.rowsPerSecond;
        if (keySeconds > facts.tuneSeconds)
            warnings.push_back(trackFileName(track.name) + ": the last key, at row " +
                               std::to_string(track.lastKeyRow) + " (" + format("%.2f", keySeconds) +
                               " s), lies past the tune's end (" + format("%.2f", facts.tuneSeconds) + " s)");
    }
}

} // namespace

bool demo::declaresUniform(const std::string& source, const std::string& name)
{
    return render::declaresVariable(source, "uniform", name);
}

int demo::uniformDeclarationLine(const std::string& source, const std::string& name)
{
    std::size_t lineStart = 0;
    for (int line = 1; lineStart < source.size(); ++line) {
        std::size_t end = source.find('\n', lineStart);
        if (end == std::string::npos)
            end = source.size();
        // A declaration may span lines: look from this line to the end of its statement.
        const std::size_t statementEnd = source.find(';', lineStart);
        const std::string text = source.substr(lineStart, end - lineStart);
        const std::size_t qualifier = text.find("uniform");
        if (qualifier != std::string::npos &&
            render::declaresVariable(
                source.substr(lineStart + qualifier, statementEnd == std::string::npos
                                                         ? std::string::npos
                                                         : statementEnd + 1 - lineStart - qualifier),
                "uniform", name))
            return line;
        lineStart = end + 1;
    }
    return 0;
}

std::vector<std::string> demo::demoWarnings(const DemoFacts& facts)
{
    std::vector<std::string> warnings;
    warnAboutTune(facts, warnings);
    warnAboutParameters(facts, warnings);
    warnAboutUnreadTracks(facts, warnings);
    warnAboutSceneTrack(facts, warnings);
    warnAboutKeysPastTheTune(facts, warnings);
    for (const std::string& line : uniformWarnings(facts.programUses))
        warnings.push_back(line);
    return warnings;
}

std::vector<std::string> demo::uniformWarnings(const std::vector<ProgramUse>& uses)
{
    std::vector<std::string> lines;
    for (const ProgramUse& use : uses) {
        for (const DeclaredUniform& declared : use.uniforms) {
            std::string problem = render::uniformProblem(declared.uniform, use.setting);
            const std::string remedy = render::uniformRemedy(declared.uniform, use.setting);
            if (!remedy.empty())
                problem += "; " + remedy;
            const std::string where = declared.line > 0 ? declared.file + ":" + std::to_string(declared.line)
                                                        : declared.file;
            const std::string line = where + ": " + problem;
            if (!problem.empty() && std::find(lines.begin(), lines.end(), line) == lines.end())
                lines.push_back(line);
        }
    }
    return lines;
}
