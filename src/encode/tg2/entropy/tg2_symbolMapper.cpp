#include "encode/tg2/entropy/tg2_symbolMapper.h"

#include <algorithm>

#include "support/cv_exception.h"

namespace Corvane {

namespace {

constexpr std::uint32_t kShortRunLimit = 100;
constexpr std::uint32_t kByteRunLimit = 255;
constexpr std::uint32_t kLongestRun = 65535;

void appendRun(std::uint32_t length, std::vector<TG2Symbol>& out) {
    while (length > 0) {
        const std::uint32_t part = std::min(length, kLongestRun);
        if (part <= kShortRunLimit) {
            out.push_back({static_cast<std::uint8_t>(part), 0, 0});
        } else if (part <= kByteRunLimit) {
            out.push_back({105, 8, static_cast<std::uint16_t>(part)});
        } else {
            out.push_back({106, 16, static_cast<std::uint16_t>(part)});
        }
        length -= part;
    }
}

TG2Symbol valueSymbol(std::int32_t value) {
    if (value >= -73 && value <= 75) return {static_cast<std::uint8_t>(value + 180), 0, 0};
    if (value > 0 && value <= 255) return {101, 8, static_cast<std::uint16_t>(value)};
    if (value < 0 && value >= -255) return {102, 8, static_cast<std::uint16_t>(-value)};
    // 16-bit values: 103 carries the value, 104 its negation. The one that keeps
    // the raw field a positive 16-bit number is used, which leaves 32768 to 104
    // and -32768 to 103.
    if (value > 0 && value <= 32767) return {103, 16, static_cast<std::uint16_t>(value)};
    if (value == kTG2LargestIndex) return {104, 16, 0x8000};
    if (value < 0 && value >= -32767) return {104, 16, static_cast<std::uint16_t>(-value)};
    if (value == kTG2SmallestIndex) return {103, 16, 0x8000};
    throw InvalidArgumentException("quantisation index out of the codable range");
}

}  // namespace

void appendSymbols(const std::int32_t* indices, std::size_t count, std::vector<TG2Symbol>& out) {
    std::uint32_t run = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (indices[i] == 0) {
            ++run;
            continue;
        }
        appendRun(run, out);
        run = 0;
        out.push_back(valueSymbol(indices[i]));
    }
    appendRun(run, out);
}

void countSymbols(const std::vector<TG2Symbol>& symbols, TG2SymbolFrequencies& frequencies) {
    for (const TG2Symbol& s : symbols) ++frequencies[s.symbol];
}

}  // namespace Corvane
