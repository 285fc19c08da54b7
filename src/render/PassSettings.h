// How one pass of a scene draws and what it reads, beyond its shader: the
// optional keys of its entry in the description. The defaults are the pass
// every scene has without them: a RGBA16F target of the window's size read
// with nearest filtering, and the outputs of the passes before it as
// iChannel0, iChannel1, ...
//
// Plain values; any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class PassFormat { Rgba16f, Rgba8, Rgba32f };

// How readers sample the pass's output: nearest texel, linear blend, or
// linear between mipmap levels made after the pass draws.
enum class PassFilter { Nearest, Linear, Mipmap };

// What one channel (iChannel0 .. iChannel3) of a pass reads.
struct PassChannel {
    enum class Source {
        Black,        // nothing: a channel that names nothing reads black
        Pass,         // the output of pass `index` of this frame
        Texture,      // the scene's texture `index`
        Previous,     // this pass's own output of the previous frame
        Spectrum,     // the spectrum texture (see SpectrumTexture.h)
        PassPrevious, // the output of pass `index` of the previous frame
        Keyboard,     // the keys held, pressed and toggled (KeyboardTexture.h)
    };
    Source source = Source::Black;
    int index = 0; // the pass or texture, for Pass, PassPrevious and Texture
};

struct PassSettings {
    static constexpr int kMaxChannels = 4;
    static constexpr float kSmallestScale = 0.25f;

    PassFormat format = PassFormat::Rgba16f;
    float scale = 1.0f; // the target's size as a fraction of the window's, kSmallestScale .. 1
    PassFilter filter = PassFilter::Nearest;
    bool hasChannels = false;          // false: the channels are the passes before this one
    std::vector<PassChannel> channels; // with hasChannels: iChannel0 .. in this order
    // One per channel: read upside down (true) or as it is (false) against
    // its raw rows (an image as loaded, top row first; a pass as drawn);
    // unset: the reading convention's way (images upright in some, passes
    // never flipped).
    std::vector<std::optional<bool>> channelFlips;
    bool depth = false;         // true: a depth buffer and test even when the shader writes no gl_FragDepth
    std::string define;         // "" or a macro the pass's shader is built with ("#define NAME")
    bool keepsPrevious = false; // another pass reads this one's previous output (the scene sets it)
    std::string entryPath;      // the pass's place in the description, for messages ("scenes[0].shader_order[1]")

    // Whether the pass's target keeps two pictures: a channel reads its own
    // previous output, another pass reads it, or its define is glslViewer's
    // DOUBLE_BUFFER_N.
    bool readsPrevious() const;
    // Whether a channel reads the spectrum texture.
    bool readsSpectrum() const;
    // Whether a channel reads the keyboard.
    bool readsKeyboard() const;
    // Whether the output is the default target's: RGBA16F, the window's size, nearest.
    bool hasDefaultTarget() const;
};

namespace render {

// `text` as a channel: "pass:N", "pass:N:previous", "texture:N" (N a whole
// number from 0), "previous", "spectrum", "keyboard" or "none" (black, said
// on purpose). False when it is none of these.
bool parsePassChannel(const std::string& text, PassChannel& channel);

} // namespace render
