// Scene: the pass chain and the final anti-aliasing pass, with the uniform
// contract every scene shader relies on.
//
// Main thread, inside the display callback, GL context current. Uniform
// locations are looked up by name at every use: programs change under live
// reload, so nothing is cached between frames. The texture-unit limit is
// read once per render.
#include "render/Scene.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

#include <GL/glew.h>

#include "render/Camera.h"
#include "render/PassDrawing.h"
#include "render/VertexArrayObject.h"

namespace {

// The field of view is handed to GLM unchanged, which reads it as radians.
constexpr float kFieldOfView = 45.0f;

std::string numbered(const char* prefix, int number)
{
    return prefix + std::to_string(number);
}

// Whether `convention` (null for none) sets a uniform called `name` itself.
bool conventionSets(const ShaderConvention* convention, const char* name)
{
    if (convention == nullptr)
        return false;
    return std::any_of(convention->uniforms.begin(), convention->uniforms.end(),
                       [&](const ConventionUniform& uniform) { return std::string(uniform.name) == name; });
}

void printFstrLine(float fstrValue)
{
    std::cout << "fstr_val" << static_cast<double>(fstrValue) << "\n" << std::flush;
}

} // namespace

void Scene::addShader(const DemoShader& shader, const PassSettings& settings)
{
    if (passShaders.size() >= static_cast<size_t>(kMaxPasses)) {
        std::cout << "Sorry. Only max 8 shaders per scene allowed for now. Shall we fix it?";
        return;
    }
    passShaders.push_back(shader);
    passSettings.push_back(settings);
}

void Scene::addTexture(Texture& texture)
{
    textures.push_back(&texture);
}

std::string SceneDrawResult::problem() const
{
    if (drawn)
        return "";
    char line[200];
    std::snprintf(line, sizeof line,
                  "Scene: render target %d: check failed: "
                  "glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE (status 0x%04X)",
                  target, framebufferStatus);
    return line;
}

SceneDrawResult Scene::render(const SceneFrame& frame)
{
    SceneDrawResult result;
    if (frame.width <= 0.0f || frame.height <= 0.0f) {
        // A minimised window: no viewport to draw into and no aspect ratio
        // for the camera. The frame's console line still appears.
        if (frame.printsFstrLine)
            printFstrLine(frame.fstrValue);
        return result;
    }

    // The window is not cleared here: the final pass clears it right before
    // its draw, and a clear now would be a full-window write nothing sees.
    // Blending stays off. Nothing sets a blend function, so blending would
    // take the source as it is (one times source plus zero times what the
    // cleared target holds), and a software renderer would still read every
    // destination pixel back to do so.
    glDisable(GL_BLEND);

    // A window resized since the last frame gets targets of its new size.
    const int width = static_cast<int>(frame.width);
    const int height = static_cast<int>(frame.height);
    frame.targets.fit(width, height, passCount());
    // A pass whose settings ask for a target of its own gets it at its first frame.
    passTargets.resize(passShaders.size());
    for (size_t i = 0; i < passShaders.size(); ++i) {
        if (!passTargets[i] && !passSettings[i].hasDefaultTarget())
            passTargets[i] = std::make_shared<PassTarget>(passSettings[i]);
        if (passTargets[i])
            passTargets[i]->beginFrame(width, height, frame.inputs.epoch, frame.inputs.frameNumber);
    }
    bool rows1D = false;
    if (frame.inputs.spectrumTexture != nullptr && readsSpectrum(rows1D))
        frame.inputs.spectrumTexture->upload(frame.inputs.spectrum, rows1D);

    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &textureUnitLimit);
    // Without a final pass the last pass draws the picture, unless it has a
    // target of its own (another size or format, or one it reads back).
    const int last = passCount() - 1;
    const bool lastDrawsPicture = !frame.finalPass && last >= 0 && passSettings[last].hasDefaultTarget();
    int textureUnit = 0;
    for (int i = 0; i <= last; ++i)
        if (!renderPass(frame, passShaders[i], i, textureUnit, result, lastDrawsPicture && i == last))
            return result;
    if (!lastDrawsPicture) {
        renderFinalPass(frame);
        return result;
    }
    if (frame.printsFstrLine)
        printFstrLine(frame.fstrValue);
    finishPicture(frame, !frame.view.takesPictureAsItIs(width, height) && frame.picture != nullptr);
    return result;
}

