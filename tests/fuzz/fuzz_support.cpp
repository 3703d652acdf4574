#include "fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "tg3/header/tg3_headerPacket.h"

namespace tovex_fuzz {

std::vector<std::uint8_t> InputCursor::bytes(std::size_t count) {
    const std::size_t taken = count < remaining() ? count : remaining();
    std::vector<std::uint8_t> result(data_ + position_, data_ + position_ + taken);
    position_ += taken;
    return result;
}

std::uint64_t tg3SubblockScanCost(const Corvane::TG3ImageInfo& info) {
    std::uint64_t largest = 0;
    for (const Corvane::TG3BandInfo& band : info.bands) {
        const std::uint64_t area =
            std::uint64_t{std::min<std::uint32_t>(band.width, info.subblockSize)} *
            std::min<std::uint32_t>(band.height, info.subblockSize);
        largest = std::max(largest, area);
    }
    return largest * info.components * std::max<std::uint64_t>(info.planes, 1);
}

std::uint64_t tg3SubblockScanCost(const std::uint8_t* data, std::size_t size) {
    using namespace Corvane;
    MemoryKernelStream stream(std::vector<std::uint8_t>(data, data + size));
    TG3Container container(stream);
    if (container.open() != 0) return 0;
    container.registerKind(std::make_unique<HeaderPacketKind>());
    const auto* header = findImagePacket<HeaderPacket>(container, packetTypeHeader);
    return header ? tg3SubblockScanCost(header->info) : 0;
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
