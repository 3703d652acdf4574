#include "encode/tg3/tg3_codedImage.h"

#include <algorithm>

#include "encode/tg3/tg3_imageCoder.h"
#include "encode/tg3/tg3_truncationErrors.h"

namespace Corvane {

namespace {
// About what a plane's record adds to the planeset beside its bytes.
constexpr std::size_t kPlaneRecordBytes = 4;
}  // namespace

CodedImage::CodedImage(const TG3ImageInfo& info, const std::vector<BandPlanes>& bands,
                       int firstRawPlane, EncodeProgress& progress) {
    std::size_t total = 0, done = 0;
    for (std::uint32_t band = 0; band < info.bands.size(); ++band)
        if (band % 4 != 1) total += std::size_t{info.bands[band].rows} * info.bands[band].columns;
    total *= bands.size();
    PlaneCoding coding;
    coding.firstRawPlane = firstRawPlane;
    codeSubblocks(
        info, bands, coding,
        [&, this](std::uint32_t band, std::uint32_t subblock, std::uint16_t component,
                  EncodedPlanes&& planes, const std::vector<std::int32_t>& coefficients) {
            progress.report(static_cast<double>(++done) / static_cast<double>(total));
            if (planes.planes.empty()) return;
            std::vector<double> errors = truncationErrors(coefficients, planes);
            subblocks_.push_back({band, subblock, component, std::move(planes), std::move(errors)});
        });
}

std::size_t CodedSubblock::bytes(std::size_t kept) const {
    std::size_t total = 0;
    for (std::size_t i = 0; i < kept; ++i)
        total += planes.planes[i].bytes.size() + kPlaneRecordBytes;
    return total;
}

KeptPlanes CodedImage::keptUpTo(const std::vector<int>& lastPlanes) const {
    KeptPlanes kept;
    for (const CodedSubblock& s : subblocks_)
        kept.push_back(keptPlanes(s.planes, lastPlanes[s.band]));
    return kept;
}

std::size_t CodedImage::keptPlanes(const EncodedPlanes& planes, int lastPlane) {
    if (lastPlane < planes.first) return 0;
    return std::min(planes.planes.size(), static_cast<std::size_t>(lastPlane - planes.first + 1));
}

std::vector<CodedPlane> CodedImage::planes(const KeptPlanes& keep) const {
    std::vector<CodedPlane> result;
    for (std::size_t n = 0; n < subblocks_.size(); ++n) {
        const CodedSubblock& s = subblocks_[n];
        for (std::size_t i = 0; i < keep[n]; ++i) {
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

MemoryPlaneset CodedImage::planeset(const KeptPlanes& keep, bool hasMSEs) const {
    MemoryPlaneset result(hasMSEs);
    for (std::size_t n = 0; n < subblocks_.size(); ++n) {
        const CodedSubblock& s = subblocks_[n];
        const std::size_t kept = keep[n];
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
