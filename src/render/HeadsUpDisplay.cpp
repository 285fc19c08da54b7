// HeadsUpDisplay (see HeadsUpDisplay.h). Main thread, GL context current.
#include "render/HeadsUpDisplay.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include <stb_easy_font.h>

#include "platform/ConsoleSink.h"

namespace {

const char* const kVertexSource = R"(#version 330 core
layout(location = 0) in vec2 position; // pixels from the top left
layout(location = 1) in vec4 colour;
uniform vec2 viewport;
out vec4 vertexColour;
void main()
{
    vertexColour = colour;
    gl_Position = vec4(position.x / viewport.x * 2.0 - 1.0, 1.0 - position.y / viewport.y * 2.0, 0.0, 1.0);
}
)";

const char* const kFragmentSource = R"(#version 330 core
in vec4 vertexColour;
out vec4 fragColor;
void main()
{
    fragColor = vertexColour;
}
)";

constexpr float kMargin = 6.0f;    // font units between the box's edge and the text
constexpr int kLineHeight = 12;    // font units per line
constexpr uint8_t kBoxAlpha = 176; // the box darkens the picture behind the text

struct Vertex {
    float x, y;
    uint8_t rgba[4];
};

// The quad (x0, y0)-(x1, y1) as two triangles.
void addRectangle(std::vector<Vertex>& vertices, float x0, float y0, float x1, float y1, const uint8_t rgba[4])
{
    const Vertex corners[4] = {{x0, y0, {rgba[0], rgba[1], rgba[2], rgba[3]}},
                               {x1, y0, {rgba[0], rgba[1], rgba[2], rgba[3]}},
                               {x1, y1, {rgba[0], rgba[1], rgba[2], rgba[3]}},
                               {x0, y1, {rgba[0], rgba[1], rgba[2], rgba[3]}}};
    for (int index : {0, 1, 2, 0, 2, 3})
        vertices.push_back(corners[index]);
}

// The longest line shown; the rest would be off screen anyway.
constexpr std::size_t kLongestLine = 200;

// The font knows printable ASCII only.
std::string printable(const std::string& text)
{
    std::string safe = text.substr(0, kLongestLine);
    for (char& c : safe) {
        if (c == '\t')
            c = ' ';
        else if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126)
            c = '?';
    }
    return safe;
}

} // namespace

int HeadsUpDisplay::scaleFor(int height)
{
    return std::max(1, height / 540);
}

bool HeadsUpDisplay::makeObjects()
{
    ConsoleSink silent;
    program_ = render::buildProgram(kVertexSource, kFragmentSource, "heads-up.vsh", "heads-up.fsh", BuildReport::Quiet,
                                    silent)
                   .program;
    if (!program_.isValid()) {
        std::fputs("heads-up display: the text program does not build; live mode shows no overlay\n", stderr);
        return false;
    }

    vertexArray_ = GlName::generate(GlName::Kind::VertexArray);
    buffer_ = GlName::generate(GlName::Kind::Buffer);
    glBindVertexArray(vertexArray_.get());
    glBindBuffer(GL_ARRAY_BUFFER, buffer_.get());
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, rgba)));
    return true;
}

void HeadsUpDisplay::draw(const std::vector<HudLine>& lines, int width, int height, int x, int y)
{
    if (lines.empty() || width <= 0 || height <= 0 || failed_)
        return;

    // Remembered to be put back: the next frame starts from the state the
    // previous one left.
    GLint program = 0, vertexArray = 0, arrayBuffer = 0, viewport[4] = {};
    GLint blendSourceRgb = 0, blendDestinationRgb = 0, blendSourceAlpha = 0, blendDestinationAlpha = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_BLEND_SRC_RGB, &blendSourceRgb);
    glGetIntegerv(GL_BLEND_DST_RGB, &blendDestinationRgb);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &blendSourceAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &blendDestinationAlpha);
    const GLboolean blend = glIsEnabled(GL_BLEND);
    const GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);

    if (!program_.isValid() && !makeObjects()) {
        failed_ = true;
        return;
    }

    // Text in font units, then the box behind it, both scaled to pixels.
    const float scale = static_cast<float>(scaleFor(height));
    std::vector<Vertex> text;
    std::vector<char> quads(64 * 1024);
    float widest = 0.0f;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line = printable(lines[i].text);
        unsigned char colour[4] = {lines[i].red, lines[i].green, lines[i].blue, 255};
        const float y = kMargin + static_cast<float>(i * kLineHeight);
        const int count = stb_easy_font_print(kMargin, y, &line[0], colour, quads.data(),
                                              static_cast<int>(quads.size()));
        widest = std::max(widest, static_cast<float>(stb_easy_font_width(&line[0])));
        for (int q = 0; q < count; ++q) {
            // stb's vertices: x, y, z as floats, then four colour bytes.
            const char* quad = quads.data() + q * 64;
            Vertex corners[4];
            for (int v = 0; v < 4; ++v) {
                float xyz[3];
                std::memcpy(xyz, quad + v * 16, sizeof xyz);
                corners[v] = {xyz[0] * scale, xyz[1] * scale, {colour[0], colour[1], colour[2], 255}};
            }
            for (int index : {0, 1, 2, 0, 2, 3})
                text.push_back(corners[index]);
        }
    }
    std::vector<Vertex> vertices;
    const uint8_t box[4] = {0, 0, 0, kBoxAlpha};
    addRectangle(vertices, 0.0f, 0.0f, (widest + 2.0f * kMargin) * scale,
                 (static_cast<float>(lines.size() * kLineHeight) + 2.0f * kMargin) * scale, box);
    vertices.insert(vertices.end(), text.begin(), text.end());

    glViewport(x, y, width, height);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    const GLuint textProgram = program_.getProgramId();
    glUseProgram(textProgram);
    glUniform2f(glGetUniformLocation(textProgram, "viewport"), static_cast<float>(width), static_cast<float>(height));
    glBindVertexArray(vertexArray_.get());
    glBindBuffer(GL_ARRAY_BUFFER, buffer_.get());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(),
                 GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size()));

    glBlendFuncSeparate(static_cast<GLenum>(blendSourceRgb), static_cast<GLenum>(blendDestinationRgb),
                        static_cast<GLenum>(blendSourceAlpha), static_cast<GLenum>(blendDestinationAlpha));
    if (!blend)
        glDisable(GL_BLEND);
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
    glBindVertexArray(static_cast<GLuint>(vertexArray));
    glUseProgram(static_cast<GLuint>(program));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
