// A file of either generation opened through the module's host slots, as the host
// drives them: the analyzer's createReader, selectImage, width requests through
// setTag for the full, the coarsest and a middle level, the level's tags, and a few
// tiles read through readTile. Every refusal must be a null reader or a 0 result.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "amhost_hostFile.h"
#include "fuzz_support.h"
#include "host/am_host_interfaces.h"

extern "C" AmFileAnalyzer* newAmFileAnalyzer();

namespace {

constexpr AmWord kTileSide = 128;

AmWord tag(AmFileReader& reader, AmWord number) {
    AmWord value = 0;
    return reader.getTag(number, &value) == 1 ? value : -1;
}

void readSomeTiles(AmFileReader& reader) {
    const AmWord width = tag(reader, 256), height = tag(reader, 257);
    const AmWord samples = tag(reader, 277);
    if (width <= 0 || height <= 0 || samples <= 0 || samples > 8) return;
    const AmWord across = (width + kTileSide - 1) / kTileSide;
    const AmWord down = (height + kTileSide - 1) / kTileSide;
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(samples * kTileSide * kTileSide));
    for (const AmWord n : {AmWord{0}, across - 1, across * down / 2, across * down - 1}) {
        reader.readTile(n, tile.data());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static AmFileAnalyzer* analyzer = newAmFileAnalyzer();
    amhost::HostFile file(tovex_fuzz::writeScratchFile(data, size));
    AmFileReader* reader = analyzer->createReader(&file);
    if (!reader) return 0;
    const bool decode = tovex_fuzz::tg3SubblockScanCost(data, size) <= tovex_fuzz::kScanCostBudget;
    if (reader->selectImage(0) == 1 && decode) {
        for (const AmWord request : {AmWord{-1}, AmWord{1}, AmWord{200}}) {
            if (reader->setTag(256, &request) == 1) readSomeTiles(*reader);
        }
    }
    reader->destroy(1);
    return 0;
}
