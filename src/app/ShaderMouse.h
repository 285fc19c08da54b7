// ShaderMouse: the mouse as the shader sites define it, for their iMouse,
// and where it is, for the viewers' u_mouse. Live mode follows the mouse;
// every other way of running the demo gives zeros.
//
// iMouse: xy is where the mouse is while the left button is down (where it
// was last once released); zw is where the button went down, z negative once
// it is up again, w positive only in the first frame after the press. All in
// window pixels from the bottom left; zeros before the first press.
//
// Main thread (the toolkit's mouse callbacks and the frame). A plain value.
#pragma once

class ShaderMouse {
public:
    // The left button went down / up at (x, y).
    void press(float x, float y);
    void release(float x, float y);
    // The mouse moved to (x, y), with the button down or not.
    void move(float x, float y);

    // The values for the frame about to be drawn: iMouse and the position.
    // A press counts as new in one frame only.
    void frameValues(float mouse[4], float pointer[2]);

private:
    float x_ = 0.0f, y_ = 0.0f;           // the last position with the button down
    float clickX_ = 0.0f, clickY_ = 0.0f; // where the button went down
    float pointerX_ = 0.0f, pointerY_ = 0.0f;
    bool down_ = false;
    bool newPress_ = false; // pressed since the last frame
};
