#include "tg2/decoder/tg2_leafFiller.h"

#include <algorithm>

#include "tg2/entropy/tg2_decodingTree.h"
#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/entropy/tg2_dither.h"
#include "tg2/structure/tg2_streamStructure.h"
#include "tg2/synthesis/tg2_subband.h"

namespace Corvane {

void TG2LeafFiller::fillAll(Subband& root, std::int32_t level) {
    for (Subband* leaf : root.leaves()) fill(*leaf, leaf->support(), level);
}

void TG2LeafFiller::fill(Subband& leaf, const Region& area, std::int32_t level) {
    // The arrays exist (zeroed) even where nothing is coded.
    for (std::uint32_t b = 0; b < leaf.bandCount(); ++b) leaf.band(b);
    const Region wanted = area.intersection(leaf.support());
    if (wanted.empty() || leaf.leafNumber() < 0) return;
    const auto subband = static_cast<std::uint32_t>(leaf.leafNumber());
    if (subband >= structure_.subbandCount()) return;

    for (const std::uint32_t block : structure_.grid(subband).blocksMeeting(wanted))
        fillFromBlock(leaf, wanted, level, subband, block);
}

void TG2LeafFiller::fillFromBlock(Subband& leaf, const Region& area, std::int32_t level,
                                  std::uint32_t subband, std::uint32_t blockIndex) {
    const TG2Block& block = structure_.loadBlock(subband, blockIndex);
    const TG2SubbandChunk& chunk = structure_.chunk(subband);
    const std::uint32_t bands = std::min<std::uint32_t>(leaf.bandCount(), block.bands.size());
    for (std::uint32_t b = 0; b < bands; ++b) {
        const TG2BandSegment& segment = block.bands[b];
        if (segment.noData) continue;
        const DecodingTree tree = DecodingTree::fromDescription(segment.desc);
        const float step = effectiveStep(segment.step, level, leaf.weight());
        Array2D& target = leaf.band(b);

        for (std::uint32_t j = 0; j < segment.subBlockCount; ++j) {
            const TG2SubBlockPlace place = structure_.subBlock(b, j);
            const std::int64_t left = std::int64_t{block.firstColumn} + place.column;
            const std::int64_t top = std::int64_t{block.firstRow} + place.row;
            const Region rectangle{left, top, left + place.width - 1, top + place.height - 1};
            const Region part = rectangle.intersection(area);
            if (part.empty()) continue;

            interruptCheck();
            const TG2SubBlockSize size{place.width, place.height};
            const Region window = part.translated(-left, -top);
            const auto windowWidth = static_cast<std::uint32_t>(window.width());
            const auto windowHeight = static_cast<std::uint32_t>(window.height());
            const TG2SubBlockKey key{subband, b, blockIndex, j};
            // A kept state helps only when it stands before the first wanted position;
            // otherwise the sub-block is decoded again from its start.
            std::optional<TG2ResumeState> resume = cache_.find(key);
            const auto firstWanted =
                static_cast<std::uint64_t>(window.y0 * place.width + window.x0);
            if (resume && resume->positionsProduced > firstWanted) resume.reset();
            const std::uint64_t from = resume ? resume->positionsProduced : 0;
            const auto through = static_cast<std::uint64_t>((window.y1 + 1) * place.width);

            structure_.readSubBlock(b, j, data_);
            indices_.assign(std::size_t{windowWidth} * windowHeight, 0);
            const std::optional<TG2ResumeState> state =
                decodeSubBlock({data_, tree, size, window, through - from},
                               resume ? &*resume : nullptr, indices_.data());
            if (state) positionsDecoded_ += state->positionsProduced - from;
            if (!state || isComplete(*state, size))
                cache_.remove(key);
            else
                cache_.store(key, *state);

            coefficients_.resize(indices_.size());
            TG2DitherPlacement placement;
            placement.firstColumn = static_cast<std::uint32_t>(part.x0);
            placement.firstRow = static_cast<std::uint32_t>(part.y0);
            placement.ditherColumn = chunk.ditherColumn;
            placement.ditherRow = chunk.ditherRow;
            dequantiseBlock(indices_.data(), coefficients_.data(), windowWidth, windowHeight, step,
                            dither_ ? &placement : nullptr);
            for (std::uint32_t y = 0; y < windowHeight; ++y)
                std::copy_n(coefficients_.data() + std::size_t{y} * windowWidth, windowWidth,
                            &target.at(0, part.x0, part.y0 + y));
            interruptCheck();
        }
    }
}

}  // namespace Corvane
