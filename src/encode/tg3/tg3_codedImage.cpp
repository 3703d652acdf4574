#include "encode/tg3/tg3_codedImage.h"

#include <algorithm>

#include "encode/tg3/tg3_imageCoder.h"

namespace Corvane {

CodedImage::CodedImage(const TG3ImageInfo& info, const std::vector<BandPlanes>& bands,
                       int firstRawPlane) {
    PlaneCoding coding;
    coding.firstRawPlane = firstRawPlane;
    codeSubblocks(info, bands, coding,
                  [this](std::uint32_t band, std::uint32_t subblock, std::uint16_t component,
                         EncodedPlanes&& planes) {
                      if (!planes.planes.empty())
                          subblocks_.push_back({band, subblock, component, std::move(planes)});
                  });
}

std::size_t CodedImage::keptPlanes(const EncodedPlanes& planes, int lastPlane) {
    if (lastPlane < planes.first) return 0;
    return std::min(planes.planes.size(), static_cast<std::size_t>(lastPlane - planes.first + 1));
}

std::vector<CodedPlane> CodedImage::planes(const std::vector<int>& lastPlanes) const {
    std::vector<CodedPlane> result;
    for (const CodedSubblock& s : subblocks_) {
        const std::size_t kept = keptPlanes(s.planes, lastPlanes[s.band]);
        for (std::size_t i = 0; i < kept; ++i) {
            const auto& plane = s.planes.planes[i];
            PlanePosition position;
            position.band = static_cast<std::uint8_t>(s.band);
            position.subblock = s.subblock;
            position.component = s.component;
            position.plane = static_cast<std::uint8_t>(s.planes.first + static_cast<int>(i));
            result.push_back({position, plane.bytes, plane.raw});
        }
    }
    return result;
}

MemoryPlaneset CodedImage::planeset(const std::vector<int>& lastPlanes, bool hasMSEs) const {
    MemoryPlaneset result(hasMSEs);
    for (const CodedSubblock& s : subblocks_) {
        const std::size_t kept = keptPlanes(s.planes, lastPlanes[s.band]);
        if (kept == 0) continue;
        EncodedPlanes truncated;
        truncated.first = s.planes.first;
        truncated.planes.assign(s.planes.planes.begin(),
                                s.planes.planes.begin() + static_cast<std::ptrdiff_t>(kept));
        result.add(s.band, s.subblock, s.component, truncated);
    }
    return result;
}

std::vector<int> losslessPlanes(const TG3ImageInfo& info) {
    return std::vector<int>(info.bands.size(), 31);
}

}  // namespace Corvane
