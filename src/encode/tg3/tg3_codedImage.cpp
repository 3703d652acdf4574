#include "encode/tg3/tg3_codedImage.h"

#include <algorithm>

#include "encode/tg3/tg3_truncationErrors.h"
#include "support/cv_exception.h"
#include "support/cv_status.h"

namespace Corvane {

namespace {
// About what a plane's record adds to the planeset beside its bytes.
constexpr std::uint64_t kPlaneRecordBytes = 4;
constexpr std::uint32_t kRawBit = 0x80000000u;

// How many of a sub-block's planes are numbered lastPlane or lower.
std::size_t keptPlanes(const CodedSubblock& s, int lastPlane) {
    if (lastPlane < s.first) return 0;
    return std::min<std::size_t>(s.planeCount, static_cast<std::size_t>(lastPlane - s.first + 1));
}
}  // namespace

// The kept planes of a coded image, read from its temporary file one sub-block at a
// time as the planeset writer reaches them.
class KeptPlaneContent : public PlanesetContent {
  public:
    KeptPlaneContent(CodedImage& image, const KeptPlanes& kept, bool sizeOnly)
        : image_(image), kept_(kept), sizeOnly_(sizeOnly) {}
    std::size_t runCount() const override { return kept_.size(); }
    PlanePosition runStart(std::size_t run) const override {
        const CodedSubblock& s = image_.subblocks_[run];
        return PlanePosition{s.band, s.subblock, s.component, s.first};
    }
    std::uint32_t runPlanes(std::size_t run) const override {
        return static_cast<std::uint32_t>(kept_[run]);
    }
    std::uint64_t planeLength(std::size_t run, std::uint32_t k) const override {
        return word(run, k) & ~kRawBit;
    }
    bool planeRaw(std::size_t run, std::uint32_t k) const override {
        return (word(run, k) & kRawBit) != 0;
    }
    std::int32_t writePlane(KernelStream& stream, std::size_t run, std::uint32_t k,
                            int& lastByte) override {
        const auto length = static_cast<std::uint32_t>(planeLength(run, k));
        lastByte = -1;
        if (sizeOnly_) return stream.seek(length, 2) == 0 ? TG3Status::ok : TG3Status::writeFailed;
        if (run != loadedRun_) {
            const CodedSubblock& s = image_.subblocks_[run];
            std::uint64_t total = 0;
            planeStarts_.clear();
            for (std::uint32_t i = 0; i < kept_[run]; ++i) {
                planeStarts_.push_back(total);
                total += planeLength(run, i);
            }
            image_.file_.read(s.fileOffset, static_cast<std::size_t>(total), bytes_);
            loadedRun_ = run;
        }
        if (length == 0) return TG3Status::ok;
        const std::uint8_t* data = bytes_.data() + planeStarts_[k];
        lastByte = data[length - 1];
        return stream.write(data, length) == length ? TG3Status::ok : TG3Status::writeFailed;
    }

  private:
    std::uint32_t word(std::size_t run, std::uint32_t k) const {
        return image_.planeWords_[image_.subblocks_[run].firstPlane + k];
    }

    CodedImage& image_;
    const KeptPlanes& kept_;
    bool sizeOnly_;
    std::size_t loadedRun_ = static_cast<std::size_t>(-1);
    std::vector<std::uint64_t> planeStarts_;
    std::vector<std::uint8_t> bytes_;
};

CodedImage::CodedImage(bool withErrors) : withErrors_(withErrors) {}

void CodedImage::add(std::uint32_t band, std::uint32_t subblock, std::uint16_t component,
                     const EncodedPlanes& planes, const std::vector<std::int32_t>& coefficients) {
    if (planes.planes.empty()) return;
    CodedSubblock s;
    s.band = static_cast<std::uint8_t>(band);
    s.subblock = subblock;
    s.component = component;
    s.first = static_cast<std::uint8_t>(planes.first);
    s.planeCount = static_cast<std::uint32_t>(planes.planes.size());
    s.firstPlane = planeWords_.size();
    s.fileOffset = file_.size();
    for (const auto& plane : planes.planes) {
        // A plane is at most a few bytes per coefficient of a block below 2^32 samples.
        if (plane.bytes.size() >= kRawBit) throw IOException("coded plane", IoWrite);
        file_.append(plane.bytes.data(), plane.bytes.size());
        planeWords_.push_back(static_cast<std::uint32_t>(plane.bytes.size()) |
                              (plane.raw ? kRawBit : 0));
    }
    if (withErrors_) {
        const std::vector<double> errors = truncationErrors(coefficients, planes);
        errors_.insert(errors_.end(), errors.begin(), errors.end());
    }
    subblocks_.push_back(s);
}

std::uint64_t CodedImage::bytes(std::size_t n, std::size_t kept) const {
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < kept; ++i)
        total += (planeWords_[subblocks_[n].firstPlane + i] & ~kRawBit) + kPlaneRecordBytes;
    return total;
}

KeptPlanes CodedImage::keptUpTo(const std::vector<int>& lastPlanes) const {
    KeptPlanes kept;
    kept.reserve(subblocks_.size());
    for (const CodedSubblock& s : subblocks_) kept.push_back(keptPlanes(s, lastPlanes[s.band]));
    return kept;
}

std::unique_ptr<PlanesetContent> CodedImage::content(const KeptPlanes& kept, bool sizeOnly) {
    return std::make_unique<KeptPlaneContent>(*this, kept, sizeOnly);
}

std::uint64_t CodedImage::planeCount(const KeptPlanes& kept) const {
    std::uint64_t total = 0;
    for (std::size_t k : kept) total += k;
    return total;
}

void CodedImage::readPlanes(std::size_t n, std::size_t kept, EncodedPlanes& planes) {
    const CodedSubblock& s = subblocks_[n];
    planes.first = s.first;
    planes.planes.clear();
    std::uint64_t offset = s.fileOffset;
    for (std::size_t i = 0; i < kept; ++i) {
        const std::uint32_t w = planeWords_[s.firstPlane + i];
        MemoryPlaneSource::Plane plane;
        file_.read(offset, w & ~kRawBit, plane.bytes);
        plane.raw = (w & kRawBit) != 0;
        offset += w & ~kRawBit;
        planes.planes.push_back(std::move(plane));
    }
}

MemoryPlaneset CodedImage::planeset(const KeptPlanes& keep, bool hasMSEs) {
    MemoryPlaneset result(hasMSEs);
    EncodedPlanes planes;
    for (std::size_t n = 0; n < subblocks_.size(); ++n) {
        if (keep[n] == 0) continue;
        readPlanes(n, keep[n], planes);
        result.add(subblocks_[n].band, subblocks_[n].subblock, subblocks_[n].component, planes);
    }
    return result;
}

std::vector<int> losslessPlanes(const TG3ImageInfo& info) {
    return std::vector<int>(info.bands.size(), 31);
}

}  // namespace Corvane