bool Scene::renderPass(const SceneFrame& frame, DemoShader& shader, int passIndex, int& textureUnit,
                       SceneDrawResult& result, bool intoPicture)
{
    const float time = static_cast<float>(frame.seconds);
    RenderTargets& targets = frame.targets;
    PassTarget* own = passTargets[static_cast<size_t>(passIndex)].get();
    const ChannelTexture output = intoPicture
                                      ? ChannelTexture{0, static_cast<int>(frame.width), static_cast<int>(frame.height)}
                                      : passOutput(frame, passIndex);
    const PassSettings& settings = passSettings[static_cast<size_t>(passIndex)];
    const GLuint program = shader.getProgramId();
    PassDrawing drawing = render::passDrawing(shader.getShaderProgram().sourceFacts(), settings.depth,
                                              settings.readsPrevious());
    drawing.clear = drawing.clear || program == 0;

    if (intoPicture) {
        // The picture's place has a depth buffer of its own.
        bindPicture(frame);
    } else {
        glBindFramebuffer(GL_FRAMEBUFFER, own != nullptr ? own->framebuffer() : targets.framebuffer(passIndex));
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, output.id, 0);
        // The shared depth buffer serves a pass's own target too: it is at least as large.
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  drawing.depth ? targets.depthBuffer() : 0);
    }
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        result.drawn = false;
        result.target = passIndex;
        result.framebufferStatus = status;
        return false;
    }

    // A pass that writes gl_FragDepth keeps the depth test: its fragments at
    // depth 1 fail it against the cleared buffer and leave the target
    // transparent black there. Other passes need no depth, and a target
    // their quad covers whole needs no clear (see PassDrawing.h).
    if (drawing.depth)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    const GLbitfield clearBits = (drawing.clear ? GL_COLOR_BUFFER_BIT : 0u) |
                                 (drawing.depth ? GL_DEPTH_BUFFER_BIT : 0u);
    if (clearBits != 0)
        glClear(clearBits);
    glViewport(0, 0, output.width, output.height);
    if (!intoPicture)
        glDrawBuffer(GL_COLOR_ATTACHMENT0);

    const int textureCount = static_cast<int>(textures.size());
    if (program == 0) {
        // An entry whose first build failed: its target stays cleared (later
        // passes read transparent black from it) and the units it would have
        // used stay taken, so the other passes see the units they always do.
        textureUnit += passIndex + textureCount;
        return true;
    }

    VertexArrayObject& quad = frame.quads.pass(passIndex);
    quad.bindAttributes(shader.getShaderProgram());
    glUseProgram(program);

    ChannelTexture channels[PassSettings::kMaxChannels] = {};
    if (!settings.hasChannels) {
        for (int j = 0; j < passIndex; ++j) {
            const ChannelTexture earlier = passOutput(frame, j);
            bindSampler(program, numbered("iChannel", j).c_str(), j, earlier.id);
            if (j < PassSettings::kMaxChannels)
                channels[j] = earlier;
        }
    }
    textureUnit += passIndex;
    for (int k = 0; k < textureCount; ++k) {
        bindSampler(program, numbered("tex", k).c_str(), textureUnit, textures[k]->getId());
        ++textureUnit;
    }

    // What the settings and conventions add goes on the units after those
    // (never unit 0, where samplers nothing sets point).
    int unit = std::max({textureUnit, passIndex, 1});
    const ShaderConvention* convention = shader.getConvention();
    if (settings.hasChannels) {
        unit = bindChannels(frame, program, passIndex, unit, channels);
    } else if (convention != nullptr) {
        // The convention's channels without an earlier pass read black.
        for (int j = passIndex; j < PassSettings::kMaxChannels; ++j)
            bindSampler(program, numbered("iChannel", j).c_str(), unit++, 0);
    }
    if (frame.inputs.spectrumTexture != nullptr && glGetUniformLocation(program, "spectrum") >= 0)
        bindSampler(program, "spectrum", unit++, frame.inputs.spectrumTexture->texture2D());
    if (convention != nullptr)
        unit = setConventionUniforms(*convention, program, frame, output.width, output.height, channels, unit);

    shader.applyParameters(frame.syncDevice, frame.row);

    // Looking from just behind the origin at the quad at z = 1, seen from
    // its back; the quad is far larger than the view, so it fills the target.
    Camera camera(kFieldOfView, frame.width / frame.height, 0.01f, 1100.0f);
    camera.setPosition(0.0f, 0.0f, -0.1f);
    camera.setTarget(0.0f, 0.0f, 0.0f);
    quad.setPosition(0.0f, 0.0f, 0.0f);
    quad.setRotation(0.0f, 0.0f, 0.0f, 1.0f);

    // A pass of its own size works in its own pixels.
    if (!conventionSets(convention, "iResolution"))
        glUniform2f(glGetUniformLocation(program, "iResolution"), static_cast<float>(output.width),
                    static_cast<float>(output.height));
    shader.setUniform("iGlobalTime", time);
    shader.setUniform("fft", frame.fftValue);
    quad.draw(camera);
    if (own != nullptr)
        own->finishDraw();
    return true;
}

