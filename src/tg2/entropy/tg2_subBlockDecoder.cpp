#include "tg2/entropy/tg2_subBlockDecoder.h"

#include <algorithm>
#include <limits>
#include <span>

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
constexpr int kSmallestValueSymbol = 107;
constexpr int kValueBias = 180;  // symbols 107..255 stand for -73..75

// What the symbol source answers in place of a symbol or raw bits once the data
// have run into a marker: nothing more is coded, the rest of the sub-block is zero.
constexpr std::int32_t kMarkerReached = -1;

[[noreturn]] void throwUnexpectedMarker() {
    throw DataFormatException(g_unexpectedMarkerText);
}

class SymbolSource {
  public:
    SymbolSource(BitReader& reader, const DecodingTree& tree) : reader_(reader), tree_(tree) {}

    // A symbol 0..255, or kMarkerReached.
    int nextSymbol() {
        std::uint16_t node = 0;
        for (;;) {
            const int bit = nextBit();
            if (bit < 0) [[unlikely]]
                return kMarkerReached;
            const std::uint16_t entry = tree_.follow(node, bit);
            if (entry >= DecodingTree::leafBase) {
                if (entry >= 2 * DecodingTree::leafBase)
                    throw DataFormatException(g_decompressErrorText);
                return entry - DecodingTree::leafBase;
            }
            node = entry;
        }
    }

    // `count` (at most 16) bits as an unsigned number, or kMarkerReached.
    std::int32_t rawBits(int count) {
        std::int32_t value = 0;
        for (int i = 0; i < count; ++i) {
            const int bit = nextBit();
            if (bit < 0) [[unlikely]]
                return kMarkerReached;
            value = (value << 1) | bit;
        }
        return value;
    }

  private:
    // 0 or 1, or kMarkerReached. Data that end without a marker are cut short.
    int nextBit() {
        const int value = reader_.readBit();
        if (value >= 0) return value;
        if (reader_.end() == BitReader::End::Marker) return kMarkerReached;
        throw DataFormatException(g_unexpectedEofText);
    }

    BitReader& reader_;
    const DecodingTree& tree_;
};

// The raster positions this call produces, from where the last call stopped up
// to `end`. Indices inside the window go to the caller's buffer; zero runs only
// move the position, and the part of a run beyond `end` waits for the next call.
class PositionWalk {
  public:
    PositionWalk(const TG2SubBlockRequest& request, const TG2ResumeState& state,
                 std::int32_t* indices)
        : width_(request.dimensions.width),
          window_(request.window),
          windowWidth_(static_cast<std::uint64_t>(request.window.width())),
          indices_(indices) {
        const std::uint64_t total =
            std::uint64_t{request.dimensions.width} * request.dimensions.height;
        position_ = std::min<std::uint64_t>(state.positionsProduced, total);
        end_ = std::min(total, position_ + std::min(request.positionLimit, total));
        start_ = position_;
        skipZeros(state.pendingZeros);
    }

    bool done() const { return position_ >= end_; }
    // True while nothing, not even a pending run, has moved the position.
    bool atStart() const { return position_ == start_; }
    std::uint64_t position() const { return position_; }
    std::uint64_t pendingZeros() const { return pending_; }

    void skipZeros(std::uint64_t run) {
        const std::uint64_t taken = std::min(run, end_ - position_);
        position_ += taken;
        pending_ = run - taken;
    }

    void store(std::int32_t index) {
        const std::uint64_t row = position_ / width_;
        const std::uint64_t column = position_ % width_;
        ++position_;
        const auto x = static_cast<std::int64_t>(column);
        const auto y = static_cast<std::int64_t>(row);
        if (x < window_.x0 || y < window_.y0 || x > window_.x1 || y > window_.y1) return;
        indices_[static_cast<std::uint64_t>(y - window_.y0) * windowWidth_ +
                 static_cast<std::uint64_t>(x - window_.x0)] = index;
    }

    // The data ended at a marker: every position up to `end` is zero.
    void zerosToEnd() {
        position_ = end_;
        pending_ = 0;
    }

  private:
    std::uint64_t width_;
    Region window_;
    std::uint64_t windowWidth_;
    std::int32_t* indices_;
    std::uint64_t position_ = 0;
    std::uint64_t end_ = 0;
    std::uint64_t start_ = 0;
    std::uint64_t pending_ = 0;
};

