#pragma once
// A colour scheme with its band count. The scheme codes double as the keys of the
// transformer registry, so they are fixed numbers. The names are signed, as the
// registry formats and compares them; a ColorSpace keeps the code as an unsigned
// word, so the unset scheme -1 is the code with all bits set.
#include <compare>
#include <cstdint>

namespace Corvane {

enum ColorScheme : std::int32_t {
    SchemeRGB = 0,
    SchemeCMYK = 2,
    SchemeGrayscale = 3,
    SchemeRGBK = 4,
    SchemeYIQ = 10,
    SchemeYIQK = 11,
    SchemeElevation = 2000,
    SchemeMultispectral = 3000,
    SchemeUserDefinedFirst = 50001,
    SchemeUserDefinedLast = 99998,
    SchemeUnset = -1,
};

class ColorSpace {
  public:
    // Unset: scheme with all bits set and no bands.
    ColorSpace() = default;
    // The band count follows from the scheme (0 for schemes without a fixed count).
    explicit ColorSpace(std::uint32_t scheme);
    // Both kept as given; this is how Multispectral images get their band count.
    ColorSpace(std::uint32_t scheme, std::int32_t bandCount);

    std::uint32_t scheme() const { return scheme_; }
    std::int32_t bandCount() const { return bandCount_; }
    const char* schemeName() const { return schemeName(scheme_); }

    // The band count a scheme has when nothing else says otherwise.
    static std::int32_t defaultBandCount(std::uint32_t scheme);
    // "RGB", "CMYK", ..., "User Defined" or "Unknown".
    static const char* schemeName(std::uint32_t scheme);

    bool operator==(const ColorSpace&) const = default;
    // Scheme first, then band count.
    std::strong_ordering operator<=>(const ColorSpace&) const = default;

  private:
    std::uint32_t scheme_ = 0xFFFFFFFFu;
    std::int32_t bandCount_ = 0;
};

}  // namespace Corvane
