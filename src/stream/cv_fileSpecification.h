#pragma once
// A path value that knows how to take itself apart, test and act on the file it
// names. Both '/' and '\' count as separators when a path is taken apart.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace Corvane {

// The parts of a parsed URL that a FileSpecification is built from.
struct ParsedUrl {
    std::string scheme;
    std::string host;
    std::string directory;
    std::string file;
};

class FileSpecification {
  public:
    static constexpr const char* kUninitialised = "///:::\\\\\\UNITIALIZED_FILESPEC";

    FileSpecification() : path_(kUninitialised) {}
    FileSpecification(const char* path) : path_(path ? path : "") {}  // NOLINT: a path value
    FileSpecification(const std::string& path) : path_(path) {}       // NOLINT: a path value
    explicit FileSpecification(const wchar_t* path);
    FileSpecification(const char* directory, const char* name);
    FileSpecification(const char* directory, const char* subdirectory, const char* name);
    FileSpecification(const wchar_t* directory, const wchar_t* name);
    FileSpecification(const wchar_t* directory, const wchar_t* subdirectory, const wchar_t* name);
    explicit FileSpecification(const ParsedUrl& url);

    const std::string& path() const { return path_; }
    bool operator==(const FileSpecification& other) const { return path_ == other.path_; }

    std::string leafName() const;
    std::string extension() const;
    FileSpecification stem() const;
    FileSpecification withExtension(const char* extension) const;
    FileSpecification withLeaf(const char* leaf) const;
    void replaceExtension(const char* extension) { *this = withExtension(extension); }
    void replaceLeaf(const char* leaf) { *this = withLeaf(leaf); }

    bool isUninitialised() const { return path_ == kUninitialised; }
    bool exists() const;
    bool isDirectory() const;
    // 0 when the directory exists or was made, 1 on failure.
    int makeDirectory() const;
    // The caller owns the handle; null on failure.
    std::FILE* openBufferedFile(const char* mode) const;
    std::unique_ptr<std::ifstream> openInputFileStream(std::ios::openmode mode) const;
    // 0 on success, the runtime's non-zero result otherwise.
    int renameTo(const FileSpecification& other) const;
    int remove() const;
    // 0 on success, 1 on failure; fails when the target exists unless overwrite.
    int copyTo(const FileSpecification& other, bool overwrite) const;
    // The file's size in bytes; IOException when it does not exist.
    std::uint64_t size() const;

    // A name "<directory>/tmp<n>" that no file has yet, from a process-wide counter.
    static FileSpecification temporaryName(const FileSpecification& directory);
    // The same in the current directory.
    static FileSpecification temporaryName();

  private:
    std::string path_;
};

// Converts wide text to UTF-8, the narrow encoding of this platform.
std::string narrowText(const wchar_t* text);

}  // namespace Corvane
