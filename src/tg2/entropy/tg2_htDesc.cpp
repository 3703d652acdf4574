#include "tg2/entropy/tg2_htDesc.h"

namespace Corvane {

std::vector<CanonicalCode> canonicalCodes(const HTDesc& desc) {
    std::vector<CanonicalCode> codes;
    std::uint32_t code = 0;
    std::size_t next = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < desc.lengthCounts[length - 1]; ++i) {
            if (next >= desc.symbols.size() || code >= (1u << length)) return {};
            codes.push_back({static_cast<std::uint16_t>(code), static_cast<std::uint8_t>(length),
                             desc.symbols[next++]});
            ++code;
        }
        code <<= 1;
    }
    return codes;
}

}  // namespace Corvane
