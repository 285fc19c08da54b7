// The record of the current GL context (see platform.h): one per thread, as
// GL's own. The same on every system: whatever makes a context current says
// so, rather than each system's window layer being asked (GLX knows nothing
// of an EGL context). Any thread.
#include "platform/platform.h"

namespace {

thread_local bool contextCurrent = false;

} // namespace

bool platform_gl_context_current()
{
    return contextCurrent;
}

void platform_gl_context_record(bool current)
{
    contextCurrent = current;
}
