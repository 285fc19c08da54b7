// Change notification through Linux's inotify (see change_notify.h).
#include "platform/change_notify.h"

#include <cerrno>
#include <map>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

struct PlatformWatch {
    int fd = -1;
    std::map<int, std::string> directories; // watch descriptor -> folder as given
};

namespace {

// What a save looks like, whatever the editor: written and closed, renamed
// into place (or away), deleted, or only touched. Creating and plain writes
// are left out: a file being written is not ready to read until it is closed.
constexpr uint32_t kEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ATTRIB;

} // namespace

PlatformWatch* platform_watch_open()
{
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr;
    PlatformWatch* watch = new PlatformWatch;
    watch->fd = fd;
    return watch;
}

bool platform_watch_directory(PlatformWatch* watch, const std::string& directory)
{
    const std::string folder = directory.empty() ? "." : directory;
    const int wd = inotify_add_watch(watch->fd, folder.c_str(), kEvents | IN_ONLYDIR);
    if (wd < 0)
        return false;
    watch->directories[wd] = folder;
    return true;
}

bool platform_watch_read(PlatformWatch* watch, std::vector<std::string>& paths)
{
    bool complete = true;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t length = read(watch->fd, buffer, sizeof buffer);
        if (length <= 0)
            return complete; // EAGAIN: nothing more for now
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                complete = false;
                continue;
            }
            const auto folder = watch->directories.find(event->wd);
            if (folder != watch->directories.end() && event->len > 0)
                paths.push_back(folder->second + "/" + event->name);
        }
    }
}

void platform_watch_close(PlatformWatch* watch)
{
    if (watch == nullptr)
        return;
    close(watch->fd);
    delete watch;
}
