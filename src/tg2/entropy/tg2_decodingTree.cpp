#include "tg2/entropy/tg2_decodingTree.h"

#include "support/cv_exception.h"
#include "support/cv_messages.h"

namespace Corvane {

bool DecodingTree::build(const HTDesc& desc) {
    for (int i = 0; i < 256; ++i) {
        zero_[i] = unreachedEntry;
        one_[i] = unreachedEntry;
    }
    std::uint16_t nextFree = 1;
    for (const CanonicalCode& code : canonicalCodes(desc)) {
        std::uint16_t node = 0;
        for (int bit = code.length - 1; bit >= 1; --bit) {
            std::uint16_t& entry = ((code.bits >> bit) & 1) ? one_[node] : zero_[node];
            if (entry == unreachedEntry) {
                if (nextFree >= 256) return false;
                entry = nextFree++;
            } else if (entry >= leafBase) {
                return false;  // a shorter code is a prefix of this one
            }
            node = entry;
        }
        std::uint16_t& leaf = (code.bits & 1) ? one_[node] : zero_[node];
        leaf = static_cast<std::uint16_t>(code.symbol + leafBase);
    }
    return true;
}

DecodingTree DecodingTree::fromDescription(const HTDesc& desc) {
    DecodingTree tree;
    if (!tree.build(desc)) throw DataFormatException(g_decompressErrorText);
    return tree;
}

}  // namespace Corvane
