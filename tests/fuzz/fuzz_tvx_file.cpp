// A whole Tovex file of either generation opened from bytes through the file-level
// reader, as the host module opens it: the generation choice, the image stage with
// its metadata and properties, then a few scenes decoded at several levels.
#include <algorithm>
#include <cstdint>

#include "fuzz_support.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"
#include "reader/cv_tvxFileImageReader.h"
#include "stream/cv_fileSpecification.h"

using namespace Corvane;

namespace {

void decodeAt(TvxFileImageReader& reader, std::int32_t level, const Scene& scene) {
    TovexNavigator navigator(reader, level, scene);
    PixelBuffer buffer(reader.properties().layout());
    navigator.decode(buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = tovex_fuzz::writeScratchFile(data, size);
    const bool decode = tovex_fuzz::tg3SubblockScanCost(data, size) <= tovex_fuzz::kScanCostBudget;
    tovex_fuzz::refusedOrDone([&] {
        TvxFileImageReader reader(FileSpecification(path.c_str()), 0);
        if (!decode) return;
        const std::int32_t right = std::min(reader.width(), 96) - 1;
        const std::int32_t bottom = std::min(reader.height(), 96) - 1;
        if (right < 0 || bottom < 0) return;
        const std::int32_t levels = std::max(reader.levelCount(), 0);
        // The top left corner at full resolution, half way down and at the coarsest
        // level, and a small scene in the middle of the image.
        for (const std::int32_t level : {0, (levels + 1) / 2, levels}) {
            tovex_fuzz::refusedOrDone(
                [&] { decodeAt(reader, level, Scene(0, 0, 0, right, bottom, 0)); });
        }
        const std::int32_t x = reader.width() / 2, y = reader.height() / 2;
        tovex_fuzz::refusedOrDone([&] {
            decodeAt(reader, 0,
                     Scene(x, y, 0, std::min(reader.width() - 1, x + 16),
                           std::min(reader.height() - 1, y + 16), 0));
        });
    });
    return 0;
}
