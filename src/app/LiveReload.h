// LiveReload: live mode's reload policy carried out on a loaded demo. Every
// file of the demo is watched; at the start of a frame what was saved since
// the last one is rebuilt or read again as ReloadPlan decides. What fails
// keeps what was there: an entry that does not build draws with its last
// good program, a description that does not load leaves the running demo,
// an image that does not decode keeps its last good picture, a track file
// that is rejected keeps its keys. Each failure is one line on standard
// error (said once however many entries share it) and stays among the
// problems shown over the picture until its file builds again; each reload
// is one line "Reloaded FILE" on the console.
//
// Main thread, GL context current. The loaded demo, the host and the
// console outlive it. It owns its file watcher, the problems, the text
// tracks' names and the image cache its loads decode through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/BuildFailures.h"
#include "app/LiveConsole.h"
#include "app/LiveReloadHost.h"
#include "app/LoadedDemo.h"
#include "app/ReloadPlan.h"
#include "app/ReloadProblems.h"
#include "platform/FileWatcher.h"
#include "render/ImageCache.h"

class LiveReload {
public:
    // Reloads into `loaded` (its lines of standard error go to its console's
    // error stream), asking `host` about the run around it; reloads are said
    // as lines of `console`.
    LiveReload(LoadedDemo& loaded, LiveReloadHost& host, LiveConsole& console);

    // After the demo is set up: text tracks become their tracks' source,
    // images that did not load are shown, and every file of the demo is watched.
    void start();

    // Whether the operating system tells of saves (else the files are polled).
    bool notified() const { return watcher_.notifying(); }

    // Programs that failed to build while the demo loaded (entries and the final pass).
    void showBuildErrors(const std::vector<ShaderBuildError>& errors);

    // Start of a frame: reloads what was saved since the last frame.
    void reloadSaved();

    // Carries out the saves of `changed` (paths as the demo names them).
    void reload(const std::vector<std::string>& changed);

    // Watches the demo's files again, tracks added since included.
    void watchFiles() { watchDemoFiles(INT64_MAX); }

    // A track file that another part of the player read again (the track
    // editor, for its text tracks): its problem goes, the reload shows.
    void trackReloaded(const std::string& path);

    // What is shown until mended.
    const ReloadProblems& problems() const { return problems_; }
    // "reloaded FILE" for the latest reload; "" before the first.
    const std::string& latest() const { return latest_; }
    // The cache the description's and images' reloads decode through.
    const ImageCache& images() const { return images_; }

private:
    void watchDemoFiles(int64_t readSinceNs);
    void loadTextTracks();
    // Rewrites the binary track file of `track` (just read from its text
    // track) when it does not hold its keys; `announce`: say so on the console.
    void followText(const SyncTrack& track, bool announce);
    bool reloadDescription();
    void keepLastGoodBuilds(DemoContent& fresh);
    void showImageProblem(const std::string& path, const std::string& problem, bool lastGoodStays);
    void rebuildEntries(const ReloadPlan& plan);
    void rebuildFinalPass();
    void reloadTrack(const std::string& path);
    void reloadImage(const std::string& path);

    void setProblem(const std::string& key, const std::string& message);
    void reloaded(const std::string& what);

    LoadedDemo& loaded_;
    LiveReloadHost& host_;
    LiveConsole& console_;
    FileWatcher watcher_;
    ReloadProblems problems_;
    std::string latest_;                  // see latest()
    std::vector<std::string> textTracks_; // names whose source is tracks/NAME.txt
    ImageCache images_;                   // emptied after each use; counts every decode
};
