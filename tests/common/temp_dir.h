#pragma once
// A fresh directory for one test's files, removed with everything in it at the end.
#include <filesystem>
#include <string>

namespace tovex_test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// Writes bytes to a file, replacing it.
void writeFile(const std::string& path, const std::string& bytes);
// Makes a sparse file of the given size without writing its data.
void makeSparseFile(const std::string& path, long long size);

}  // namespace tovex_test
