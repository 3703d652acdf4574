#include "platform/cv_fileHandle.h"

#include <windows.h>

namespace Corvane {
namespace {

HANDLE systemHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// Others may read, write and delete the file while it is open; Windows 98 and Me
// (the 9x platform with a non-zero minor version) know no delete sharing.
DWORD sharingMode() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    const DWORD readWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS &&
        version.dwMinorVersion != 0)
        return readWrite;
    return readWrite | FILE_SHARE_DELETE;
}

}  // namespace

bool CVFileHandle::open(const char* path, FileHandleMode mode) {
    close();
    if (!mode.read && !mode.write) return false;
    const DWORD access = (mode.read ? GENERIC_READ : 0) | (mode.write ? GENERIC_WRITE : 0);
    // A file opened for reading must exist and is opened read-only; any other is made
    // afresh.
    const bool creates = mode.createAlways || mode.createNew;
    const DWORD creation = mode.createNew      ? CREATE_NEW
                           : mode.createAlways ? CREATE_ALWAYS
                                               : OPEN_EXISTING;
    const DWORD attributes = creates ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
    const HANDLE handle =
        CreateFileA(path, access, sharingMode(), nullptr, creation, attributes, nullptr);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

bool CVFileHandle::close() {
    if (handle_ == kClosed) return true;
    const HANDLE handle = systemHandle(handle_);
    handle_ = kClosed;
    return CloseHandle(handle) != 0;
}

std::uint32_t CVFileHandle::read(void* buffer, std::uint32_t count) {
    DWORD done = 0;
    if (handle_ == kClosed || !ReadFile(systemHandle(handle_), buffer, count, &done, nullptr))
        return 0;
    return done;
}

std::uint32_t CVFileHandle::write(const void* buffer, std::uint32_t count) {
    DWORD done = 0;
    if (handle_ == kClosed || !WriteFile(systemHandle(handle_), buffer, count, &done, nullptr))
        return 0;
    return done;
}

// The high word travels separately, so positions past 4 GiB are reached. A low word
// of all ones is a valid answer unless the system also reports an error.
bool CVFileHandle::seek(std::uint32_t low, std::int32_t high, int origin) {
    static constexpr DWORD kMethod[] = {0, FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (handle_ == kClosed || origin < 1 || origin > 3) return false;
    LONG highWord = high;
    SetLastError(NO_ERROR);
    const DWORD result =
        SetFilePointer(systemHandle(handle_), static_cast<LONG>(low), &highWord, kMethod[origin]);
    return !(result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

std::int64_t CVFileHandle::tell() {
    if (handle_ == kClosed) return -1;
    LONG high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(systemHandle(handle_), 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) |
                                     low);
}

std::FILE* openBufferedRegularFile(const char* path, const char* mode) {
    return std::fopen(path, mode);
}

}  // namespace Corvane