Scene::ChannelTexture Scene::passOutput(const SceneFrame& frame, int pass) const
{
    const PassTarget* own = pass < static_cast<int>(passTargets.size()) ? passTargets[pass].get() : nullptr;
    if (own != nullptr)
        return {own->texture(), own->width(), own->height()};
    return {frame.targets.colourTexture(pass), frame.targets.colourWidth(), frame.targets.colourHeight()};
}

GLuint Scene::outputTexture(const RenderTargets& targets, int pass) const
{
    const PassTarget* own = pass < static_cast<int>(passTargets.size()) ? passTargets[pass].get() : nullptr;
    return own != nullptr ? own->texture() : targets.colourTexture(pass);
}

int Scene::bindChannels(const SceneFrame& frame, GLuint program, int passIndex, int firstUnit, ChannelTexture sizes[4])
{
    const PassTarget* own = passTargets[static_cast<size_t>(passIndex)].get();
    const std::vector<PassChannel>& channels = passSettings[static_cast<size_t>(passIndex)].channels;
    int unit = firstUnit;
    for (size_t c = 0; c < channels.size() && c < static_cast<size_t>(PassSettings::kMaxChannels); ++c) {
        // What names nothing reads black: no texture on its unit.
        ChannelTexture read;
        const PassChannel& channel = channels[c];
        switch (channel.source) {
        case PassChannel::Source::Pass:
            if (channel.index < passIndex)
                read = passOutput(frame, channel.index);
            break;
        case PassChannel::Source::Texture:
            if (channel.index < static_cast<int>(textures.size())) {
                const Texture& texture = *textures[static_cast<size_t>(channel.index)];
                read = {texture.getId(), texture.width(), texture.height()};
            }
            break;
        case PassChannel::Source::Previous:
            if (own != nullptr)
                read = {own->previousTexture(), own->width(), own->height()};
            break;
        case PassChannel::Source::Spectrum:
            if (frame.inputs.spectrumTexture != nullptr)
                read = {frame.inputs.spectrumTexture->texture2D(), SpectrumRows::kBins, 2};
            break;
        case PassChannel::Source::Black:
            break;
        }
        bindSampler(program, numbered("iChannel", static_cast<int>(c)).c_str(), unit++, read.id);
        sizes[c] = read;
    }
    return unit;
}

int Scene::setConventionUniforms(const ShaderConvention& convention, GLuint program, const SceneFrame& frame, int width,
                                 int height, const ChannelTexture channels[4], int unit)
{
    const PassInputs& inputs = frame.inputs;
    for (const ConventionUniform& uniform : convention.uniforms) {
        const GLint location = glGetUniformLocation(program, uniform.name);
        if (location < 0)
            continue;
        switch (uniform.value) {
        case ConventionValue::Time:
            glUniform1f(location, static_cast<float>(frame.seconds));
            break;
        case ConventionValue::TimeDelta:
            glUniform1f(location, static_cast<float>(inputs.deltaSeconds));
            break;
        case ConventionValue::Frame:
            glUniform1i(location, static_cast<GLint>(inputs.frameNumber));
            break;
        case ConventionValue::FrameRate:
            glUniform1f(location, static_cast<float>(inputs.framesPerSecond));
            break;
        case ConventionValue::Resolution:
            if (std::string(uniform.type) == "vec3")
                glUniform3f(location, static_cast<float>(width), static_cast<float>(height), 1.0f);
            else
                glUniform2f(location, static_cast<float>(width), static_cast<float>(height));
            break;
        case ConventionValue::Mouse:
            glUniform4fv(location, 1, inputs.mouse);
            break;
        case ConventionValue::Pointer:
            glUniform2fv(location, 1, inputs.pointer);
            break;
        case ConventionValue::Date:
            glUniform4fv(location, 1, inputs.date);
            break;
        case ConventionValue::SampleRate:
            glUniform1f(location, inputs.sampleRate);
            break;
        case ConventionValue::Channel:
            break; // bound with the channels
        case ConventionValue::ChannelResolution: {
            float sizes[3 * PassSettings::kMaxChannels];
            for (int c = 0; c < PassSettings::kMaxChannels; ++c) {
                sizes[3 * c] = static_cast<float>(channels[c].width);
                sizes[3 * c + 1] = static_cast<float>(channels[c].height);
                sizes[3 * c + 2] = channels[c].id != 0 ? 1.0f : 0.0f;
            }
            glUniform3fv(location, PassSettings::kMaxChannels, sizes);
            break;
        }
        case ConventionValue::Spectrum:
        case ConventionValue::SpectrumSmoothed:
        case ConventionValue::SpectrumIntegrated: {
            const auto row = uniform.value == ConventionValue::Spectrum           ? SpectrumTexture::Row::Magnitudes
                             : uniform.value == ConventionValue::SpectrumSmoothed ? SpectrumTexture::Row::Smoothed
                                                                                  : SpectrumTexture::Row::Integrated;
            const GLuint texture = inputs.spectrumTexture != nullptr ? inputs.spectrumTexture->texture1D(row) : 0;
            bindSampler(program, uniform.name, unit++, texture, GL_TEXTURE_1D);
            break;
        }
        }
    }
    return unit;
}

