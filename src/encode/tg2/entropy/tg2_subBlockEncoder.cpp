#include "encode/tg2/entropy/tg2_subBlockEncoder.h"

#include "support/cv_exception.h"
#include "encode/tg2/entropy/tg2_bitWriter.h"

namespace Corvane {

TG2SubBlockEncoder::TG2SubBlockEncoder(const HTDesc& desc) {
    const std::vector<CanonicalCode> codes = canonicalCodes(desc);
    if (codes.empty() && !desc.symbols.empty())
        throw InvalidArgumentException("inconsistent Huffman table");
    for (const CanonicalCode& code : codes) codes_[code.symbol] = {code.bits, code.length};
}

std::vector<std::uint8_t> TG2SubBlockEncoder::encode(const std::vector<TG2Symbol>& symbols) const {
    BitWriter writer;
    writer.writeMarker(0xA3);
    for (const TG2Symbol& s : symbols) {
        const Code& code = codes_[s.symbol];
        if (code.length == 0) throw InvalidArgumentException("symbol without a Huffman code");
        writer.writeBits(code.bits, code.length);
        if (s.rawBitCount > 0) writer.writeBits(s.rawBits, s.rawBitCount);
    }
    writer.flush();
    return writer.bytes();
}

}  // namespace Corvane
