// Turning one shader of the shader site's JSON export (its "renderpass" list:
// each pass's code, inputs and outputs) into a plan for a demo folder: one
// source file per pass with the pass's text unchanged, and a scene in
// demo.json whose passes run in the site's order (Buffer A to D, then Image)
// with their channels wired as the site wires them. The Common tab becomes
// the demo's "common" for the shader-site convention.
//
// Pure: the export's text, the folder's demo.json text (if any) and a test
// of which files the folder holds go in; the files to write and the new
// demo.json text come out. Nothing here touches the disk (the --import-shadertoy
// mode writes the plan). Any thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

// What an import needs to know.
struct ShadertoyImportRequest {
    std::string exportName;      // the export's file name as the user gave it, for messages
    std::string exportText;      // the export's JSON text
    std::string folderName;      // the demo folder as the user gave it, for messages ("" for none)
    std::string pick;            // "" for the export's first shader, else a shader's name or id
    bool hasDescription = false; // the folder has a demo.json already
    std::string descriptionText; // its text (with hasDescription)
    // Whether a file (a path relative to the demo folder) exists there.
    std::function<bool(const std::string& path)> exists;
};

// One file the import writes, relative to the demo folder. Its path is free:
// the plan never names a file the folder holds.
struct ImportedFile {
    std::string path;
    std::string text;
};

struct ShadertoyImport {
    std::string shaderName;            // the shader's name in the export (else its id)
    std::vector<ImportedFile> sources; // the passes' sources and the Common tab
    std::string description;           // demo.json's whole new text
    // A new demo: no demo.json before. It then needs a tune: `tuneToWrite` is
    // the silent tune to make ("" when the folder holds one already).
    bool newDemo = false;
    std::string tuneToWrite;
    double tuneSeconds = 0.0;
    int sceneIndex = 0;                // the new scene's place in "scenes"
    std::vector<std::string> warnings; // one line each: a missing image, an input the player lacks
    std::vector<std::string> summary;  // what the plan writes, one line each, for standard output
};

namespace demo {

// The silent tune a new demo gets, and how long it plays.
inline constexpr const char* kImportedTuneFile = "tune.wav";
inline constexpr double kImportedTuneSeconds = 60.0;

// Plans the import that `request` describes into `plan`. False with `error`
// (one line: "FILE.json: ..." naming what is wrong, with the JSON library's
// line and column for text that does not parse; "demo.json: ..." for a
// description the shader cannot be added to) when there is nothing to write.
bool planShadertoyImport(const ShadertoyImportRequest& request, ShadertoyImport& plan, std::string& error);

} // namespace demo
