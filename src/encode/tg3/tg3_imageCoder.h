#pragma once
// The encoder's path from samples to coded planes: the forward 5-3 of every
// component, the forward colour and DC steps on every band, then each
// sub-block of band 0 and of the detail bands coded plane by plane.
#include <cstdint>
#include <functional>
#include <vector>

#include "encode/tg3/tg3_forwardTransform53.h"
#include "encode/tg3/tg3_memoryPlaneset.h"
#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

struct PlaneCoding {
    int lastPlane = 31;      // 31: lossless
    int firstRawPlane = 32;  // planes from here down are stored raw
};

// Bands of every component after the forward transform and the colour steps
// that `info` selects (its colour transform and dynamic range). Returns the
// bands; `status` is 0 or the colour step's refusal (2014).
std::vector<BandPlanes> transformImage(const TG3ImageInfo& info,
                                       const std::vector<std::vector<std::int32_t>>& components,
                                       std::int32_t& status);

// Codes the sub-blocks of band 0 and of every detail band; the low-pass bands
// 4j - 3 are rebuilt by the decoder and are not coded.
void codeSubblocks(const TG3ImageInfo& info, const std::vector<BandPlanes>& bands,
                   const PlaneCoding& coding, MemoryPlaneset& out);

// The same coding, each component of each coded sub-block handed to `sink` as soon as
// it is coded, with the coefficients it was coded from.
using SubblockSink =
    std::function<void(std::uint32_t band, std::uint32_t subblock, std::uint16_t component,
                       EncodedPlanes&& planes, const std::vector<std::int32_t>& coefficients)>;
void codeSubblocks(const TG3ImageInfo& info, const std::vector<BandPlanes>& bands,
                   const PlaneCoding& coding, const SubblockSink& sink);

}  // namespace Corvane
