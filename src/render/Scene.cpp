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
#include <string>

#include <GL/glew.h>

#include "platform/ConsoleSink.h"
#include "render/Camera.h"
#include "render/PassDrawing.h"
#include "render/PassUnitPlan.h"
#include "render/PlayerUniforms.h"
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

void printFstrLine(ConsoleSink& console, float fstrValue)
{
    console.out() << "fstr_val" << static_cast<double>(fstrValue) << "\n" << std::flush;
}

} // namespace

bool Scene::addShader(const DemoShader& shader, const PassSettings& settings)
{
    if (passShaders.size() >= static_cast<size_t>(kMaxPasses))
        return false;
    passShaders.push_back(shader);
    passSettings.push_back(settings);
    return true;
}

void Scene::addTexture(Texture& texture, const SceneTextureOptions& options)
{
    textures.push_back(&texture);
    textureOptions.push_back(options);
}

Scene::ChannelTexture Scene::imageTexture(int index, const ShaderConvention* convention, bool conventionWay,
                                          const std::optional<bool>& channelFlip) const
{
    if (index < 0 || index >= static_cast<int>(textures.size()))
        return {};
    Texture& texture = *textures[static_cast<size_t>(index)];
    const std::optional<bool>& vflip = channelFlip.has_value() ? channelFlip
                                                               : textureOptions[static_cast<size_t>(index)].vflip;
    const bool upright = vflip.has_value() ? *vflip
                                           : conventionWay && convention != nullptr && convention->imagesUpright;
    return {upright ? texture.uprightId() : texture.getId(), texture.width(), texture.height()};
}

int Scene::namedTexture(const std::string& name) const
{
    for (size_t i = 0; i < textureOptions.size(); ++i)
        if (!name.empty() && textureOptions[i].name == name)
            return static_cast<int>(i);
    return -1;
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
            printFstrLine(frame.console, frame.fstrValue);
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
    markPreviousReaders();
    passTargets.resize(passShaders.size());
    targetKeepsTwo.resize(passShaders.size(), false);
    for (size_t i = 0; i < passShaders.size(); ++i) {
        // A rebuilt program that starts or stops reading its previous frame gets a target to match.
        if (passTargets[i] && targetKeepsTwo[i] != passSettings[i].readsPrevious())
            passTargets[i].reset();
        if (!passTargets[i] && !passSettings[i].hasDefaultTarget()) {
            passTargets[i] = std::make_shared<PassTarget>(passSettings[i]);
            targetKeepsTwo[i] = passSettings[i].readsPrevious();
        }
        if (passTargets[i])
            passTargets[i]->beginFrame(width, height, frame.inputs.epoch, frame.inputs.frameNumber);
    }
    bool rows1D = false;
    if (frame.inputs.spectrumTexture != nullptr && readsSpectrum(rows1D))
        frame.inputs.spectrumTexture->upload(frame.inputs.spectrum, rows1D);
    if (frame.inputs.spectrumTexture != nullptr && readsSiteSound())
        frame.inputs.spectrumTexture->uploadSiteSound(frame.inputs.spectrum);
    if (frame.inputs.keyboardTexture != nullptr && readsKeyboard())
        frame.inputs.keyboardTexture->upload();

    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &textureUnitLimit);
    // Without a final pass the last pass draws the picture, unless it has a
    // target of its own (another size or format, or one it reads back).
    const int last = passCount() - 1;
    const bool lastDrawsPicture = !frame.finalPass && last >= 0 && passSettings[last].hasDefaultTarget();
    int textureUnit = 0;
    for (int i = 0; i <= last; ++i)
        if (!renderPass(frame, passShaders[i], i, textureUnit, result, lastDrawsPicture && i == last)) {
            warnAboutUnboundTextures(frame.console);
            return result;
        }
    if (!lastDrawsPicture) {
        renderFinalPass(frame);
        warnAboutUnboundTextures(frame.console);
        return result;
    }
    if (frame.printsFstrLine)
        printFstrLine(frame.console, frame.fstrValue);
    finishPicture(frame, !frame.view.takesPictureAsItIs(width, height) && frame.picture != nullptr);
    warnAboutUnboundTextures(frame.console);
    return result;
}

