#include "tg3/decoder/tg3_image.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"

namespace Corvane {

namespace {

// The extent a tile without geo data is given: a point at the origin with unit
// resolution.
void giveDefaultExtent(ImageDescription& description) {
    description.xUL = description.yUL = description.xLR = description.yLR = 0.0;
    description.xRes = description.yRes = 1.0;
}

// Widens `into` to cover `other`. The corners keep the axis direction that the
// resolution's sign gives: with a positive resolution the upper-left value is the
// smaller one, with a negative resolution the larger one.
bool mergeExtent(ImageDescription& into, const ImageDescription& other) {
    if (into.xRes != other.xRes || into.yRes != other.yRes) return false;
    const auto widen = [](double& first, double& last, double a, double b, double resolution) {
        const double low = std::min({first, last, a, b});
        const double high = std::max({first, last, a, b});
        first = resolution < 0 ? high : low;
        last = resolution < 0 ? low : high;
    };
    widen(into.xUL, into.xLR, other.xUL, other.xLR, into.xRes);
    widen(into.yUL, into.yLR, other.yUL, other.yLR, into.yRes);
    return true;
}

// Samples covered by an extent along one axis; false when the count is not a
// finite number that fits the image size.
bool extentSamples(double first, double last, double resolution, std::uint32_t& samples) {
    const double step = std::fabs(resolution);
    const double count = std::trunc((std::fabs(last - first) + step) / step + 0.5);
    if (!std::isfinite(count) || count < 1.0 || count > 4294967295.0) return false;
    samples = static_cast<std::uint32_t>(count);
    return true;
}

}  // namespace

TG3Image::TG3Image(TG3Container& container, std::uint32_t imageNumber, bool multiImage)
    : container_(container), imageNumber_(imageNumber), multiImage_(multiImage) {}

std::int32_t TG3Image::open() {
    if (opened_) return TG3Status::repeatedOrMissing;
    opened_ = true;

    std::int32_t status = container_.registerKind(std::make_unique<HeaderPacketKind>());
    if (status != 0) return status;
    status = container_.registerKind(std::make_unique<TG2ImagePacketKind>());
    if (status != 0) return status;

    PacketHeader key = PacketHeader::key(packetTypeHeader);
    key.imageNumber = imageNumber_;
    Packet* packet = nullptr;
    status = container_.find(key, packet);
    if (status != 0) return status;
    header_ = dynamic_cast<const HeaderPacket*>(packet);
    description_ = ImageDescription{};
    // A mosaic whose image 0 is an embedded TG2 image has no header for it; the
    // mosaic's images are opened one by one later.
    if (multiImage_) {
        if (header_) info_ = header_->info;
        return openMosaic();
    }
    if (!header_) return TG3Status::repeatedOrMissing;
    info_ = header_->info;

    TG3ImageEntry entry;
    status = container_.image(imageNumber_, entry);
    if (status != 0) return status;
    status = findImageDescription(container_, imageNumber_, description_);
    if (status != 0) return status;
    width_ = info_.effectiveWidth();
    height_ = info_.effectiveHeight();
    return TG3Status::ok;
}

std::int32_t TG3Image::openMosaic() {
    bool first = true;
    for (const TG3ImageEntry& entry : container_.images()) {
        ImageDescription tile;
        const std::int32_t status = findImageDescription(container_, entry.imageNumber, tile);
        if (status != 0) return status;
        if (!tile.has(ImageDescription::hasGeoData)) giveDefaultExtent(tile);
        if (first) {
            description_ = tile;
            first = false;
        } else if (!mergeExtent(description_, tile)) {
            return TG3Status::repeatedOrMissing;
        }
    }
    if (description_.xRes == 0.0 || description_.yRes == 0.0) return TG3Status::malformed;
    if (!extentSamples(description_.xUL, description_.xLR, description_.xRes, width_) ||
        !extentSamples(description_.yUL, description_.yLR, description_.yRes, height_)) {
        return TG3Status::malformed;
    }
    return TG3Status::ok;
}

std::int32_t TG3Image::planeDirectory(KernelStream& stream, const PlanesetPacket& planeset,
                                      const TG3ImageInfo& info,
                                      std::shared_ptr<const PlaneDirectory>& directory) {
    const CVScopedLock lock(directoryMutex_);
    if (!directoryWalked_) {
        PlaneIndex index;
        directoryStatus_ = indexPlanes(stream, planeset, info, index);
        if (directoryStatus_ == 0)
            directory_ = std::make_shared<const PlaneDirectory>(std::move(index));
        directoryWalked_ = true;
    }
    directory = directory_;
    return directoryStatus_;
}

}  // namespace Corvane
