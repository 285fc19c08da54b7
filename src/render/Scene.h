// The render module: shader programs and entries, textures, render targets,
// quads and scenes, on the sync and platform layers (not the timeline: a
// frame's time and spectrum are handed to it). Every GL object it
// makes has one owner (GlName); everything here runs on the main thread with
// the GL context current.
//
// A scene: a chain of up to eight full-screen shader passes and the image
// textures every pass can read, drawn once per frame into the picture.
//
// Main thread, inside the display callback, GL context current. A Scene is a
// value: it holds its own copies of its shader entries (which share GL
// objects with the description's entries) and pointers to textures it does
// not own. Everything else a frame draws with (the picture's size and where
// it goes, the render targets, the quads, the final pass's program, the sync
// device and this frame's values) arrives with each render call.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "render/BuiltinTextures.h"
#include "render/DemoShader.h"
#include "render/FlippedCopy.h"
#include "render/PassDrawing.h"
#include "render/PassSettings.h"
#include "render/PassTarget.h"
#include "render/PassUnitPlan.h"
#include "render/SceneFrame.h"
#include "render/SceneTextureOptions.h"
#include "render/Texture.h"

// What drawing a frame came to.
struct SceneDrawResult {
    bool drawn = true; // false: a render target's framebuffer is not complete
    int target = 0;    // the target that is not
    GLenum framebufferStatus = GL_FRAMEBUFFER_COMPLETE;

    // The one line that says what went wrong ("Scene: render target 0: check
    // failed: ..."), without a line end; "" when drawn.
    std::string problem() const;
};

class Scene {
public:
    static constexpr int kMaxPasses = RenderTargets::kCount; // one render target each

    // Appends a copy of `shader` as the next pass, drawn with `settings`. A
    // scene that already has kMaxPasses passes drops it and returns false
    // (the caller says so).
    bool addShader(const DemoShader& shader, const PassSettings& settings = PassSettings());

    // Appends a texture the passes read as "tex0", "tex1", ... in this order.
    // The texture must outlive the scene.
    // `options` name it and say which way up it is read.
    void addTexture(Texture& texture, const SceneTextureOptions& options = SceneTextureOptions());

    // Draws pass 0 .. n-1 into render targets 0 .. n-1, then the screen quad
    // into the frame's view with the final pass's program, at `frame`'s row,
    // time and picture size. Buffers are not swapped here. The targets are
    // first fitted to the picture's size and to this scene's passes, so a
    // resized window draws at its new size from its next frame on.
    // A picture of zero width or height draws nothing (the frame's "fstr_val"
    // line still appears, unless the frame asks for none). A render target
    // whose framebuffer is not complete stops the frame there; the result
    // says which (the caller decides what follows).
    SceneDrawResult render(const SceneFrame& frame);

    // The scene's own entry copies, in pass order; live reload rebuilds them
    // in place.
    std::vector<DemoShader>& getPassShaders() { return passShaders; }
    const std::vector<DemoShader>& getPassShaders() const { return passShaders; }
    const std::vector<Texture*>& getTextures() const { return textures; }
    // Each texture's options, in the textures' order.
    const std::vector<SceneTextureOptions>& getTextureOptions() const { return textureOptions; }
    // Each pass's settings, in pass order.
    const std::vector<PassSettings>& getPassSettings() const { return passSettings; }
    // The texture that pass `pass` drew into in the latest frame, which drew
    // with `targets`: its own target's, or the shared target's.
    GLuint outputTexture(const RenderTargets& targets, int pass) const;
    // Whether a pass of this scene reads the spectrum texture (as a channel,
    // unless the sites' convention makes that their sound texture, or as
    // `spectrum`), and whether one reads the live-coding tools' 1D
    // textures, with the programs the passes have now.
    bool readsSpectrum(bool& rows1D) const;
    // Whether a pass of the sites' convention reads "spectrum" as a channel:
    // the sites' sound texture (SpectrumTexture.h).
    bool readsSiteSound() const;
    // Whether a pass reads the keyboard as a channel.
    bool readsKeyboard() const;
    // Whether a frame of this scene grows from the frames it drew before: a
    // pass keeps its previous picture (for itself or another pass), with the
    // programs the passes have now.
    bool keepsPictures();
    // How many passes the scene draws, each into a render target of its own.
    int passCount() const { return static_cast<int>(passShaders.size()); }

private:
    // A texture a channel reads, with its size in pixels (0 x 0 for black).
    struct ChannelTexture {
        GLuint id = 0;
        int width = 0;
        int height = 0;
    };

