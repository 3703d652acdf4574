#include "tg3/engine/tg3_bitPlaneDecoder.h"

#include <algorithm>

#include "tg3/engine/tg3_mqDecoder.h"

namespace Corvane {

bool MemoryPlaneSource::plane(int p, PlaneBytes& out) const {
    if (planes_.empty() || p < first_ || p > lastPlane()) return false;
    const Plane& pl = planes_[static_cast<std::size_t>(p - first_)];
    out.data = pl.bytes.data();
    out.length = pl.bytes.size();
    out.raw = pl.raw;
    return true;
}

namespace {

constexpr std::uint32_t kSignBit = 0x80000000u;

// Uncoded decisions: the bits of the plane, most significant first; bits
// past the end read as 0.
class RawBits {
  public:
    explicit RawBits(const PlaneBytes& b) : bytes_(b) {}
    int decode(int /*context*/) {
        const std::size_t byte = index_ >> 3;
        const int shift = 7 - static_cast<int>(index_ & 7);
        ++index_;
        if (byte >= bytes_.length) return 0;
        return (bytes_.data[byte] >> shift) & 1;
    }

  private:
    PlaneBytes bytes_;
    std::size_t index_ = 0;
};

// One raster pass over a plane with `decisions` (the arithmetic decoder or the raw
// bits); a template so that the per-coefficient work has no branch on the kind.
template <bool Raw, typename Decisions>
void scanWith(Decisions& decisions, const ContextTable& table, int width, int height,
              std::uint32_t mask, std::uint32_t* coefficients, std::uint32_t* flags) {
    const std::size_t stride = static_cast<std::size_t>(width) + 4;
    for (int y = 0; y < height; ++y) {
        std::uint32_t* words = flags + (static_cast<std::size_t>(y) + 2) * stride + 2;
        std::uint32_t* row = coefficients + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            std::uint32_t* word = words + x;
            const std::uint32_t f = *word;
            if (f & kFlagSignificant) {
                const int d = decisions.decode(refinementContext(f));
                *word = f | kFlagRefined;
                if (d) row[x] |= mask;
                continue;
            }
            if (!decisions.decode(table[f & 0xFFu])) continue;
            const unsigned signIndex = (f >> 4) & 0xFFu;
            const int sign = decisions.decode(signContext(signIndex)) ^ signPrediction(signIndex);
            row[x] |= sign ? (mask | kSignBit) : mask;
            markSignificant(word, stride, sign == 0, Raw);
        }
    }
}

}  // namespace

BitPlaneDecoder::BitPlaneDecoder(int band, int width, int height)
    : table_(significanceTableForBand(band)), width_(width), height_(height) {}

void BitPlaneDecoder::scanPlane(const PlaneBytes& bytes, std::uint32_t mask,
                                std::uint32_t* coefficients, std::uint32_t* flags, MqDecoder& mq) {
    const ContextTable& table = contextTable(table_);
    if (bytes.raw) {
        RawBits bits(bytes);
        scanWith<true>(bits, table, width_, height_, mask, coefficients, flags);
        return;
    }
    mq.initialise(bytes.data, bytes.length);
    scanWith<false>(mq, table, width_, height_, mask, coefficients, flags);
    mq.release();
}

void BitPlaneDecoder::decodeBand(const std::vector<const PlaneSource*>& sources,
                                 const std::vector<std::int32_t*>& outputs, std::size_t rowStride,
                                 std::size_t elementStride) {
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t h = static_cast<std::size_t>(height_);
    const std::size_t flagCount = (w + 4) * (h + 4);
    std::vector<std::uint32_t> coefficients(w * h);
    std::vector<std::uint32_t> flags(flagCount);

    for (std::size_t comp = 0; comp < sources.size() && comp < outputs.size(); ++comp) {
        std::fill(coefficients.begin(), coefficients.end(), 0u);
        std::fill(flags.begin(), flags.end(), 0u);
        const PlaneSource& src = *sources[comp];
        // Plane 0 would be the sign bit; it never carries magnitude.
        const int first = std::max(src.firstPlane(), 1);
        const int last = std::min(src.lastPlane(), 31);
        int decodedLast = last;
        if (first <= last) {
            MqDecoder mq;  // contexts start afresh for every component
            for (int p = first; p <= last; ++p) {
                PlaneBytes bytes;
                if (!src.plane(p, bytes)) break;
                scanPlane(bytes, kSignBit >> p, coefficients.data(), flags.data(), mq);
            }
        }
        // Reconstruction: midpoint of the interval the undecoded planes leave
        // open, one less at even positions so the offsets average out.
        const std::uint32_t half =
            (first <= last && decodedLast != 31) ? (1u << (30 - decodedLast)) : 0u;
        std::int32_t* out = outputs[comp];
        for (std::size_t y = 0; y < h; ++y) {
            for (std::size_t x = 0; x < w; ++x) {
                const std::uint32_t c = coefficients[y * w + x];
                std::uint32_t magnitude = c & 0x7FFFFFFFu;
                if (magnitude != 0 && half != 0)
                    magnitude += ((y * w + x) % 2 == 0) ? half - 1 : half;
                const std::int32_t value = static_cast<std::int32_t>(magnitude);
                out[y * rowStride + x * elementStride] = (c & kSignBit) ? -value : value;
            }
        }
    }
}

}  // namespace Corvane
