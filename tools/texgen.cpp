// texgen: draws the example demo's image textures and writes them as PNG.
//
//   texgen OUTDIR
//
// Writes three images into OUTDIR, all of our own making:
//   noise.png  256x256, tiles seamlessly. Red: smooth gradient noise (fbm,
//              4 cells across), green: finer fbm (8 cells), blue: cellular
//              noise (distance to the nearest of 8x8 scattered points).
//   panel.png  256x256, tiles seamlessly. A checker of bevelled metal plates
//              with rivets, rings and vents; alpha marks the parts that glow.
//   title.png  512x128. The demo's title: red holds the letters, green a soft
//              glow around them, blue a horizontal light streak.
// The images are deterministic. One thread; all memory is main's.

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_easy_font.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// An 8-bit RGBA image, top row first.
struct Image {
    int width, height;
    std::vector<uint8_t> pixels;

    Image(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h) * 4, 0) {}
    void set(int x, int y, double r, double g, double b, double a)
    {
        uint8_t* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
        const double channels[4] = {r, g, b, a};
        for (int c = 0; c < 4; ++c)
            p[c] = uint8_t(std::lround(std::clamp(channels[c], 0.0, 1.0) * 255.0));
    }
};

uint32_t hash(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return h ^ (h >> 15);
}

double unitHash(int x, int y, uint32_t seed)
{
    return double(hash(x, y, seed) & 0xffffffu) / double(0x1000000);
}

int wrap(int value, int period)
{
    return ((value % period) + period) % period;
}

double quintic(double t)
{
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

// Gradient noise in about -0.7..0.7 over a lattice that repeats every
// `period` cells; (u, v) in cells.
double gradientNoise(double u, double v, int period, uint32_t seed)
{
    int x0 = int(std::floor(u)), y0 = int(std::floor(v));
    double fx = u - x0, fy = v - y0;
    auto corner = [&](int dx, int dy) {
        double angle = 2.0 * kPi * unitHash(wrap(x0 + dx, period), wrap(y0 + dy, period), seed);
        return std::cos(angle) * (fx - dx) + std::sin(angle) * (fy - dy);
    };
    double sx = quintic(fx), sy = quintic(fy);
    double top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * sx;
    double bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * sx;
    return top + (bottom - top) * sy;
}

// Fractal sum of five octaves, mapped to 0..1; (x, y) in 0..1 tiles.
double fbm(double x, double y, int cells, uint32_t seed)
{
    double sum = 0.0, amplitude = 0.5;
    for (int octave = 0; octave < 5; ++octave) {
        int period = cells << octave;
        sum += amplitude * gradientNoise(x * period, y * period, period, seed + uint32_t(octave));
        amplitude *= 0.5;
    }
    return std::clamp(0.5 + sum * 1.1, 0.0, 1.0);
}

// Distance to the nearest feature point, one point per cell, in cell units.
double cellular(double x, double y, int cells, uint32_t seed)
{
    double u = x * cells, v = y * cells;
    int cx = int(std::floor(u)), cy = int(std::floor(v));
    double nearest = 2.0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int px = cx + dx, py = cy + dy;
            double fx = px + unitHash(wrap(px, cells), wrap(py, cells), seed);
            double fy = py + unitHash(wrap(px, cells), wrap(py, cells), seed + 17u);
            nearest = std::min(nearest, std::hypot(u - fx, v - fy));
        }
    }
    return nearest;
}

double smoothstep(double edge0, double edge1, double x)
{
    double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

Image makeNoise()
{
    const int size = 256;
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double u = double(x) / size, v = double(y) / size;
            image.set(x, y, fbm(u, v, 4, 11u), fbm(u, v, 8, 23u), std::min(1.0, cellular(u, v, 8, 37u) * 1.1), 1.0);
        }
    }
    return image;
}

// One 128x128 plate of the panel; (x, y) in pixels inside the plate.
void panelPlate(double x, double y, bool light, double grain, double& shade, double& glow)
{
    const double size = 128.0;
    double edge = std::min({x, y, size - 1 - x, size - 1 - y});
    shade = (light ? 0.55 : 0.3) + 0.08 * (grain - 0.5);
    // bevel: lit from the top left
    if (edge < 6.0)
        shade += (x + y < size ? 0.18 : -0.14) * (1.0 - edge / 6.0);
    // the groove between plates glows faintly
    glow = edge < 1.5 ? 0.6 : 0.0;
    // rivets in the corners
    for (double cx : {12.0, size - 13.0}) {
        for (double cy : {12.0, size - 13.0}) {
            double d = std::hypot(x - cx, y - cy);
            if (d < 4.0)
                shade = 0.75 - 0.1 * d + 0.1 * ((cx - x) + (cy - y)) / 4.0;
        }
    }
    double cx = x - size / 2, cy = y - size / 2, radius = std::hypot(cx, cy);
    if (light) {
        // a ring emblem with a glowing channel and four spokes
        double ring = std::fabs(radius - 34.0);
        if (ring < 7.0)
            shade -= 0.22 * (1.0 - ring / 7.0);
        glow = std::max(glow, smoothstep(3.0, 1.0, ring));
        bool spoke = (std::fabs(cx) < 2.0 || std::fabs(cy) < 2.0) && radius > 14.0 && radius < 28.0;
        if (spoke)
            glow = std::max(glow, 0.8);
        if (radius < 10.0) {
            shade = 0.2;
            glow = std::max(glow, smoothstep(9.0, 5.0, radius));
        }
    } else {
        // vents: five slots with light behind them
        for (int slot = 0; slot < 5; ++slot) {
            double top = 34.0 + slot * 13.0;
            if (y > top && y < top + 6.0 && x > 26.0 && x < size - 26.0) {
                shade = 0.08;
                glow = std::max(glow, 0.5 + 0.5 * std::sin((x - 26.0) / (size - 52.0) * kPi));
            }
        }
    }
}

