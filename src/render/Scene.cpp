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
#include "render/VertexArrayObject.h"

namespace {

// The field of view is handed to GLM unchanged, which reads it as radians.
constexpr float kFieldOfView = 45.0f;

std::string numbered(const char* prefix, int number)
{
    return prefix + std::to_string(number);
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
    frame.targets.fit(static_cast<int>(frame.width), static_cast<int>(frame.height), passCount());

    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &textureUnitLimit);
    int textureUnit = 0;
    for (size_t i = 0; i < passShaders.size(); ++i)
        if (!renderPass(frame, passShaders[i], static_cast<int>(i), textureUnit, result))
            return result;
    renderFinalPass(frame);
    return result;
}

bool Scene::renderPass(const SceneFrame& frame, DemoShader& shader, int passIndex, int& textureUnit,
                       SceneDrawResult& result)
{
    const int width = static_cast<int>(frame.width);
    const int height = static_cast<int>(frame.height);
    const float time = static_cast<float>(frame.seconds);
    const RenderTargets& targets = frame.targets;

    glBindFramebuffer(GL_FRAMEBUFFER, targets.framebuffer(passIndex));
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, targets.colourTexture(passIndex), 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              targets.depthRenderbuffer(passIndex));
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        result.drawn = false;
        result.target = passIndex;
        result.framebufferStatus = status;
        return false;
    }

    // The depth test stays, though no pass needs depth for its own picture:
    // a pass's fragments at depth 1 (a vertex shader that puts the quad on
    // the far plane, or gl_FragDepth = 1.0) fail it against the cleared
    // buffer and leave the target transparent black there.
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, width, height);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);

    const int textureCount = static_cast<int>(textures.size());
    const GLuint program = shader.getProgramId();
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

    for (int j = 0; j < passIndex; ++j)
        bindSampler(program, numbered("iChannel", j).c_str(), j, targets.colourTexture(j));
    textureUnit += passIndex;
    for (int k = 0; k < textureCount; ++k) {
        bindSampler(program, numbered("tex", k).c_str(), textureUnit, textures[k]->getId());
        ++textureUnit;
    }

    shader.applyParameters(frame.syncDevice, frame.row);

    // Looking from just behind the origin at the quad at z = 1, seen from
    // its back; the quad is far larger than the view, so it fills the target.
    Camera camera(kFieldOfView, frame.width / frame.height, 0.01f, 1100.0f);
    camera.setPosition(0.0f, 0.0f, -0.1f);
    camera.setTarget(0.0f, 0.0f, 0.0f);
    quad.setPosition(0.0f, 0.0f, 0.0f);
    quad.setRotation(0.0f, 0.0f, 0.0f, 1.0f);

    glUniform2f(glGetUniformLocation(program, "iResolution"), frame.width, frame.height);
    shader.setUniform("iGlobalTime", time);
    shader.setUniform("fft", frame.fftValue);
    quad.draw(camera);
    return true;
}

void Scene::renderFinalPass(const SceneFrame& frame)
{
    const int width = static_cast<int>(frame.width);
    const int height = static_cast<int>(frame.height);
    const float time = static_cast<float>(frame.seconds);
    const RenderTargets& targets = frame.targets;
    const int passCount = static_cast<int>(passShaders.size());

    // Straight into the view when it takes the picture as it is, else into
    // the offscreen picture, copied into the view once drawn.
    const FrameView& view = frame.view;
    const bool throughPicture = !view.takesPictureAsItIs(width, height) && frame.picture != nullptr;
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (throughPicture)
        frame.picture->bind(width, height);
    else
        glBindFramebuffer(GL_FRAMEBUFFER, view.framebuffer);
    glViewport(0, 0, width, height);

    const GLuint program = frame.finalProgram.getProgramId();
    glUseProgram(program);
    for (int j = 0; j < passCount; ++j)
        bindSampler(program, numbered("iChannel", j).c_str(), j, targets.colourTexture(j));
    // The last pass's output once more, on the unit after the channels. A
    // scene without passes has no output to show, so nothing is bound.
    if (passCount > 0)
        bindSampler(program, "finalTarget", passCount, targets.colourTexture(passCount - 1));

    glUniform2f(glGetUniformLocation(program, "iResolution"), frame.width, frame.height);
    glUniform1f(glGetUniformLocation(program, "fft"), frame.fftValue);
    const GLint fstrLocation = glGetUniformLocation(program, "fstr");
    if (frame.printsFstrLine)
        printFstrLine(frame.fstrValue);
    glUniform1f(fstrLocation, frame.fstrValue);

    Camera camera(kFieldOfView, frame.width / frame.height, 0.01f, 100.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    camera.setPosition(0.0f, 0.0f, 4.0f);
    camera.setTarget(0.0f, 0.0f, 0.0f);

    // The screen quad stays bound to the final pass's program from start-up.
    VertexArrayObject& quad = frame.quads.screen();
    quad.setPosition(0.0f, 0.0f, 0.0f);
    quad.setRotation(time, 0.0f, 0.0f, 1.0f);
    quad.draw(camera);
    if (throughPicture)
        frame.picture->copyTo(view);
}

void Scene::bindSampler(GLuint program, const char* name, int unit, GLuint textureId)
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
    glBindTexture(GL_TEXTURE_2D, textureId);
}

int render::longestPassChain(const std::vector<Scene>& scenes)
{
    int longest = 0;
    for (const Scene& scene : scenes)
        longest = std::max(longest, scene.passCount());
    return longest;
}
