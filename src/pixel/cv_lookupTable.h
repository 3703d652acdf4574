#pragma once
// A lookup table read from an image's metadata: for every entry one value per band
// of its layout, stored as samples of the layout's data type.
#include <cstdint>
#include <vector>

#include "pixel/cv_pixelLayout.h"

namespace Corvane {

class LookupTable {
  public:
    // The empty table: no entries.
    LookupTable() = default;
    // A table of entryCount entries, all values 0.
    LookupTable(const PixelLayout& layout, std::uint32_t entryCount);

    bool isEmpty() const { return entryCount_ == 0; }
    const PixelLayout& layout() const { return layout_; }
    std::uint32_t entryCount() const { return entryCount_; }
    std::size_t bandCount() const { return layout_.bandMap().size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    // Values outside the table read 0 and are not written.
    double value(std::uint32_t entry, std::size_t band) const;
    void setValue(std::uint32_t entry, std::size_t band, double value);

  private:
    std::uint8_t* at(std::uint32_t entry, std::size_t band);

    PixelLayout layout_;
    std::uint32_t entryCount_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace Corvane
