#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "common/tg3_test_files.h"
#include "tg3/planeset/tg3_subblockOrder.h"

namespace Corvane {
namespace {

using tovex_test::imageInfo;

// The image rows that the sub-block at position k of an order covers, at full resolution.
struct RowSpan {
    std::int64_t first, end;  // end is one past the last row
};

std::vector<RowSpan> spansInOrder(const TG3ImageInfo& info, const SubblockOrder& order) {
    std::vector<RowSpan> spans;
    for (std::uint64_t k = 0; k < order.pairCount(); ++k) {
        std::uint8_t band = 0;
        std::uint32_t subblock = 0;
        order.pairAt(k, band, subblock);
        const std::uint32_t row = subblock / info.bands[band].columns;
        // Band 0 has the scale of the coarsest level; a band of level j is reduced
        // levels - j + 1 times by two.
        const int level = band == 0 ? 1 : (band + 3) / 4;
        const std::int64_t scale = std::int64_t{1} << (info.levels - level + 1);
        const std::int64_t last = std::min<std::int64_t>(std::int64_t{row + 1} * info.subblockSize,
                                                         info.bands[band].height);
        spans.push_back({std::int64_t{row} * info.subblockSize * scale, last * scale});
    }
    return spans;
}

// How far (in image rows) some sub-block lies above another one stored before it: a
// decoder that works from the top meets the upper one only after the lower one.
std::int64_t worstLateness(const std::vector<RowSpan>& spans) {
    std::int64_t worst = std::numeric_limits<std::int64_t>::min();
    std::int64_t lowestEndAfter = std::numeric_limits<std::int64_t>::max();
    for (std::size_t k = spans.size(); k-- > 0;) {
        if (lowestEndAfter != std::numeric_limits<std::int64_t>::max()) {
            worst = std::max(worst, spans[k].first - lowestEndAfter);
        }
        lowestEndAfter = std::min(lowestEndAfter, spans[k].end);
    }
    return worst;
}

// The pipelined order exists so that a decoder producing the image from the top meets
// each sub-block no later than it needs it. At each level the 5-3 synthesis and its
// streaming look only a few band rows (at most three) beyond the row they make, which at
// full resolution is under 3 * 2^(levels + 1) rows in all: no sub-block may be stored after
// another that lies further below it than that, however tall the image.
TEST(PipelinedOrder, TopToBottomDecoderMeetsSubblocksInTime) {
    for (std::uint32_t w : {3u, 17u, 100u}) {
        for (std::uint32_t h : {3u, 4u, 33u, 70u, 129u, 300u}) {
            for (std::uint8_t levels : {1, 2, 3, 4}) {
                for (std::uint16_t size : {1, 2, 4, 16}) {
                    SCOPED_TRACE(testing::Message()
                                 << w << "x" << h << " L" << int{levels} << " S" << size);
                    const TG3ImageInfo info = imageInfo(w, h, levels, size);
                    std::unique_ptr<SubblockOrder> order;
                    ASSERT_EQ(SubblockOrder::create(info, orderPipelined, order), 0);
                    EXPECT_LE(worstLateness(spansInOrder(info, *order)),
                              3 * (std::int64_t{1} << (levels + 1)));
                }
            }
        }
    }
}

// The measure tells the orders apart: stored band after band, a tall image makes the
// decoder wait for the top rows of the finer bands.
TEST(PipelinedOrder, BandOrdersAreNotPipelined) {
    const TG3ImageInfo info = imageInfo(64, 256, 3, 8);
    for (std::uint32_t kind : {orderSBCP, orderNoPipe}) {
        std::unique_ptr<SubblockOrder> order;
        ASSERT_EQ(SubblockOrder::create(info, kind, order), 0);
        EXPECT_GT(worstLateness(spansInOrder(info, *order)), 100) << kind;
    }
}

TEST(PipelinedOrder, ImagesOfMoreThan32LevelsHaveNoPipelinedOrder) {
    // 32 levels still make a table; 33 cannot occur in a 32-bit image with bands of
    // more than one sample and are refused, while the band orders stay available.
    std::unique_ptr<SubblockOrder> order;
    EXPECT_EQ(SubblockOrder::create(imageInfo(4, 3000, 32, 8), orderPipelined, order), 0);
    EXPECT_EQ(SubblockOrder::create(imageInfo(4, 3000, 33, 8), orderPipelined, order), 2009);
    EXPECT_EQ(SubblockOrder::create(imageInfo(4, 3000, 33, 8), orderSBCP, order), 0);
    // An image without columns has no sub-blocks in any band, however tall.
    ASSERT_EQ(SubblockOrder::create(imageInfo(0, 4000000, 20, 1), orderPipelined, order), 0);
    EXPECT_EQ(order->pairCount(), 0u);
}

}  // namespace
}  // namespace Corvane
