// A TG2 stream: the header, chunk table, chunk heads and block grids when the structure
// opens, then every block record and band segment, and every coded sub-block decoded
// with its segment's Huffman table, both whole and in small resumed steps.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "stream/cv_fileSpecification.h"
#include "stream/cv_largeFileStream.h"
#include "tg2/entropy/tg2_decodingTree.h"
#include "tg2/entropy/tg2_subBlockDecoder.h"
#include "tg2/structure/tg2_streamStructure.h"

using namespace Corvane;

namespace {

void decodeSubBlocks(TG2StreamStructure& s, const TG2Block& block) {
    std::vector<std::uint8_t> data;
    for (std::uint32_t b = 0; b < block.bands.size(); ++b) {
        const TG2BandSegment& segment = block.bands[b];
        if (segment.noData) continue;
        const DecodingTree tree = DecodingTree::fromDescription(segment.desc);
        for (std::uint32_t j = 0; j < segment.subBlockCount; ++j) {
            const TG2SubBlockPlace place = s.subBlock(b, j);
            s.readSubBlock(b, j, data);
            const TG2SubBlockSize dimensions{place.width, place.height};
            // A window over the sub-block's top left corner, taken in one call...
            const Region window =
                Region::fromOrigin(0, 0, std::min(place.width, 8u), std::min(place.height, 8u));
            std::vector<std::int32_t> indices(static_cast<std::size_t>(window.width()) *
                                              window.height());
            decodeSubBlock({data, tree, dimensions, window, UINT64_MAX}, nullptr, indices.data());
            // ...and again in steps of 7 positions, resuming each time (on small
            // sub-blocks only: the steps themselves would cost more than the decoding).
            if (std::uint64_t{place.width} * place.height > 4096) continue;
            std::fill(indices.begin(), indices.end(), 0);
            std::optional<TG2ResumeState> state =
                decodeSubBlock({data, tree, dimensions, window, 7}, nullptr, indices.data());
            while (state && !isComplete(*state, dimensions)) {
                const TG2ResumeState before = *state;
                state =
                    decodeSubBlock({data, tree, dimensions, window, 7}, &before, indices.data());
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = tovex_fuzz::writeScratchFile(data, size);
    tovex_fuzz::refusedOrDone([&] {
        TG2StreamStructure s(openFileStream(FileSpecification(path)), true, false);
        for (std::uint32_t i = 0; i < s.subbandCount(); ++i) {
            s.grid(i);
            for (std::uint32_t k = 0; k < s.chunk(i).blockCount; ++k) {
                decodeSubBlocks(s, s.loadBlock(i, k));
            }
        }
    });
    return 0;
}