bool Scene::renderPass(const SceneFrame& frame, DemoShader& shader, int passIndex, int& textureUnit,
                       SceneDrawResult& result, bool intoPicture)
{
    PassTarget* own = passTargets[static_cast<size_t>(passIndex)].get();
    const ChannelTexture output = intoPicture
                                      ? ChannelTexture{0, static_cast<int>(frame.width), static_cast<int>(frame.height)}
                                      : passOutput(frame, passIndex);
    const PassSettings& settings = passSettings[static_cast<size_t>(passIndex)];
    const GLuint program = shader.getProgramId();
    if (program != 0)
        flipChannels(frame, passIndex);
    PassDrawing drawing = render::passDrawing(shader.getShaderProgram().sourceFacts(), settings.depth,
                                              settings.readsPrevious());
    drawing.clear = drawing.clear || program == 0;
    const GLenum status = beginPassTarget(frame, passIndex, output, drawing, intoPicture);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        result.drawn = false;
        result.target = passIndex;
        result.framebufferStatus = status;
        return false;
    }

    const ShaderConvention* convention = shader.getConvention();
    PassUnitRequest request;
    request.passIndex = passIndex;
    request.textureCount = static_cast<int>(textures.size());
    request.hasProgram = program != 0;
    request.hasChannels = settings.hasChannels;
    request.channelCount = static_cast<int>(settings.channels.size());
    request.conventionChannels = convention != nullptr;
    const PassUnitPlan plan = render::planPassUnits(request, textureUnit);
    textureUnit = plan.unitsCounted;
    // An entry whose first build failed: its target stays cleared (later
    // passes read transparent black from it).
    if (program == 0)
        return true;

    VertexArrayObject& quad = frame.quads.pass(passIndex);
    quad.bindAttributes(shader.getShaderProgram());
    glUseProgram(program);
    bindPassSamplers(frame, passIndex, program, convention, plan, output);
    shader.applyParameters(frame.syncDevice, frame.row);

    // Looking from just behind the origin at the quad at z = 1, seen from
    // its back; the quad is far larger than the view, so it fills the target.
    Camera camera(kFieldOfView, frame.width / frame.height, 0.01f, 1100.0f);
    camera.setPosition(0.0f, 0.0f, -0.1f);
    camera.setTarget(0.0f, 0.0f, 0.0f);
    quad.setPosition(0.0f, 0.0f, 0.0f);
    quad.setRotation(0.0f, 0.0f, 0.0f, 1.0f);

    // A pass of its own size works in its own pixels.
    if (!conventionSets(convention, uniforms::kResolution.name))
        glUniform2f(glGetUniformLocation(program, uniforms::kResolution.name), static_cast<float>(output.width),
                    static_cast<float>(output.height));
    shader.setUniform(uniforms::kGlobalTime.name, static_cast<float>(frame.seconds));
    shader.setUniform(uniforms::kFft.name, frame.fftValue);
    quad.draw(camera);
    if (own != nullptr)
        own->finishDraw();
    return true;
}

GLenum Scene::beginPassTarget(const SceneFrame& frame, int passIndex, const ChannelTexture& output,
                              const PassDrawing& drawing, bool intoPicture)
{
    if (intoPicture) {
        // The picture's place has a depth buffer of its own.
        bindPicture(frame);
    } else {
        const PassTarget* own = passTargets[static_cast<size_t>(passIndex)].get();
        RenderTargets& targets = frame.targets;
        glBindFramebuffer(GL_FRAMEBUFFER, own != nullptr ? own->framebuffer() : targets.framebuffer(passIndex));
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, output.id, 0);
        // The shared depth buffer serves a pass's own target too: it is at least as large.
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  drawing.depth ? targets.depthBuffer() : 0);
    }
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE)
        return status;

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
    if (!intoPicture) {
        const GLenum colourAttachment = GL_COLOR_ATTACHMENT0;
        glDrawBuffers(1, &colourAttachment);
    }
    return status;
}

