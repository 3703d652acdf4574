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
    int next() {
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

}  // namespace

BitPlaneDecoder::BitPlaneDecoder(int band, int width, int height)
    : table_(significanceTableForBand(band)), width_(width), height_(height) {}

void BitPlaneDecoder::scanPlane(const PlaneBytes& bytes, std::uint32_t mask,
                                std::uint32_t* coefficients, std::uint32_t* flags, MqDecoder& mq) {
    const bool raw = bytes.raw;
    RawBits bits(bytes);
    if (!raw) mq.initialise(bytes.data, bytes.length);
    auto decide = [&](int context) { return raw ? bits.next() : mq.decode(context); };

    const std::size_t stride = static_cast<std::size_t>(width_) + 4;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            std::uint32_t* word = flags + (static_cast<std::size_t>(y) + 2) * stride + x + 2;
            std::uint32_t& c = coefficients[static_cast<std::size_t>(y) * width_ + x];
            const std::uint32_t f = *word;
            if (f & kFlagSignificant) {
                const int d = decide(refinementContext(f));
                *word |= kFlagRefined;
                if (d) c |= mask;
                continue;
            }
            if (!decide(significanceContext(table_, f & 0xFFu))) continue;
            c |= mask;
            const unsigned signIndex = (f >> 4) & 0xFFu;
            const int sign = decide(signContext(signIndex)) ^ signPrediction(signIndex);
            if (sign) c |= kSignBit;
            markSignificant(word, stride, sign == 0, raw);
        }
    }
    if (!raw) mq.release();
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
