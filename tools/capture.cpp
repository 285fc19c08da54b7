// capture: window captures and simple picture checks for the end-to-end tests
// and the README's screenshot.
//
//   capture window ID OUT.png   what the X display ($DISPLAY) shows of window ID
//                               (decimal or 0x hex, as xdotool prints it)
//   capture root OUT.png        the whole screen
//   capture stats IN.png        size, mean colour and spread; exit 0 for a
//                               picture, 1 for a blank (one-colour) image
//   capture diff A.png B.png    mean absolute difference per channel (0..255);
//                               exit 0 when the images differ, 1 when identical
//   capture pixel IN.png X Y    the colour "R G B" of one pixel (0, 0 is top left)
//
// Errors exit with status 2 after one line on standard error naming the file.
// A window is read from the screen's contents (the root window), clipped to
// the screen, so a window partly off screen or covered shows what is visible.
// One thread; every X resource and pixel buffer is owned by the function that
// made it.

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image.h>
#include <stb_image_write.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kDifferent = 0, kSame = 1, kFailed = 2;

// Standard deviation of the luma (0..255) below which an image counts as blank.
constexpr double kBlankSpread = 2.0;

// 8-bit RGB pixels, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// Xlib reports request errors through a process-wide handler; it only sets this flag.
bool xRequestFailed = false;

int onXError(Display*, XErrorEvent*)
{
    xRequestFailed = true;
    return 0;
}

// Bit position and width of a channel mask such as 0xff0000.
void maskShape(unsigned long mask, int& shift, int& bits)
{
    shift = 0;
    bits = 0;
    while (mask && !(mask & 1ul)) {
        mask >>= 1;
        ++shift;
    }
    while (mask & 1ul) {
        mask >>= 1;
        ++bits;
    }
}

uint8_t channel(unsigned long pixel, int shift, int bits)
{
    if (bits == 0)
        return 0;
    unsigned long value = (pixel >> shift) & ((1ul << bits) - 1ul);
    return uint8_t(value * 255ul / ((1ul << bits) - 1ul));
}

// Reads the screen rectangle of `window` (the root window for the whole
// screen). False after a message when the window does not exist or lies off screen.
bool grab(Display* display, Window window, Picture& picture)
{
    Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XSync(display, False);
    xRequestFailed = false;
    if (!XGetWindowAttributes(display, window, &attributes) || xRequestFailed) {
        std::fprintf(stderr, "capture: window 0x%lx: no such window\n", window);
        return false;
    }
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
    int screenWidth = DisplayWidth(display, DefaultScreen(display));
    int screenHeight = DisplayHeight(display, DefaultScreen(display));
    int left = std::max(0, x), top = std::max(0, y);
    int right = std::min(screenWidth, x + attributes.width), bottom = std::min(screenHeight, y + attributes.height);
    if (right <= left || bottom <= top) {
        std::fprintf(stderr, "capture: window 0x%lx: not on screen\n", window);
        return false;
    }
    XImage* image = XGetImage(display, root, left, top, unsigned(right - left), unsigned(bottom - top), AllPlanes,
                              ZPixmap);
    XSync(display, False);
    if (!image || xRequestFailed) {
        std::fprintf(stderr, "capture: window 0x%lx: the display refused to hand out its pixels\n", window);
        if (image)
            XDestroyImage(image);
        return false;
    }
    int redShift, redBits, greenShift, greenBits, blueShift, blueBits;
    maskShape(image->red_mask, redShift, redBits);
    maskShape(image->green_mask, greenShift, greenBits);
    maskShape(image->blue_mask, blueShift, blueBits);
    picture.width = image->width;
    picture.height = image->height;
    picture.rgb.resize(size_t(picture.width) * size_t(picture.height) * 3);
    for (int row = 0; row < picture.height; ++row) {
        for (int column = 0; column < picture.width; ++column) {
            unsigned long pixel = XGetPixel(image, column, row);
            uint8_t* out = &picture.rgb[(size_t(row) * size_t(picture.width) + size_t(column)) * 3];
            out[0] = channel(pixel, redShift, redBits);
            out[1] = channel(pixel, greenShift, greenBits);
            out[2] = channel(pixel, blueShift, blueBits);
        }
    }
    XDestroyImage(image);
    return true;
}

