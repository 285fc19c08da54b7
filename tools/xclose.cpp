// xclose: asks an X window to close, as a window manager's close button does
// (a WM_DELETE_WINDOW message), for the end-to-end tests, which run without a
// window manager.
//
//   xclose ID     ID in decimal or 0x hex, as xdotool prints it
//
// Exit status 0 when the request was sent; 2 after one line on standard error
// when the display or the window id is unusable. One thread.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Xlib's own handler prints a report of several lines and exits with status 1;
// this one only notes that the request was refused.
bool requestFailed = false;

int onXError(Display*, XErrorEvent*)
{
    requestFailed = true;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: xclose WINDOW_ID\n");
        return 2;
    }
    char* end = nullptr;
    const Window window = static_cast<Window>(std::strtoul(argv[1], &end, 0));
    if (end == argv[1] || *end != '\0' || window == 0) {
        std::fprintf(stderr, "xclose: %s is not a window id\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "xclose: cannot open the X display\n");
        return 2;
    }

    XSetErrorHandler(onXError);

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    if (requestFailed) {
        std::fprintf(stderr, "xclose: window %s: no such window\n", argv[1]);
        return 2;
    }
    return 0;
}
