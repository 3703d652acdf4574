#include "encode/tg3/tg3_bitPlaneEncoder.h"

#include <bit>
#include <cstdlib>

#include "encode/tg3/tg3_mqEncoder.h"

namespace Corvane {
namespace {

// Collects uncoded decisions, most significant bit first.
class RawBitWriter {
  public:
    void put(int bit) {
        if (count_ % 8 == 0) bytes_.push_back(0);
        if (bit) bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80 >> (count_ % 8)));
        ++count_;
    }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t count_ = 0;
};

}  // namespace

BitPlaneEncoder::BitPlaneEncoder(int band, int width, int height)
    : table_(significanceTableForBand(band)), width_(width), height_(height) {}

EncodedPlanes BitPlaneEncoder::encode(const std::vector<std::int32_t>& coefficients, int lastPlane,
                                      int firstRawPlane) const {
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t h = static_cast<std::size_t>(height_);
    std::vector<std::uint32_t> magnitude(w * h);
    std::uint32_t all = 0;
    for (std::size_t i = 0; i < w * h; ++i) {
        magnitude[i] =
            static_cast<std::uint32_t>(std::abs(static_cast<std::int64_t>(coefficients[i])));
        all |= magnitude[i];
    }
    EncodedPlanes result;
    if (all == 0) return result;
    // Plane p carries weight 2^(31 - p).
    const int first = std::countl_zero(all);
    if (first > lastPlane) return result;
    result.first = first;

    const std::size_t stride = w + 4;
    std::vector<std::uint32_t> flags(stride * (h + 4));
    MqEncoder mq;  // contexts start in their initial states
    for (int p = first; p <= lastPlane; ++p) {
        const std::uint32_t mask = 0x80000000u >> p;
        const bool raw = p >= firstRawPlane;
        RawBitWriter bits;
        if (!raw) mq.restart();
        auto code = [&](int context, int decision) {
            if (raw)
                bits.put(decision);
            else
                mq.encode(context, decision);
        };
        for (std::size_t y = 0; y < h; ++y) {
            for (std::size_t x = 0; x < w; ++x) {
                std::uint32_t* word = flags.data() + (y + 2) * stride + x + 2;
                const std::size_t i = y * w + x;
                const int bit = (magnitude[i] & mask) ? 1 : 0;
                const std::uint32_t f = *word;
                if (f & kFlagSignificant) {
                    code(refinementContext(f), bit);
                    *word |= kFlagRefined;
                    continue;
                }
                code(significanceContext(table_, f & 0xFFu), bit);
                if (!bit) continue;
                const unsigned signIndex = (f >> 4) & 0xFFu;
                const int sign = coefficients[i] < 0 ? 1 : 0;
                code(signContext(signIndex), sign ^ signPrediction(signIndex));
                markSignificant(word, stride, sign == 0, raw);
            }
        }
        result.planes.push_back({raw ? bits.take() : mq.flush(), raw});
    }
    return result;
}

}  // namespace Corvane