enum class Outcome { ReachedEnd, ReachedMarker };

// Symbols 101..106: a value or a run length in the raw bits after the code.
Outcome decodeEscape(int symbol, SymbolSource& symbols, PositionWalk& walk) {
    const bool wide = symbol == kPlusShort || symbol == kMinusShort || symbol == kShortRun;
    const std::int32_t raw = symbols.rawBits(wide ? 16 : 8);
    if (raw == kMarkerReached) return Outcome::ReachedMarker;
    switch (symbol) {
        case kPlusByte:
            walk.store(raw);
            break;
        case kMinusByte:
            walk.store(-raw);
            break;
        case kPlusShort:
            walk.store(static_cast<std::int16_t>(raw));
            break;
        case kMinusShort:
            walk.store(-static_cast<std::int32_t>(static_cast<std::int16_t>(raw)));
            break;
        default:  // kByteRun, kShortRun
            walk.skipZeros(static_cast<std::uint64_t>(raw));
            break;
    }
    return Outcome::ReachedEnd;
}

// Decodes until the walk has produced its positions or the data reach a marker.
Outcome decodeSymbols(SymbolSource& symbols, PositionWalk& walk) {
    while (!walk.done()) {
        const int symbol = symbols.nextSymbol();
        if (symbol == kMarkerReached) [[unlikely]]
            return Outcome::ReachedMarker;
        if (symbol <= kLargestRunSymbol) {
            walk.skipZeros(static_cast<std::uint64_t>(symbol));
        } else if (symbol >= kSmallestValueSymbol) {
            walk.store(symbol - kValueBias);
        } else if (decodeEscape(symbol, symbols, walk) == Outcome::ReachedMarker) {
            return Outcome::ReachedMarker;
        }
    }
    return Outcome::ReachedEnd;
}

// A reader just after the FF A3 on the first call, at the saved place on later ones.
BitReader openReader(const TG2SubBlockRequest& request, const TG2ResumeState* resume) {
    const std::uint8_t* data = request.data.data();
    const std::size_t size = request.data.size();
    if (resume) {
        if (resume->bytesConsumed > size) throw DataFormatException(g_unexpectedEofText);
        return BitReader(data, size, resume->bytesConsumed, resume->currentByte,
                         resume->bitPosition, static_cast<BitReader::End>(resume->dataEnd));
    }
    if (size < 2 || data[0] != 0xFF || data[1] != 0xA3) throwUnexpectedMarker();
    return BitReader(data, size, 2);
}

// A marker straight after the FF A3: the sub-block codes nothing at all.
bool codesNothing(const TG2SubBlockRequest& request) {
    const std::span<const std::uint8_t> data = request.data;
    return data.size() > 3 && data[2] == 0xFF && data[3] != 0x00;
}

TG2ResumeState stateAfter(const BitReader& reader, const PositionWalk& walk) {
    TG2ResumeState state;
    state.bytesConsumed = static_cast<std::uint32_t>(reader.bytesConsumed());
    state.currentByte = reader.currentByte();
    state.bitPosition = reader.bitPosition();
    state.dataEnd = static_cast<std::uint8_t>(reader.end());
    state.pendingZeros = static_cast<std::uint32_t>(walk.pendingZeros());
    state.positionsProduced = static_cast<std::uint32_t>(walk.position());
    return state;
}

}  // namespace

std::optional<TG2ResumeState> decodeSubBlock(const TG2SubBlockRequest& request,
                                             const TG2ResumeState* resume, std::int32_t* indices) {
    if (std::uint64_t{request.dimensions.width} * request.dimensions.height >
        std::numeric_limits<std::uint32_t>::max())
        throw DataFormatException(g_decompressErrorText);

    BitReader reader = openReader(request, resume);
    if (!resume && codesNothing(request)) return std::nullopt;

    PositionWalk walk(request, resume ? *resume : TG2ResumeState{}, indices);
    SymbolSource symbols(reader, request.tree);
    if (decodeSymbols(symbols, walk) == Outcome::ReachedMarker) {
        if (walk.atStart() && !resume) return std::nullopt;
        walk.zerosToEnd();
    }
    return stateAfter(reader, walk);
}

}  // namespace Corvane
