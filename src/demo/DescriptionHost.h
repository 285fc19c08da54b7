// What the description loader asks of the program that runs the demo: the
// window belongs to the application, which implements this interface.
//
// Main thread, during the load.
#pragma once

#include <string>

class DescriptionHost {
public:
    virtual ~DescriptionHost() = default;
    // The description asks for full screen: the window goes full screen and
    // the mouse cursor is hidden.
    virtual void enterFullscreen() = 0;
    // The demo's name, for the window's title.
    virtual void setTitle(const std::string& name) = 0;
};