void Scene::bindPassSamplers(const SceneFrame& frame, int passIndex, GLuint program, const ShaderConvention* convention,
                             const PassUnitPlan& plan, const ChannelTexture& output)
{
    ChannelTexture channels[PassSettings::kMaxChannels] = {};
    for (size_t c = 0; c < plan.channelUnits.size(); ++c) {
        const int unit = plan.channelUnits[c];
        if (unit == PassUnitPlan::kNone)
            continue;
        const int channel = static_cast<int>(c);
        const ChannelTexture read =
            readsFlippedCopy(passIndex, channel)
                ? flippedReads[static_cast<size_t>(passIndex * PassSettings::kMaxChannels + channel)]
                : channelTexture(frame, passIndex, channel);
        bindSampler(program, numbered(uniforms::kChannelPrefix, static_cast<int>(c)).c_str(), unit, read.id);
        if (c < static_cast<size_t>(PassSettings::kMaxChannels))
            channels[c] = read;
    }
    for (size_t k = 0; k < plan.textureUnits.size(); ++k)
        bindSampler(program, numbered(uniforms::kTexturePrefix, static_cast<int>(k)).c_str(), plan.textureUnits[k],
                    imageTexture(static_cast<int>(k), convention, false).id);

    int unit = plan.firstFreeUnit;
    if (frame.inputs.spectrumTexture != nullptr && glGetUniformLocation(program, uniforms::kSpectrum.name) >= 0)
        bindSampler(program, uniforms::kSpectrum.name, unit++, frame.inputs.spectrumTexture->texture2D());
    // Named textures, unless the convention sets that name itself (it reads them there).
    for (size_t k = 0; k < textures.size(); ++k) {
        const std::string& name = textureOptions[k].name;
        if (!name.empty() && !conventionSets(convention, name.c_str()) &&
            glGetUniformLocation(program, name.c_str()) >= 0)
            bindSampler(program, name.c_str(), unit++, imageTexture(static_cast<int>(k), convention, true).id);
    }
    if (convention != nullptr)
        setConventionUniforms(*convention, program, frame, passIndex, output.width, output.height, channels, unit);
}

bool Scene::readsFlippedCopy(int passIndex, int channel) const
{
    const PassSettings& settings = passSettings[static_cast<size_t>(passIndex)];
    const size_t c = static_cast<size_t>(channel);
    return settings.hasChannels && c < settings.channels.size() && c < settings.channelFlips.size() &&
           settings.channelFlips[c].value_or(false) && settings.channels[c].source != PassChannel::Source::Texture;
}