bool Scene::readsSpectrum(bool& rows1D) const
{
    bool reads = false;
    rows1D = false;
    for (size_t i = 0; i < passShaders.size(); ++i) {
        const GLuint program = passShaders[i].getProgramId();
        reads = reads || passSettings[i].readsSpectrum();
        if (program == 0)
            continue;
        reads = reads || glGetUniformLocation(program, "spectrum") >= 0;
        const ShaderConvention* convention = passShaders[i].getConvention();
        if (convention == nullptr)
            continue;
        for (const ConventionUniform& uniform : convention->uniforms) {
            const bool row1D = uniform.value == ConventionValue::Spectrum ||
                               uniform.value == ConventionValue::SpectrumSmoothed ||
                               uniform.value == ConventionValue::SpectrumIntegrated;
            if (row1D && glGetUniformLocation(program, uniform.name) >= 0)
                reads = rows1D = true;
        }
    }
    return reads;
}

void Scene::renderFinalPass(const SceneFrame& frame)
{
    const int width = static_cast<int>(frame.width);
    const int height = static_cast<int>(frame.height);
    const float time = static_cast<float>(frame.seconds);
    const int passCount = static_cast<int>(passShaders.size());

    const bool throughPicture = bindPicture(frame);
    glViewport(0, 0, width, height);

    const GLuint program = frame.finalProgram.getProgramId();
    glUseProgram(program);
    for (int j = 0; j < passCount; ++j)
        bindSampler(program, numbered("iChannel", j).c_str(), j, passOutput(frame, j).id);
    // The last pass's output once more, on the unit after the channels. A
    // scene without passes has no output to show, so nothing is bound.
    if (passCount > 0)
        bindSampler(program, "finalTarget", passCount, passOutput(frame, passCount - 1).id);

    glUniform2f(glGetUniformLocation(program, "iResolution"), frame.width, frame.height);
    glUniform1f(glGetUniformLocation(program, "fft"), frame.fftValue);
    const GLint fstrLocation = glGetUniformLocation(program, "fstr");
    if (frame.printsFstrLine)
        printFstrLine(frame.fstrValue);
    glUniform1f(fstrLocation, frame.fstrValue);

    Camera camera(kFieldOfView, frame.width / frame.height, 0.01f, 100.0f);
    // The screen quad turns with the time, so the view is always cleared;
    // its depth only matters to a program that writes gl_FragDepth.
    const bool depth = frame.finalProgram.sourceFacts().writesFragDepth;
    if (depth)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    glClear(depth ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
    camera.setPosition(0.0f, 0.0f, 4.0f);
    camera.setTarget(0.0f, 0.0f, 0.0f);

    // The screen quad stays bound to the final pass's program from start-up.
    VertexArrayObject& quad = frame.quads.screen();
    quad.setPosition(0.0f, 0.0f, 0.0f);
    quad.setRotation(time, 0.0f, 0.0f, 1.0f);
    quad.draw(camera);
    finishPicture(frame, throughPicture);
}

bool Scene::bindPicture(const SceneFrame& frame)
{
    const int width = static_cast<int>(frame.width);
    const int height = static_cast<int>(frame.height);
    const bool throughPicture = !frame.view.takesPictureAsItIs(width, height) && frame.picture != nullptr;
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (throughPicture)
        frame.picture->bind(width, height);
    else
        glBindFramebuffer(GL_FRAMEBUFFER, frame.view.framebuffer);
    return throughPicture;
}

void Scene::finishPicture(const SceneFrame& frame, bool throughPicture)
{
    if (throughPicture)
        frame.picture->copyTo(frame.view);
}

void Scene::bindSampler(GLuint program, const char* name, int unit, GLuint textureId, GLenum target)
{
    if (unit >= textureUnitLimit) {
        if (!textureUnitWarningGiven) {
            std::fprintf(stderr,
                         "Scene: texture unit %d is past this GL's limit of %d; "
                         "the textures from there on are not bound\n",
                         unit, textureUnitLimit);
            textureUnitWarningGiven = true;
        }
        return;
    }
    glUniform1i(glGetUniformLocation(program, name), unit);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(target, textureId);
}

int render::longestPassChain(const std::vector<Scene>& scenes)
{
    int longest = 0;
    for (const Scene& scene : scenes)
        longest = std::max(longest, scene.passCount());
    return longest;
}
