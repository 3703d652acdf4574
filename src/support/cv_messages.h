#pragma once
// The numbered message catalog. A 32-bit code names a family (bits 24 to 27) and
// an index within it (bits 0 to 15); every text carries its "[4][nnnn]" prefix.
#include <cstdint>

namespace Corvane {

// Builds a message code from its family and index, as written F:xx.
constexpr std::int32_t messageCode(int family, int index) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(family) << 24) |
                                     static_cast<std::uint32_t>(index));
}

// The static catalog text for a code, or null for a family above 4, an index past
// the family's slots or an empty slot. Never fails; allocates nothing.
const char* getMessageText(std::int32_t code);

// Texts that the TG2 decoder and the metadata casts keep at hand, looked up while the
// library is loaded. The catalog itself is a constant table that needs no filling.
extern const char* g_unexpectedMarkerText;  // 1:a
extern const char* g_unexpectedEofText;     // 1:b
extern const char* g_decompressErrorText;   // 1:c
extern const char* g_decompressErrorText2;  // 1:c, kept a second time
extern const char* g_badMetadataCastText;   // 1:196

}  // namespace Corvane
