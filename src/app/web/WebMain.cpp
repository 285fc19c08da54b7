// Process entry of the demo player in a browser page: the page's query as
// options, the WebGL 2 context on the page's canvas, the demo loaded from the
// files the page wrote into the in-memory file system before the program
// started, and the browser's main loop, keys and clicks handed to WebPlayer.
//
//   demoplayer.js [--row N] [--paused] [--play]   (the page's ?row=N&paused&play)
//
// The page (web/page.html) shows what the program tells it through
// Module.demoplayerPage: the demo's name and "click to play", a failure in
// one line, or that the browser has no WebGL 2. The row shown goes into the
// document's title. Main thread (the browser's) only.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "app/web/WebPlayer.h"

namespace {

// Where the page writes the demo's files.
constexpr const char* kDemoFolder = "/demo";

// The page and its program: lives as long as the page.
struct WebPage {
    WebPlayer player;
    int rowShown = -1;
};

// clang-format off
EM_JS(void, page_failed, (const char* line), {
    Module.demoplayerPage.fail(UTF8ToString(line));
});

EM_JS(void, page_ready, (const char* name, double aspect, int waitsForClick), {
    Module.demoplayerPage.ready(UTF8ToString(name), aspect, !!waitsForClick);
});
// clang-format on

bool parseStart(int argc, char** argv, WebStart& start)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--paused") == 0) {
            start.paused = true;
        } else if (std::strcmp(argv[i], "--play") == 0) {
            start.play = true;
        } else if (std::strcmp(argv[i], "--row") == 0 && i + 1 < argc) {
            char* end = nullptr;
            start.row = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || start.row < 0.0)
                return false;
            start.hasRow = true;
        } else {
            return false;
        }
    }
    return true;
}

bool makeContext()
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = false;
    attributes.depth = true;
    attributes.stencil = false;
    attributes.antialias = false;
    // The picture stays readable after the frame (screenshots, the tests).
    attributes.preserveDrawingBuffer = true;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    return context > 0 && emscripten_webgl_make_context_current(context) == EMSCRIPTEN_RESULT_SUCCESS;
}

void showRow(WebPage& page, int row)
{
    if (row == page.rowShown)
        return;
    page.rowShown = row;
    const std::string title = page.player.name() + " · row " + std::to_string(row);
    emscripten_set_window_title(title.c_str());
}

void stopWith(const std::string& failure)
{
    emscripten_cancel_main_loop();
    page_failed(failure.c_str());
}

void onFrame(void* context)
{
    WebPage& page = *static_cast<WebPage*>(context);
    int width = 0;
    int height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    const int row = page.player.drawFrame(width, height);
    if (!page.player.failure().empty()) {
        stopWith(page.player.failure());
        return;
    }
    showRow(page, row);
}

// The first click or key starts the music; the page resumes its audio in
// the same event (browsers allow sound only from a gesture).
EM_BOOL onClick(int, const EmscriptenMouseEvent*, void* context)
{
    static_cast<WebPage*>(context)->player.begin();
    return EM_FALSE;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void* context)
{
    WebPlayer& player = static_cast<WebPage*>(context)->player;
    if (!player.begun()) {
        player.begin();
        return EM_TRUE;
    }
    // Esc leaves full screen in the browser itself; the page plays on.
    if (player.onKey(event->key))
        return EM_TRUE;
    player.onChannelKey(static_cast<int>(event->keyCode), true);
    return EM_FALSE;
}

EM_BOOL onKeyUp(int, const EmscriptenKeyboardEvent* event, void* context)
{
    static_cast<WebPage*>(context)->player.onChannelKey(static_cast<int>(event->keyCode), false);
    return EM_FALSE;
}

} // namespace

int main(int argc, char** argv)
{
    WebStart start;
    if (!parseStart(argc, argv, start)) {
        page_failed("demoplayer: the page's address asks for something it does not know (?row=N&paused&play)");
        return 2;
    }
    if (chdir(kDemoFolder) != 0) {
        page_failed("demoplayer: this page holds no demo");
        return 1;
    }
    if (!makeContext()) {
        page_failed("This demo needs a browser with WebGL 2, which this one does not offer.");
        return 1;
    }
    // The page's lifetime: the browser's main loop keeps calling into it
    // after main has returned.
    WebPage* page = new WebPage;
    if (!page->player.load(start)) {
        page_failed(page->player.failure().c_str());
        return 1;
    }
    page_ready(page->player.name().c_str(), page->player.aspect(), page->player.begun() ? 0 : 1);
    emscripten_set_click_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, page, EM_FALSE, onClick);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_FALSE, onKeyDown);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_FALSE, onKeyUp);
    emscripten_set_main_loop_arg(onFrame, page, 0, EM_FALSE);
    return 0;
}