Image makePanel()
{
    const int size = 256;
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double grain = fbm(double(x) / size, double(y) / size, 16, 5u);
            bool light = ((x / 128) + (y / 128)) % 2 == 0;
            double shade, glow;
            panelPlate(x % 128, y % 128, light, grain, shade, glow);
            // slightly cool metal
            image.set(x, y, shade * 0.95, shade, shade * 1.08, glow);
        }
    }
    return image;
}

// Rasterises text with stb_easy_font: returns a coverage mask (0..1).
std::vector<double> textMask(const char* text, int width, int height)
{
    std::vector<char> quads(64 * 1024);
    int quadCount = stb_easy_font_print(0.0f, 0.0f, const_cast<char*>(text), nullptr, quads.data(), int(quads.size()));
    double textWidth = stb_easy_font_width(const_cast<char*>(text));
    double textHeight = 7.0; // capitals of stb_easy_font are 7 units tall
    double scale = std::min((width * 0.86) / textWidth, (height * 0.55) / textHeight);
    double left = (width - textWidth * scale) / 2.0, top = (height - textHeight * scale) / 2.0;

    // 4x4 supersampling of the axis-aligned quads gives smooth edges.
    const int samples = 4;
    std::vector<double> mask(size_t(width) * size_t(height), 0.0);
    const float* vertices = reinterpret_cast<const float*>(quads.data());
    for (int q = 0; q < quadCount; ++q) {
        const float* v = vertices + q * 16; // 4 vertices of x, y, z, colour
        double x0 = left + v[0] * scale, y0 = top + v[1] * scale;
        double x1 = left + v[8] * scale, y1 = top + v[9] * scale;
        for (int py = std::max(0, int(y0)); py < std::min(height, int(y1) + 1); ++py) {
            for (int px = std::max(0, int(x0)); px < std::min(width, int(x1) + 1); ++px) {
                int covered = 0;
                for (int sy = 0; sy < samples; ++sy) {
                    for (int sx = 0; sx < samples; ++sx) {
                        double fx = px + (sx + 0.5) / samples, fy = py + (sy + 0.5) / samples;
                        covered += fx >= x0 && fx < x1 && fy >= y0 && fy < y1;
                    }
                }
                double& m = mask[size_t(py) * size_t(width) + size_t(px)];
                m = std::min(1.0, m + double(covered) / (samples * samples));
            }
        }
    }
    return mask;
}

// Separable box blur, run three times (close to a Gaussian).
std::vector<double> blur(std::vector<double> values, int width, int height, int radius)
{
    std::vector<double> scratch(values.size());
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                double sum = 0.0;
                for (int k = -radius; k <= radius; ++k)
                    sum += values[size_t(y) * width + std::clamp(x + k, 0, width - 1)];
                scratch[size_t(y) * width + x] = sum / (2 * radius + 1);
            }
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                double sum = 0.0;
                for (int k = -radius; k <= radius; ++k)
                    sum += scratch[size_t(std::clamp(y + k, 0, height - 1)) * width + x];
                values[size_t(y) * width + x] = sum / (2 * radius + 1);
            }
        }
    }
    return values;
}

Image makeTitle(const char* text)
{
    const int width = 512, height = 128;
    std::vector<double> letters = textMask(text, width, height);
    std::vector<double> glow = blur(letters, width, height, 4);
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            size_t i = size_t(y) * width + x;
            double streak = std::exp(-std::pow((y - height / 2.0) / 3.0, 2.0)) *
                            smoothstep(0.0, 0.5, 1.0 - std::fabs(x / (width / 2.0) - 1.0));
            image.set(x, y, letters[i], std::min(1.0, glow[i] * 2.2), streak, 1.0);
        }
    }
    return image;
}

bool writePng(const std::string& directory, const char* name, const Image& image)
{
    std::string path = directory + "/" + name;
    if (!stbi_write_png(path.c_str(), image.width, image.height, 4, image.pixels.data(), image.width * 4)) {
        std::fprintf(stderr, "texgen: %s: cannot write\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: texgen OUTDIR\n"
                     "Writes the example demo's textures noise.png, panel.png and title.png into OUTDIR.\n");
        return argc == 2 ? 0 : 2;
    }
    stbi_write_png_compression_level = 9;
    std::string directory = argv[1];
    bool written = writePng(directory, "noise.png", makeNoise());
    written = writePng(directory, "panel.png", makePanel()) && written;
    written = writePng(directory, "title.png", makeTitle("LUMEN DRIFT")) && written;
    return written ? 0 : 1;
}
