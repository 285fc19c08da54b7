// What the description loader asks of the program that runs the demo: the
// window and the answer to a failed shader build or image belong to the
// application, which implements this interface.
//
// Main thread, during the load.
#pragma once

#include <string>

#include "render/ShaderProgram.h"

class DescriptionHost {
public:
    virtual ~DescriptionHost() = default;
    // The description asks for full screen: the window goes full screen and
    // the mouse cursor is hidden.
    virtual void enterFullscreen() = 0;
    // The demo's name, for the window's title.
    virtual void setTitle(const std::string& name) = 0;
    // How shader entries speak while they build.
    virtual BuildReport buildReport() const { return BuildReport::Console; }
    // The entry of these two files has been built, or has failed to build:
    // called right after each build, before the load goes on, so the program
    // can answer a failure where it happens (wait for Enter, show it, give up).
    virtual void shaderBuilt(const std::string& /*vertexPath*/, const std::string& /*fragmentPath*/,
                             const BuildOutcome& /*outcome*/)
    {
    }
    // An image texture that does not load: false lets the texture say so on
    // standard error as it loads (the player); true hands the failure to
    // imageFailed instead, and nothing is said.
    virtual bool takesImageFailures() const { return false; }
    // The image texture of `path` did not load, for `problem` (only when
    // takesImageFailures()); it is one black texel.
    virtual void imageFailed(const std::string& /*path*/, const std::string& /*problem*/) {}
};
