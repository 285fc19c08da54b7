// No change notification: the caller polls (see change_notify.h).
#include "platform/change_notify.h"

PlatformWatch* platform_watch_open()
{
    return nullptr;
}

bool platform_watch_directory(PlatformWatch*, const std::string&)
{
    return false;
}

bool platform_watch_read(PlatformWatch*, std::vector<std::string>&)
{
    return false;
}

void platform_watch_close(PlatformWatch*) {}
