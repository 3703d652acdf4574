// A whole TG3 file decoded through the engine: container, header, planeset walk, the
// plane store and band caches, then a few regions of the full-resolution image.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "tg3/container/tg3_container.h"
#include "tg3/engine/tg3_bandCache.h"
#include "tg3/engine/tg3_decodeBase.h"
#include "tg3/engine/tg3_filePlaneStoreClient.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/planeset/tg3_planeIndex.h"

using namespace Corvane;

namespace {

// Samples (pixels times components) the corner decode asks for at most.
constexpr double kSampleBudget = 96.0 * 96.0 * 4.0;

// Decodes the region in strips of 16 rows until the decoder refuses.
void decodeRegion(const TG3ImageInfo& info, TG3BandCache& bands, const Region& region) {
    DecodeBase decoder(info, bands, region, info.levels, info.width, info.height, info.components,
                       16);
    if (decoder.status() != 0 || decoder.initialise() != 0) return;
    for (auto y = static_cast<std::int32_t>(region.y0); y <= region.y1; y += 16) {
        const void* rows = nullptr;
        const auto last = static_cast<std::int32_t>(std::min<std::int64_t>(y + 15, region.y1));
        if (decoder.readRows(y, last, rows) != 0) return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryKernelStream stream(std::vector<std::uint8_t>(data, data + size));
    TG3Container container(stream);
    if (container.open() != 0) return 0;
    container.registerKind(std::make_unique<HeaderPacketKind>());
    container.registerKind(std::make_unique<PlanesetPacketKind>());
    auto* header = tovex_fuzz::findImagePacket<HeaderPacket>(container, packetTypeHeader);
    auto* planeset = tovex_fuzz::findImagePacket<PlanesetPacket>(container, packetTypePlaneset);
    if (!header || !planeset) return 0;
    const TG3ImageInfo& info = header->info;
    // The walk refuses some orders with a library exception (a pipelined order over a
    // 9/7 kernel), which is a refusal like any status.
    PlaneIndex index;
    std::int32_t walked = -1;
    tovex_fuzz::refusedOrDone([&] { walked = indexPlanes(stream, *planeset, info, index); });
    if (walked != 0) return 0;
    if (info.width == 0 || info.height == 0) return 0;
    if (tovex_fuzz::tg3SubblockScanCost(info) > tovex_fuzz::kScanCostBudget) return 0;

    tovex_fuzz::refusedOrDone([&] {
        tg3_filePlaneStoreClient store(
            info, index, stream, static_cast<std::int64_t>(planeset->start), info.hasMSEs != 0);
        TG3BandCache bands(info, store);
        const auto right =
            static_cast<std::int32_t>(std::min<std::uint32_t>(info.width, 1u << 30) - 1);
        const auto bottom =
            static_cast<std::int32_t>(std::min<std::uint32_t>(info.height, 1u << 30) - 1);
        // The top left corner, then a small window in the middle of the image. The
        // work is proportional to the samples asked for, so both shrink as the claimed
        // components grow: a file of thousands of empty components would otherwise
        // spend its time on a long but ordinary decode.
        const std::int32_t side =
            std::clamp(static_cast<std::int32_t>(
                           std::sqrt(kSampleBudget / std::max<double>(info.components, 1))),
                       1, 96);
        decodeRegion(info, bands, {0, 0, std::min(right, side - 1), std::min(bottom, side - 1)});
        const std::int32_t x = right / 2, y = bottom / 2;
        const std::int32_t middle = std::min(side, 21);
        decodeRegion(info, bands,
                     {x, y, std::min(right, x + middle - 1), std::min(bottom, y + middle - 1)});
    });
    return 0;
}
