#include "stream/cv_fileSpecification.h"

#include <cstdio>
#include <vector>

#include "platform/cv_fileSystem.h"
#include "platform/cv_sync.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {
namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// The separator a join inserts: a backslash for paths written the Windows way
// (a backslash and no slash), else a slash.
char separatorFor(const std::string& directory) {
    const bool hasBackslash = directory.find('\\') != std::string::npos;
    const bool hasSlash = directory.find('/') != std::string::npos;
    return hasBackslash && !hasSlash ? '\\' : '/';
}

void appendPart(std::string& path, const char* part, char separator) {
    if (!part) return;
    path += part;
    if (!path.empty() && !isSeparator(path.back())) path += separator;
}

// UTF-8 has no lead byte that is followed by a byte equal to a separator, so a
// byte-wise scan is already safe for multibyte text.
std::size_t lastSeparator(const std::string& path) {
    for (std::size_t i = path.size(); i-- > 0;)
        if (isSeparator(path[i])) return i;
    return std::string::npos;
}

// Process-wide; each number is handed out once, whichever thread asks.
CVInterlockedCounter g_temporaryCounter;
constexpr std::int32_t kTemporaryLimit = 65536;

}  // namespace

std::string narrowText(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text) {
        auto c = static_cast<std::uint32_t>(*text);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = '?';
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

FileSpecification::FileSpecification(const wchar_t* path) : path_(narrowText(path)) {}

FileSpecification::FileSpecification(const char* directory, const char* name)
    : FileSpecification(directory, nullptr, name) {}

FileSpecification::FileSpecification(const char* directory, const char* subdirectory,
                                     const char* name) {
    const char separator =
        separatorFor(std::string(directory ? directory : "") + (subdirectory ? subdirectory : ""));
    appendPart(path_, directory, separator);
    appendPart(path_, subdirectory, separator);
    path_ += name ? name : "";
}

FileSpecification::FileSpecification(const wchar_t* directory, const wchar_t* name)
    : FileSpecification(directory, nullptr, name) {}

FileSpecification::FileSpecification(const wchar_t* directory, const wchar_t* subdirectory,
                                     const wchar_t* name) {
    const std::string d = narrowText(directory), s = narrowText(subdirectory), n = narrowText(name);
    *this = FileSpecification(directory ? d.c_str() : nullptr, subdirectory ? s.c_str() : nullptr,
                              n.c_str());
}

// A file URL's host, directory and file, in that order. Paths on this platform keep
// their slashes, so the parts are joined with '/' rather than turned into backslashes.
FileSpecification::FileSpecification(const ParsedUrl& url) {
    if (url.scheme != "file") throw InvalidArgumentException(getMessageText(kInvalidProtocol));
    const std::string parts[2] = {url.host, url.directory};
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        path_ += part;
        if (path_.back() != '/') path_ += '/';
    }
    path_ += url.file;
}

std::string FileSpecification::leafName() const {
    const std::size_t pos = lastSeparator(path_);
    if (pos == std::string::npos || pos == 0) return path_;
    return path_.substr(pos + 1);
}

std::string FileSpecification::extension() const {
    const std::string leaf = leafName();
    const std::size_t dot = leaf.rfind('.');
    return dot == std::string::npos ? std::string() : leaf.substr(dot + 1);
}

FileSpecification FileSpecification::stem() const {
    return withExtension(nullptr);
}

FileSpecification FileSpecification::withExtension(const char* newExtension) const {
    const std::string leaf = leafName();
    const std::size_t dot = leaf.rfind('.');
    std::string path = path_;
    if (dot != std::string::npos) path.resize(path.size() - (leaf.size() - dot));
    if (newExtension) {
        path += '.';
        path += newExtension;
    }
    return FileSpecification(path);
}

FileSpecification FileSpecification::withLeaf(const char* leaf) const {
    const std::size_t pos = lastSeparator(path_);
    if (pos == std::string::npos || isUninitialised()) return FileSpecification(leaf);
    return FileSpecification(path_.substr(0, pos + 1) + (leaf ? leaf : ""));
}

bool FileSpecification::exists() const {
    if (isUninitialised()) return false;
    std::FILE* probe = std::fopen(path_.c_str(), "rb");
    if (!probe) return false;
    std::fclose(probe);
    return true;
}

bool FileSpecification::isDirectory() const {
    return isDirectoryPath(path_.c_str());
}

int FileSpecification::makeDirectory() const {
    if (isDirectory()) return 0;
    return createDirectory(path_.c_str()) ? 0 : 1;
}

std::FILE* FileSpecification::openBufferedFile(const char* mode) const {
    return std::fopen(path_.c_str(), mode);
}

std::unique_ptr<std::ifstream> FileSpecification::openInputFileStream(
    std::ios::openmode mode) const {
    auto stream = std::make_unique<std::ifstream>(path_, mode | std::ios::in);
    if (!stream->good()) return nullptr;
    return stream;
}

int FileSpecification::renameTo(const FileSpecification& other) const {
    return renameFile(path_.c_str(), other.path_.c_str());
}

int FileSpecification::remove() const {
    const int result = removeFile(path_.c_str());
    if (result != 0) {
        std::fprintf(stderr, getMessageText(kFileDeleteFailed), path_.c_str());
        std::fputc('\n', stderr);
    }
    return result;
}

int FileSpecification::copyTo(const FileSpecification& other, bool overwrite) const {
    return copyFile(path_.c_str(), other.path_.c_str(), overwrite) ? 0 : 1;
}

std::uint64_t FileSpecification::size() const {
    const std::optional<std::uint64_t> bytes = fileSizeOf(path_.c_str());
    if (!bytes) throw IOException(IoPath{path_}, IoFind);
    return *bytes;
}

FileSpecification FileSpecification::temporaryName(const FileSpecification& directory) {
    if (!directory.isDirectory()) {
        char buffer[1000];
        std::snprintf(buffer, sizeof buffer, getMessageText(kTempDirectoryInaccessible),
                      directory.path().c_str());
        throw Exception(buffer);
    }
    while (g_temporaryCounter.value() < kTemporaryLimit) {
        const std::int32_t n = g_temporaryCounter.increment() - 1;
        if (n >= kTemporaryLimit) break;
        const FileSpecification candidate(directory.path().c_str(),
                                          ("tmp" + std::to_string(n)).c_str());
        if (!candidate.exists()) return candidate;
    }
    char buffer[1000];
    std::snprintf(buffer, sizeof buffer, getMessageText(kTempFileInDirectory),
                  directory.path().c_str());
    throw Exception(buffer);
}

// Where the runtime names temporary files, it is asked; elsewhere the names are
// numbered in the current directory as above.
FileSpecification FileSpecification::temporaryName() {
    if (hasRuntimeTemporaryNames()) {
        const std::optional<std::string> name = runtimeTemporaryName(".", "tmp");
        if (!name) throw Exception(kTempFileCreation);
        return FileSpecification(*name);
    }
    try {
        return temporaryName(FileSpecification("."));
    } catch (const Exception&) {
        throw Exception(kTempFileCreation);
    }
}

}  // namespace Corvane
