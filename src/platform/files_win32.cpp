// Windows implementation of the platform's file calls: opening a file for
// reading only when it is a regular file, and its modification time (in whole
// seconds and at full resolution), through the wide-character API (the
// program's UTF-8 paths are converted here). No GL: the track code and its
// tool link this without the window system. Any thread.
#include "platform/platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// From 1601-01-01 to 1970-01-01, in 100-nanosecond steps.
constexpr int64_t kTicksTo1970 = 116444736000000000LL;

std::wstring widePath(const char* path)
{
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

// The system's reason for `error`, worded as the C library words the common
// ones, so messages read the same on every system.
std::string errorText(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_NO_UNICODE_TRANSLATION:
        return "No such file or directory";
    case ERROR_ACCESS_DENIED:
        return "Permission denied";
    case ERROR_FILENAME_EXCED_RANGE:
        return std::strerror(ENAMETOOLONG); // as the track reader recognises it
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "Device or resource busy";
    default:
        break;
    }
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string text = "system error " + std::to_string(error);
    if (length > 0 && message != nullptr) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, message, static_cast<int>(length), nullptr, 0, nullptr,
                                              nullptr);
        std::string utf8(static_cast<size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, message, static_cast<int>(length), &utf8[0], bytes, nullptr, nullptr);
        while (!utf8.empty() &&
               (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ' || utf8.back() == '.'))
            utf8.pop_back();
        if (!utf8.empty())
            text = utf8;
    }
    LocalFree(message);
    return text;
}

// The file's last write time in 100-nanosecond steps since 1601-01-01 (UTC).
bool lastWriteTicks(const char* path, uint64_t& ticks)
{
    const std::wstring wide = widePath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return false;
    ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

} // namespace

std::FILE* platform_open_regular_file(const char* path, uint64_t& sizeBytes, std::string& problem)
{
    const std::wstring wide = widePath(path);
    if (wide.empty()) {
        problem = errorText(ERROR_NO_UNICODE_TRANSLATION);
        return nullptr;
    }
    // Backup semantics let a directory be opened, so it can be named as one.
    // Others may go on writing or renaming the file while it is read.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        problem = errorText(GetLastError());
        return nullptr;
    }
    const DWORD type = GetFileType(handle);
    BY_HANDLE_FILE_INFORMATION information;
    if (type != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (type == FILE_TYPE_PIPE)
            problem = "is a named pipe";
        else if (type == FILE_TYPE_CHAR)
            problem = "is a device";
        else if (type == FILE_TYPE_DISK && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            problem = "is a directory";
        else
            problem = "is not a regular file";
        CloseHandle(handle);
        return nullptr;
    }
    // The C runtime takes the handle over; fclose closes it.
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        problem = "Too many open files";
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "rb");
    if (file == nullptr) {
        problem = "Too many open files";
        _close(descriptor);
        return nullptr;
    }
    sizeBytes = (static_cast<uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    return file;
}

bool platform_file_time(const char* path, int32_t& time)
{
    uint64_t ticks = 0;
    if (!lastWriteTicks(path, ticks))
        return false;
    const int64_t seconds = static_cast<int64_t>(ticks / 10000000u) - kTicksTo1970 / 10000000;
    time = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(seconds)));
    return true;
}

bool platform_file_time_ns(const char* path, int64_t& nanoseconds)
{
    uint64_t ticks = 0;
    if (!lastWriteTicks(path, ticks))
        return false;
    nanoseconds = (static_cast<int64_t>(ticks) - kTicksTo1970) * 100;
    return true;
}
