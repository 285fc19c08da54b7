// FileStamp (see FileStamp.h). Any thread.
#include "platform/FileStamp.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/platform.h"

namespace fs = std::filesystem;

FileStamp::FileStamp(std::string path, Detail detail) : path_(std::move(path)), detail_(detail)
{
    last_ = lookNow(readable_);
}

FileStamp::Look FileStamp::lookNow(bool& readable) const
{
    Look look;
    if (detail_ == Detail::WholeSeconds) {
        int32_t seconds = 0;
        readable = platform_file_time(path_.c_str(), seconds);
        look.time = seconds; // 0 when the status cannot be read
        return look;
    }
    std::error_code error;
    const fs::file_status status = fs::status(path_, error);
    readable = !error && fs::exists(status);
    if (!readable)
        return look;
    look.exists = true;
    platform_file_time_ns(path_.c_str(), look.time);
    if (fs::is_regular_file(status))
        look.size = static_cast<uint64_t>(fs::file_size(path_, error));
    return look;
}

bool FileStamp::changed()
{
    const Look now = lookNow(readable_);
    if (now == last_)
        return false;
    last_ = now;
    return true;
}

bool FileStamp::readAt(int64_t readSinceNs)
{
    if (detail_ != Detail::Exact || !last_.exists || last_.time < readSinceNs)
        return false;
    last_.time = INT64_MIN; // no file has this time
    return true;
}
