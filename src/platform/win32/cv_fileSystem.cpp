#include "platform/cv_fileSystem.h"

#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace Corvane {

bool isDirectoryPath(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool createDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0;
}

bool copyFile(const char* from, const char* to, bool overwrite) {
    return CopyFileA(from, to, overwrite ? FALSE : TRUE) != 0;
}

// The 64-bit form of the runtime's file status, so that files past 2 GiB report
// their true size.
std::optional<std::uint64_t> fileSizeOf(const char* path) {
    struct _stat64 info {};
    if (_stat64(path, &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

int removeFile(const char* path) {
    return _unlink(path);
}

int renameFile(const char* from, const char* to) {
    return std::rename(from, to);
}

bool hasRuntimeTemporaryNames() {
    return true;
}

std::optional<std::string> runtimeTemporaryName(const char* directory, const char* prefix) {
    char* name = _tempnam(directory, prefix);
    if (!name) return std::nullopt;
    std::string result(name);
    std::free(name);
    return result;
}

}  // namespace Corvane