    // False, with `result` saying why, when the pass's target cannot be
    // drawn into. `intoPicture`: the pass draws the frame's picture itself.
    bool renderPass(const SceneFrame& frame, DemoShader& shader, int passIndex, int& textureUnit,
                    SceneDrawResult& result, bool intoPicture);
    // Binds the target pass `passIndex` draws `output` into (the picture
    // when `intoPicture`), clears what `drawing` says and sets the viewport;
    // returns the framebuffer's status (nothing is cleared unless complete).
    GLenum beginPassTarget(const SceneFrame& frame, int passIndex, const ChannelTexture& output,
                           const PassDrawing& drawing, bool intoPicture);
    // Points the samplers of `program` (current) at what the pass reads, on
    // the units of `plan` and those after it: its channels, the scene's
    // textures by number and by name, the spectrum, and the convention's
    // own uniforms for a pass drawing into `output`.
    void bindPassSamplers(const SceneFrame& frame, int passIndex, GLuint program, const ShaderConvention* convention,
                          const PassUnitPlan& plan, const ChannelTexture& output);
    void renderFinalPass(const SceneFrame& frame);
    // Binds where the frame's picture is drawn: the view when it takes the
    // picture as it is, else the offscreen picture (true), which
    // finishPicture then copies into the view.
    static bool bindPicture(const SceneFrame& frame);
    static void finishPicture(const SceneFrame& frame, bool throughPicture);
    // What channel `channel` (iChannelN) of pass `passIndex` reads this
    // frame: the pass before it of that number, or what its settings name.
    ChannelTexture channelTexture(const SceneFrame& frame, int passIndex, int channel) const;
    // Copies, upside down, what the channels of pass `passIndex` that ask
    // for "vflip": true read (all but images, which Texture flips), before
    // the pass's target is bound.
    void flipChannels(const SceneFrame& frame, int passIndex);
    // Whether channel `channel` of pass `passIndex` reads a flipped copy.
    bool readsFlippedCopy(int passIndex, int channel) const;
    // The output of pass `pass` this frame, as later passes read it.
    ChannelTexture passOutput(const SceneFrame& frame, int pass) const;
    // Binds `textureId` to `unit` and points the sampler `name` of the
    // current program at it, unless the unit is past the GL limit.
    void bindSampler(GLuint program, const char* name, int unit, GLuint textureId, GLenum target = GL_TEXTURE_2D);
    // Says once, in `console`, that a render asked for units past the GL limit.
    void warnAboutUnboundTextures(ConsoleSink& console);
    // Sets the uniforms of `convention` in `program` (current) for a pass of
    // width x height whose channels are `channels`; binds its 1D spectrum
    // textures from unit `unit` on and returns the unit after them.
    int setConventionUniforms(const ShaderConvention& convention, GLuint program, const SceneFrame& frame,
                              int passIndex, int width, int height, const ChannelTexture channels[4], int unit);
    // What pass `passIndex` reads of the pass whose define is `define`: its
    // output this frame when it drew before, else its previous frame's (with
    // `previousOnly`, always the previous frame's); black without such a pass.
    ChannelTexture definedPassOutput(const SceneFrame& frame, int passIndex, const std::string& define,
                                     bool previousOnly) const;
    // The output of pass `pass` of the previous frame; black unless its
    // target keeps two pictures.
    ChannelTexture previousOutput(int pass) const;
    // Marks every pass whose previous output another pass (or its own
    // texPreviousFrame) reads, before its target is made.
    void markPreviousReaders();
    // Scene texture `index` as a pass of `convention` reads it through the
    // convention's samplers (`conventionWay`) or the player's texN; a
    // channel's own "vflip" (`channelFlip`) comes before the texture entry's.
    ChannelTexture imageTexture(int index, const ShaderConvention* convention, bool conventionWay,
                                const std::optional<bool>& channelFlip = std::nullopt) const;
    // The scene texture whose options name it `name`; -1 for none.
    int namedTexture(const std::string& name) const;
    // Whether pass `pass` reads the sites' sound texture as its spectrum.
    bool passReadsSiteSound(std::size_t pass) const;

    std::vector<DemoShader> passShaders;
    std::vector<PassSettings> passSettings; // one per pass
    // One per pass: its own target when its settings ask for one (made at
    // its first frame), else null and the pass draws into the shared target.
    std::vector<std::shared_ptr<PassTarget>> passTargets;
    std::vector<Texture*> textures;
    std::vector<SceneTextureOptions> textureOptions; // one per texture
    // The player's own textures, shared by copies of the scene; made at first use.
    std::shared_ptr<BuiltinTextures> builtins = std::make_shared<BuiltinTextures>();
    std::vector<bool> targetKeepsTwo; // per pass: whether its own target was made with two pictures
    // Per pass and channel (pass * kMaxChannels + channel): the copy a
    // flipped channel reads this frame, made at its first use.
    std::vector<std::shared_ptr<FlippedCopy>> flippedCopies;
    std::vector<ChannelTexture> flippedReads;
    GLint textureUnitLimit = 0; // GL's combined limit, read at each render
    bool textureUnitWarningGiven = false;
    int firstUnboundUnit = -1; // the first unit past the limit this render asked for, until it is said
};

namespace render {

// The render targets that `scenes` reach: the longest scene's pass count.
int longestPassChain(const std::vector<Scene>& scenes);

} // namespace render
