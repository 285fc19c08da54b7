// The mouse for shaders. Main thread.
#include "app/ShaderMouse.h"

void ShaderMouse::press(float x, float y)
{
    down_ = true;
    newPress_ = true;
    x_ = clickX_ = pointerX_ = x;
    y_ = clickY_ = pointerY_ = y;
}

void ShaderMouse::release(float x, float y)
{
    move(x, y);
    down_ = false;
}

void ShaderMouse::move(float x, float y)
{
    pointerX_ = x;
    pointerY_ = y;
    if (down_) {
        x_ = x;
        y_ = y;
    }
}

void ShaderMouse::frameValues(float mouse[4], float pointer[2])
{
    mouse[0] = x_;
    mouse[1] = y_;
    mouse[2] = down_ ? clickX_ : -clickX_;
    mouse[3] = newPress_ ? clickY_ : -clickY_;
    pointer[0] = pointerX_;
    pointer[1] = pointerY_;
    newPress_ = false;
}
