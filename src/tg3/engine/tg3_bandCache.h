#pragma once
// Serves band rows to the inverse transform. For each band it keeps one row of
// sub-blocks decoded for the requested columns, so the entropy decoder runs
// once per sub-block while the transform walks down the band line by line.
// Coefficients leave the cache with the DC value and the inverse colour
// transform already applied.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "tg3/engine/tg3_bandRowSource.h"
#include "tg3/engine/tg3_colourTransform.h"
#include "tg3/engine/tg3_planeRecord.h"
#include "tg3/engine/tg3_subblockExchange.h"
#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

class TG3BandCache : public BandRowSource {
  public:
    // The most one band's entry holds when a sub-block row is taken whole; rows beyond
    // it are decoded in parts.
    static constexpr std::uint64_t kEntryBudgetBytes = std::uint64_t{16} << 20;

    TG3BandCache(const TG3ImageInfo& info, PlaneStoreClient& store,
                 std::uint64_t entryBudgetBytes = kEntryBudgetBytes);

    // Decodes only the listed stored components, in this order; the list must
    // be strictly increasing (else Exception "DecodeBase: spectral components
    // list invalid."). Without a list every component is decoded.
    void setComponents(const std::vector<std::uint16_t>& components);
    std::size_t componentCount() const { return components_.size(); }

    // Sub-blocks that the request's columns cut are taken from, or left in, `exchange`
    // (under `image`), for a decoder working on the neighbouring columns.
    void shareSubblocks(std::shared_ptr<SubblockExchange> exchange, std::uint32_t image) {
        exchange_ = std::move(exchange);
        exchangeImage_ = image;
    }

    // Called after every sub-block; a nonzero result ends the sweep with it.
    void setProgress(std::function<std::int32_t()> callback) { progress_ = std::move(callback); }

    std::int32_t bandRow(std::uint32_t band, std::uint32_t row, std::uint32_t x0, std::uint32_t x1,
                         std::int32_t** rows) override;

    // Decodes every sub-block of `band` meeting rows y0..y1 and columns
    // x0..x1 into one block per component (row length x1 - x0 + 1, row y0 and
    // column x0 first). Coefficients outside every sub-block's data stay as
    // they are.
    std::int32_t sweep(std::uint32_t band, std::uint32_t y0, std::uint32_t y1, std::uint32_t x0,
                       std::uint32_t x1, const std::vector<std::int32_t*>& blocks);

  private:
    struct Entry {
        bool valid = false;
        std::uint32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
        std::vector<std::int32_t> data;  // N blocks of (x1 - x0 + 1) x (y1 - y0 + 1)
    };

    std::int32_t fill(std::uint32_t band, std::uint32_t row, std::uint32_t x0, std::uint32_t x1);
    std::int32_t decodeSubblock(std::uint32_t band, std::uint32_t subblockRow,
                                std::uint32_t subblockColumn, std::uint32_t y0, std::uint32_t y1,
                                std::uint32_t x0, std::uint32_t x1,
                                const std::vector<std::int32_t*>& blocks);
    std::int32_t fetchPlanes(std::uint32_t band, std::uint32_t subblock,
                             std::vector<PlaneList>& lists);

    TG3ImageInfo info_;
    PlaneStoreClient& store_;
    std::vector<std::uint16_t> components_;
    ColourParameters colour_;
    std::int32_t colourStatus_ = 0;
    std::vector<Entry> entries_;
    std::uint64_t entryBudgetBytes_;
    std::function<std::int32_t()> progress_;
    std::shared_ptr<SubblockExchange> exchange_;
    std::uint32_t exchangeImage_ = 0;
};

}  // namespace Corvane
