// The two Esc presses that quit the track editor. Main thread.
#include "editor/QuitConfirmation.h"

bool QuitConfirmation::press(double nowSeconds)
{
    if (asking(nowSeconds) && nowSeconds >= askedAt_)
        return true;
    askedAt_ = nowSeconds;
    return false;
}
