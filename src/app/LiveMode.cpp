// Live mode: its parts put together over the run, and the toolkit
// callbacks' work in live mode (see LiveMode.h). Main thread, GL context current.
#include "app/LiveMode.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "app/AppState.h"
#include "app/DemoSetup.h"
#include "app/EditMode.h"
#include "platform/platform.h"

namespace {

constexpr unsigned char kTab = 9;

} // namespace

LiveMode::LiveMode(AppState& run)
    : run_(run), console_(run.console.out(), platform_stdout_is_terminal()), reload_(run, *this, console_),
      controls_(run, console_), headsUp_(console_)
{
}

void LiveMode::start()
{
    reload_.start();
    console_.line(std::string("live: watching the demo's files") + (reload_.notified() ? "" : " (polling)") +
                  "; Tab shows or hides the heads-up display");
}

void LiveMode::beginFrame()
{
    reload_.reloadSaved();
    controls_.beginFrame();
}

bool LiveMode::onKey(unsigned char key)
{
    if (key != kTab)
        return controls_.onKey(key);
    headsUp_.toggle();
    return true;
}

void LiveMode::setTitle(const std::string& name)
{
    run_.windowTitle = name;
    glutSetWindowTitle(name.c_str());
}

double LiveMode::tuneSeconds() const
{
    return app::tuneSeconds(run_.musicStream);
}

bool LiveMode::editorOwnsTrack(const std::string& name) const
{
    return run_.edit && run_.edit->ownsTrack(name);
}

bool LiveMode::editorTookTrackFile(const std::string& path)
{
    return run_.edit && run_.edit->onTrackFileChanged(path);
}

bool app::onLiveSpecialKey(AppState& run, int key)
{
    // Keys still queued behind Esc find the music released and do nothing.
    if (!run.live || run.musicStream.isReleased())
        return false;
    if (key == GLUT_KEY_F2) {
        app::toggleEditor(run);
        return true;
    }
    if (run.edit && run.edit->onSpecialKey(key))
        return true;
    return run.live->onSpecialKey(key);
}

void app::onLiveMouseButton(AppState& run, int button, int state, int x, int y)
{
    if (run.live)
        run.live->onMouseButton(button, state, x, y);
}

void app::onLiveMouseMotion(AppState& run, int x, int y)
{
    if (run.live)
        run.live->onMouseMotion(x, y);
}
