#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace tovex_fuzz {

std::vector<std::uint8_t> InputCursor::bytes(std::size_t count) {
    const std::size_t taken = count < remaining() ? count : remaining();
    std::vector<std::uint8_t> result(data_ + position_, data_ + position_ + taken);
    position_ += taken;
    return result;
}

namespace {

struct ScratchFile {
    ScratchFile() {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/tovex-fuzz-" + std::to_string(getpid()) +
               ".tvx";
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    std::string path;
};

}  // namespace

const std::string& writeScratchFile(const std::uint8_t* data, std::size_t size) {
    static ScratchFile scratch;
    std::FILE* file = std::fopen(scratch.path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    return scratch.path;
}

}  // namespace tovex_fuzz