void Scene::flipChannels(const SceneFrame& frame, int passIndex)
{
    const size_t slots = passShaders.size() * PassSettings::kMaxChannels;
    flippedCopies.resize(slots);
    flippedReads.resize(slots);
    for (int channel = 0; channel < PassSettings::kMaxChannels; ++channel) {
        if (!readsFlippedCopy(passIndex, channel))
            continue;
        const size_t slot = static_cast<size_t>(passIndex * PassSettings::kMaxChannels + channel);
        if (!flippedCopies[slot])
            flippedCopies[slot] = std::make_shared<FlippedCopy>();
        const ChannelTexture source = channelTexture(frame, passIndex, channel);
        // A pass's output is sampled as its pass entry's "filter" says; the spectrum linearly.
        const PassChannel& named = passSettings[static_cast<size_t>(passIndex)].channels[static_cast<size_t>(channel)];
        const bool fromPass = named.source == PassChannel::Source::Pass ||
                              named.source == PassChannel::Source::PassPrevious;
        const int from = named.source == PassChannel::Source::Previous ? passIndex : named.index;
        const bool linear = fromPass || named.source == PassChannel::Source::Previous
                                ? from >= 0 && from < passCount() &&
                                      passSettings[static_cast<size_t>(from)].filter != PassFilter::Nearest
                                : named.source == PassChannel::Source::Spectrum;
        flippedReads[slot] = {flippedCopies[slot]->copy(source.id, source.width, source.height, linear), source.width,
                              source.height};
    }
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

Scene::ChannelTexture Scene::previousOutput(int pass) const
{
    const PassTarget* target = pass >= 0 && pass < static_cast<int>(passTargets.size())
                                   ? passTargets[static_cast<size_t>(pass)].get()
                                   : nullptr;
    // Every pass has begun its frame before the first draws, so the previous
    // picture is last frame's for passes before this one and after it alike.
    if (target == nullptr || !passSettings[static_cast<size_t>(pass)].readsPrevious())
        return {};
    return {target->previousTexture(), target->width(), target->height()};
}

Scene::ChannelTexture Scene::definedPassOutput(const SceneFrame& frame, int passIndex, const std::string& define,
                                               bool previousOnly) const
{
    for (size_t p = 0; p < passSettings.size(); ++p) {
        if (passSettings[p].define != define)
            continue;
        const int pass = static_cast<int>(p);
        if (pass < passIndex && !previousOnly)
            return passOutput(frame, pass);
        return previousOutput(pass);
    }
    return {};
}

bool Scene::keepsPictures()
{
    markPreviousReaders();
    return std::any_of(passSettings.begin(), passSettings.end(),
                       [](const PassSettings& settings) { return settings.readsPrevious(); });
}

void Scene::markPreviousReaders()
{
    for (size_t i = 0; i < passShaders.size(); ++i) {
        const GLuint program = passShaders[i].getProgramId();
        passSettings[i].keepsPrevious = program != 0 && passShaders[i].getConvention() != nullptr &&
                                        std::any_of(passShaders[i].getConvention()->uniforms.begin(),
                                                    passShaders[i].getConvention()->uniforms.end(),
                                                    [&](const ConventionUniform& uniform) {
                                                        return uniform.value == ConventionValue::PreviousFrame &&
                                                               glGetUniformLocation(program, uniform.name) >= 0;
                                                    });
    }
    for (const PassSettings& settings : passSettings)
        for (const PassChannel& channel : settings.channels)
            if (channel.source == PassChannel::Source::PassPrevious && channel.index >= 0 &&
                channel.index < static_cast<int>(passSettings.size()))
                passSettings[static_cast<size_t>(channel.index)].keepsPrevious = true;
}

Scene::ChannelTexture Scene::channelTexture(const SceneFrame& frame, int passIndex, int channel) const
{
    const PassSettings& settings = passSettings[static_cast<size_t>(passIndex)];
    if (!settings.hasChannels)
        return channel < passIndex ? passOutput(frame, channel) : ChannelTexture();
    if (channel >= static_cast<int>(settings.channels.size()))
        return {};
    // What names nothing reads black: no texture on its unit.
    const PassTarget* own = passTargets[static_cast<size_t>(passIndex)].get();
    const PassChannel& named = settings.channels[static_cast<size_t>(channel)];
    switch (named.source) {
    case PassChannel::Source::Pass:
        if (named.index < passIndex)
            return passOutput(frame, named.index);
        break;
    case PassChannel::Source::Texture:
        return imageTexture(named.index, passShaders[static_cast<size_t>(passIndex)].getConvention(), true,
                            channel < static_cast<int>(settings.channelFlips.size())
                                ? settings.channelFlips[static_cast<size_t>(channel)]
                                : std::nullopt);
    case PassChannel::Source::Previous:
        if (own != nullptr)
            return {own->previousTexture(), own->width(), own->height()};
        break;
    case PassChannel::Source::PassPrevious:
        return previousOutput(named.index);
    case PassChannel::Source::Spectrum:
        if (frame.inputs.spectrumTexture == nullptr)
            break;
        if (passReadsSiteSound(static_cast<size_t>(passIndex)))
            return {frame.inputs.spectrumTexture->siteSoundTexture(), SpectrumTexture::kSiteSoundWidth,
                    SpectrumTexture::kSiteSoundRows};
        return {frame.inputs.spectrumTexture->texture2D(), SpectrumRows::kBins, 2};
    case PassChannel::Source::Keyboard:
        if (frame.inputs.keyboardTexture != nullptr)
            return {frame.inputs.keyboardTexture->texture(), KeyboardTexture::kKeys, KeyboardTexture::kRows};
        return {builtins->noKeys(), KeyboardTexture::kKeys, KeyboardTexture::kRows};
    case PassChannel::Source::Black:
        break;
    }
    return {};
}

int Scene::setConventionUniforms(const ShaderConvention& convention, GLuint program, const SceneFrame& frame,
                                 int passIndex, int width, int height, const ChannelTexture channels[4], int unit)
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
        case ConventionValue::Noise:
            bindSampler(program, uniform.name, unit++,
                        namedTexture(uniform.name) >= 0 ? imageTexture(namedTexture(uniform.name), &convention, true).id
                                                        : builtins->noise());
            break;
        case ConventionValue::Checker:
            bindSampler(program, uniform.name, unit++,
                        namedTexture(uniform.name) >= 0 ? imageTexture(namedTexture(uniform.name), &convention, true).id
                                                        : builtins->checker());
            break;
        case ConventionValue::StandIn:
            bindSampler(program, uniform.name, unit++,
                        namedTexture(uniform.name) >= 0 ? imageTexture(namedTexture(uniform.name), &convention, true).id
                                                        : builtins->standIn(uniform.index));
            break;
        case ConventionValue::PreviousFrame:
            bindSampler(program, uniform.name, unit++, previousOutput(passIndex).id);
            break;
        case ConventionValue::SceneTexture:
            bindSampler(program, uniform.name, unit++, imageTexture(uniform.index, &convention, true).id);
            break;
        case ConventionValue::SceneTextureSize:
            if (uniform.index < static_cast<int>(textures.size())) {
                const Texture& texture = *textures[static_cast<size_t>(uniform.index)];
                glUniform2f(location, static_cast<float>(texture.width()), static_cast<float>(texture.height()));
            }
            break;
        case ConventionValue::Buffer:
            bindSampler(program, uniform.name, unit++,
                        definedPassOutput(frame, passIndex, numbered("BUFFER_", uniform.index), false).id);
            break;
        case ConventionValue::DoubleBuffer:
            bindSampler(program, uniform.name, unit++,
                        definedPassOutput(frame, passIndex, numbered("DOUBLE_BUFFER_", uniform.index), false).id);
            break;
        case ConventionValue::ChannelTime: {
            const float seconds = static_cast<float>(frame.seconds);
            const float times[PassSettings::kMaxChannels] = {seconds, seconds, seconds, seconds};
            glUniform1fv(location, PassSettings::kMaxChannels, times);
            break;
        }
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
        reads = reads || (passSettings[i].readsSpectrum() && !passReadsSiteSound(i));
        if (program == 0)
            continue;
        reads = reads || glGetUniformLocation(program, uniforms::kSpectrum.name) >= 0;
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

bool Scene::passReadsSiteSound(size_t pass) const
{
    const ShaderConvention* convention = passShaders[pass].getConvention();
    return convention != nullptr && convention->siteSound && passSettings[pass].readsSpectrum();
}

bool Scene::readsSiteSound() const
{
    for (size_t i = 0; i < passShaders.size(); ++i)
        if (passReadsSiteSound(i))
            return true;
    return false;
}

bool Scene::readsKeyboard() const
{
    return std::any_of(passSettings.begin(), passSettings.end(),
                       [](const PassSettings& settings) { return settings.readsKeyboard(); });
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
        bindSampler(program, numbered(uniforms::kChannelPrefix, j).c_str(), j, passOutput(frame, j).id);
    // The last pass's output once more, on the unit after the channels. A
    // scene without passes has no output to show, so nothing is bound.
    if (passCount > 0)
        bindSampler(program, uniforms::kFinalTarget.name, passCount, passOutput(frame, passCount - 1).id);

    glUniform2f(glGetUniformLocation(program, uniforms::kResolution.name), frame.width, frame.height);
    glUniform1f(glGetUniformLocation(program, uniforms::kFft.name), frame.fftValue);
    const GLint fstrLocation = glGetUniformLocation(program, uniforms::kFstr.name);
    if (frame.printsFstrLine)
        printFstrLine(frame.console, frame.fstrValue);
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
        if (!textureUnitWarningGiven && firstUnboundUnit < 0)
            firstUnboundUnit = unit;
        return;
    }
    glUniform1i(glGetUniformLocation(program, name), unit);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(target, textureId);
}

void Scene::warnAboutUnboundTextures(ConsoleSink& console)
{
    if (firstUnboundUnit < 0)
        return;
    char line[160];
    std::snprintf(line, sizeof line,
                  "Scene: texture unit %d is past this GL's limit of %d; the textures from there on are not bound",
                  firstUnboundUnit, textureUnitLimit);
    console.error(line);
    textureUnitWarningGiven = true;
    firstUnboundUnit = -1;
}

int render::longestPassChain(const std::vector<Scene>& scenes)
{
    int longest = 0;
    for (const Scene& scene : scenes)
        longest = std::max(longest, scene.passCount());
    return longest;
}
