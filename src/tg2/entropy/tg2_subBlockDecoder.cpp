#include "tg2/entropy/tg2_subBlockDecoder.h"

#include <algorithm>
#include <limits>

#include "support/cv_exception.h"
#include "support/cv_messages.h"
#include "tg2/entropy/tg2_bitReader.h"

namespace Corvane {

namespace {

constexpr int kLargestRunSymbol = 100;
constexpr int kPlusByte = 101;
constexpr int kMinusByte = 102;
constexpr int kPlusShort = 103;
constexpr int kMinusShort = 104;
constexpr int kByteRun = 105;
constexpr int kShortRun = 106;
constexpr int kValueBias = 180;  // symbols 107..255 stand for -73..75

// Signals that the data ran into a marker: the rest of the sub-block is zero.
struct MarkerReached {};

[[noreturn]] void throwUnexpectedMarker() {
    throw DataFormatException(g_unexpectedMarkerText);
}

class SymbolSource {
  public:
    SymbolSource(BitReader& reader, const DecodingTree& tree) : reader_(reader), tree_(tree) {}

    int nextSymbol() {
        std::uint16_t node = 0;
        for (;;) {
            const std::uint16_t entry = tree_.follow(node, bit());
            if (entry >= DecodingTree::leafBase) {
                if (entry >= 2 * DecodingTree::leafBase)
                    throw DataFormatException(g_decompressErrorText);
                return entry - DecodingTree::leafBase;
            }
            node = entry;
        }
    }

    std::uint32_t rawBits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = (value << 1) | static_cast<std::uint32_t>(bit());
        return value;
    }

  private:
    int bit() {
        const int value = reader_.readBit();
        if (value >= 0) return value;
        if (reader_.end() == BitReader::End::Marker) throw MarkerReached{};
        throw DataFormatException(g_unexpectedEofText);
    }

    BitReader& reader_;
    const DecodingTree& tree_;
};

// Places indices at raster positions of the sub-block and keeps those that
// fall inside the window.
class RasterSink {
  public:
    RasterSink(TG2SubBlockSize size, const TG2Window& window, std::int32_t* indices)
        : width_(size.width), window_(window), indices_(indices) {}

    void store(std::uint64_t position, std::int32_t index) const {
        const std::uint64_t row = position / width_;
        const std::uint64_t column = position % width_;
        if (column < window_.left || row < window_.top) return;
        const std::uint64_t x = column - window_.left;
        const std::uint64_t y = row - window_.top;
        if (x >= window_.width || y >= window_.height) return;
        indices_[y * window_.width + x] = index;
    }

  private:
    std::uint64_t width_;
    TG2Window window_;
    std::int32_t* indices_;
};

}  // namespace

std::optional<TG2ResumeState> decodeSubBlock(const std::uint8_t* data, std::size_t size,
                                             const DecodingTree& tree, TG2SubBlockSize dimensions,
                                             const TG2Window& window, std::uint64_t limit,
                                             const TG2ResumeState* resume, std::int32_t* indices) {
    const std::uint64_t total = static_cast<std::uint64_t>(dimensions.width) * dimensions.height;
    if (total > std::numeric_limits<std::uint32_t>::max())
        throw DataFormatException(g_decompressErrorText);

    TG2ResumeState state;
    BitReader reader = [&] {
        if (resume) {
            state = *resume;
            if (state.bytesConsumed > size) throw DataFormatException(g_unexpectedEofText);
            return BitReader(data, size, state.bytesConsumed, state.currentByte, state.bitPosition,
                             static_cast<BitReader::End>(state.dataEnd));
        }
        if (size < 2 || data[0] != 0xFF || data[1] != 0xA3) throwUnexpectedMarker();
        return BitReader(data, size, 2);
    }();
    if (!resume && size > 3 && data[2] == 0xFF && data[3] != 0x00) return std::nullopt;

    std::uint64_t position = std::min<std::uint64_t>(state.positionsProduced, total);
    const std::uint64_t end = std::min(total, position + std::min(limit, total));
    const std::uint64_t start = position;
    std::uint64_t pending = state.pendingZeros;

    auto advance = [&](std::uint64_t run) {
        const std::uint64_t taken = std::min(run, end - position);
        position += taken;
        pending = run - taken;
    };
    advance(pending);

    const RasterSink sink(dimensions, window, indices);
    SymbolSource symbols(reader, tree);
    bool reachedMarker = false;
    try {
        while (position < end) {
            const int symbol = symbols.nextSymbol();
            if (symbol <= kLargestRunSymbol) {
                advance(static_cast<std::uint64_t>(symbol));
                continue;
            }
            std::int32_t index = 0;
            switch (symbol) {
                case kPlusByte:
                    index = static_cast<std::int32_t>(symbols.rawBits(8));
                    break;
                case kMinusByte:
                    index = -static_cast<std::int32_t>(symbols.rawBits(8));
                    break;
                case kPlusShort:
                    index = static_cast<std::int16_t>(symbols.rawBits(16));
                    break;
                case kMinusShort:
                    index =
                        -static_cast<std::int32_t>(static_cast<std::int16_t>(symbols.rawBits(16)));
                    break;
                case kByteRun:
                    advance(symbols.rawBits(8));
                    continue;
                case kShortRun:
                    advance(symbols.rawBits(16));
                    continue;
                default:
                    index = symbol - kValueBias;
                    break;
            }
            sink.store(position++, index);
        }
    } catch (const MarkerReached&) {
        reachedMarker = true;
    }

    if (reachedMarker) {
        if (position == start && !resume) return std::nullopt;
        // Nothing more is coded: the remaining positions are zeros.
        position = end;
        pending = 0;
    }
    state.bytesConsumed = static_cast<std::uint32_t>(reader.bytesConsumed());
    state.currentByte = reader.currentByte();
    state.bitPosition = reader.bitPosition();
    state.dataEnd = static_cast<std::uint8_t>(reader.end());
    state.pendingZeros = static_cast<std::uint32_t>(pending);
    state.positionsProduced = static_cast<std::uint32_t>(position);
    return state;
}

}  // namespace Corvane
