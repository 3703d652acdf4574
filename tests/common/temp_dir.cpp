#include "common/temp_dir.h"

#include <fstream>
#include <random>
#include <stdexcept>

#include "platform/cv_fileHandle.h"

namespace tovex_test {

TempDir::TempDir() {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = base / ("tovex-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path_)) return;
    }
    throw std::runtime_error("cannot make a directory in " + base.string());
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

// The platform's own handle writes the last byte only: every system these tests run
// on leaves the bytes before it unallocated.
void makeSparseFile(const std::string& path, long long size) {
    Corvane::CVFileHandle file;
    const long long last = size - 1;
    const char zero = 0;
    if (size < 1 || !file.open(path.c_str(), {.write = true, .createAlways = true}) ||
        !file.seek(static_cast<std::uint32_t>(last), static_cast<std::int32_t>(last >> 32), 1) ||
        file.write(&zero, 1) != 1 || !file.close())
        throw std::runtime_error("cannot size " + path);
}

}  // namespace tovex_test