int captureWindow(const char* windowText, const char* outPath)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "capture: cannot open the X display \"%s\"\n", XDisplayName(nullptr));
        return kFailed;
    }
    XSetErrorHandler(onXError);
    Window window = DefaultRootWindow(display);
    if (windowText) {
        char* end = nullptr;
        window = Window(std::strtoul(windowText, &end, 0));
        if (!*windowText || *end) {
            std::fprintf(stderr, "capture: %s: not a window id\n", windowText);
            XCloseDisplay(display);
            return kFailed;
        }
    }
    Picture picture;
    bool grabbed = grab(display, window, picture);
    XCloseDisplay(display);
    if (!grabbed)
        return kFailed;
    if (!stbi_write_png(outPath, picture.width, picture.height, 3, picture.rgb.data(), picture.width * 3)) {
        std::fprintf(stderr, "capture: %s: cannot write\n", outPath);
        return kFailed;
    }
    return 0;
}

bool load(const char* path, Picture& picture)
{
    int components = 0;
    uint8_t* pixels = stbi_load(path, &picture.width, &picture.height, &components, 3);
    if (!pixels) {
        std::fprintf(stderr, "capture: %s: %s\n", path, stbi_failure_reason());
        return false;
    }
    picture.rgb.assign(pixels, pixels + size_t(picture.width) * size_t(picture.height) * 3);
    stbi_image_free(pixels);
    return true;
}

int printStats(const char* path)
{
    Picture picture;
    if (!load(path, picture))
        return kFailed;
    size_t count = size_t(picture.width) * size_t(picture.height);
    double sums[3] = {0.0, 0.0, 0.0}, lumaSum = 0.0, lumaSquares = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &picture.rgb[i * 3];
        double luma = 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
        for (int c = 0; c < 3; ++c)
            sums[c] += p[c];
        lumaSum += luma;
        lumaSquares += luma * luma;
    }
    double mean = lumaSum / double(count);
    double spread = std::sqrt(std::max(0.0, lumaSquares / double(count) - mean * mean));
    bool blank = spread < kBlankSpread;
    std::printf("%dx%d mean %.1f %.1f %.1f spread %.1f %s\n", picture.width, picture.height, sums[0] / double(count),
                sums[1] / double(count), sums[2] / double(count), spread, blank ? "blank" : "picture");
    return blank ? kSame : kDifferent;
}

int printDifference(const char* pathA, const char* pathB)
{
    Picture a, b;
    if (!load(pathA, a) || !load(pathB, b))
        return kFailed;
    if (a.width != b.width || a.height != b.height) {
        std::printf("sizes differ: %dx%d and %dx%d\n", a.width, a.height, b.width, b.height);
        return kDifferent;
    }
    double total = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        total += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    bool identical = a.rgb == b.rgb;
    std::printf("mean difference %.2f %s\n", total / double(a.rgb.size()), identical ? "identical" : "different");
    return identical ? kSame : kDifferent;
}

int printPixel(const char* path, const char* xText, const char* yText)
{
    Picture picture;
    if (!load(path, picture))
        return kFailed;
    const int x = std::atoi(xText), y = std::atoi(yText);
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
        std::fprintf(stderr, "capture: %s: no pixel %d, %d in %dx%d\n", path, x, y, picture.width, picture.height);
        return kFailed;
    }
    const uint8_t* p = &picture.rgb[(size_t(y) * size_t(picture.width) + size_t(x)) * 3];
    std::printf("%d %d %d\n", p[0], p[1], p[2]);
    return 0;
}

void printUsage(FILE* stream)
{
    std::fprintf(stream,
                 "usage: capture window ID OUT.png | root OUT.png | stats IN.png | diff A.png B.png\n"
                 "             | pixel IN.png X Y\n"
                 "  window  captures window ID (decimal or 0x hex) as the screen shows it\n"
                 "  root    captures the whole screen\n"
                 "  stats   prints size, mean colour and spread; exit 0 picture, 1 blank\n"
                 "  diff    prints the mean absolute difference; exit 0 different, 1 identical\n"
                 "  pixel   prints the colour R G B of the pixel at X, Y\n"
                 "Errors exit with 2.\n");
}

} // namespace

int main(int argc, char** argv)
{
    const char* command = argc > 1 ? argv[1] : "";
    if (std::strcmp(command, "window") == 0 && argc == 4)
        return captureWindow(argv[2], argv[3]);
    if (std::strcmp(command, "root") == 0 && argc == 3)
        return captureWindow(nullptr, argv[2]);
    if (std::strcmp(command, "stats") == 0 && argc == 3)
        return printStats(argv[2]);
    if (std::strcmp(command, "diff") == 0 && argc == 4)
        return printDifference(argv[2], argv[3]);
    if (std::strcmp(command, "pixel") == 0 && argc == 5)
        return printPixel(argv[2], argv[3], argv[4]);
    if (std::strcmp(command, "--help") == 0) {
        printUsage(stdout);
        return 0;
    }
    printUsage(stderr);
    return kFailed;
}
