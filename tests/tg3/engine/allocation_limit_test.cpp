// Sizes a header only claims must not turn into allocations: a sub-block side of 40000
// with one coded plane of one byte would need gigabytes of decoder state. The decode is
// refused with the out-of-memory status, which becomes the catalog's allocation error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/tg3_test_files.h"
#include "common/thrown_text.h"
#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "encode/tg3/tg3_memoryPlaneset.h"
#include "support/cv_allocationLimit.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/engine/tg3_bandCache.h"
#include "tg3/engine/tg3_decodeBase.h"
#include "tg3/engine/tg3_filePlaneStoreClient.h"

using namespace Corvane;

namespace {

TG3ImageInfo greyInfo(std::uint32_t side, std::uint16_t subblockSize) {
    TG3ImageInfo info = tovex_test::imageInfo(side, side, 0, subblockSize, 1, 32);
    info.dataType = dataTypeUInt8;
    info.dynamicRangeMax = 255;
    return info;
}

// Decodes the first row of a 16-sample region over one coded sub-block.
std::int32_t decodeFirstRow(const TG3ImageInfo& info, std::int32_t expectedSample) {
    MemoryPlaneset planeset;
    planeset.add(0, 0, 0, BitPlaneEncoder(0, 1, 1).encode({expectedSample}));
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, false);
    TG3BandCache bands(info, store);
    const Region region{0, 0, 15, 0};
    DecodeBase decoder(info, bands, region, 0, info.width, info.height, 1, 16);
    if (decoder.status() != 0) return decoder.status();
    if (const std::int32_t status = decoder.initialise(); status != 0) return status;
    const void* rows = nullptr;
    return decoder.readRows(0, 0, rows);
}

}  // namespace

TEST(AllocationLimit, CapHoldsAtItsEdgeAndAgainstOverflow) {
    EXPECT_TRUE(allocationFits(kMaxAllocationBytes / 4, 4));
    EXPECT_FALSE(allocationFits(kMaxAllocationBytes / 4 + 1, 4));
    EXPECT_FALSE(allocationFits(UINT64_MAX, 2));
    EXPECT_NO_THROW(requireAllocation(1000, 8));
    EXPECT_THROW(requireAllocation(kMaxAllocationBytes, 2), OutOfMemoryException);
}

TEST(AllocationLimit, HugeClaimedSubBlockIsRefusedBeforeDecoding) {
    // The same single plane decodes when the sub-block is of an ordinary size...
    EXPECT_EQ(decodeFirstRow(greyInfo(40000, 64), 5), 0);
    // ...and is refused when the header claims a sub-block of 40000 x 40000.
    const std::int32_t status = decodeFirstRow(greyInfo(40000, 40000), 5);
    EXPECT_EQ(status, TG3Status::outOfMemory);
    EXPECT_EQ(tovex_test::thrownText([&] { throwStatus(status); }),
              getMessageText(kMemoryAllocation));
}

TEST(AllocationLimit, RegionTooWideForItsStripIsRefusedBeforeTheEngineTakesItsLines) {
    // 2^22 columns: each line of the engine (16 MiB) fits the cap, the strip's plane
    // of 32 rows (512 MiB) does not, so the decoder is refused as it is made.
    const std::uint32_t width = 1u << 22;
    TG3ImageInfo info = greyInfo(width, 128);
    info.levels = 2;
    info.buildBandTable();
    MemoryPlaneset planeset;
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, false);
    TG3BandCache bands(info, store);
    const auto last = static_cast<std::int32_t>(width - 1);
    const DecodeBase wide(info, bands, Region{0, 0, last, 0}, 2, width, width, 1, 32);
    EXPECT_EQ(wide.status(), TG3Status::outOfMemory);
    // A region of a few columns of the same image is made.
    const DecodeBase narrow(info, bands, Region{0, 0, 63, 0}, 2, width, width, 1, 32);
    EXPECT_EQ(narrow.status(), 0);
}
