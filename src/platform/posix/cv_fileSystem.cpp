#include "platform/cv_fileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace Corvane {

bool isDirectoryPath(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool createDirectory(const char* path) {
    return ::mkdir(path, 0777) == 0;
}

bool copyFile(const char* from, const char* to, bool overwrite) {
    std::error_code error;
    const auto options = overwrite ? std::filesystem::copy_options::overwrite_existing
                                   : std::filesystem::copy_options::none;
    const bool copied = std::filesystem::copy_file(from, to, options, error);
    return copied && !error;
}

std::optional<std::uint64_t> fileSizeOf(const char* path) {
    struct stat info {};
    if (::stat(path, &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

int removeFile(const char* path) {
    return ::unlink(path);
}

int renameFile(const char* from, const char* to) {
    return std::rename(from, to);
}

// The C library's tempnam is deprecated here and ignores the directory when TMPDIR is
// set, so names are numbered by the caller instead.
bool hasRuntimeTemporaryNames() {
    return false;
}

std::optional<std::string> runtimeTemporaryName(const char*, const char*) {
    return std::nullopt;
}

}  // namespace Corvane
