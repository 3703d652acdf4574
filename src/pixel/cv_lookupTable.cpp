#include "pixel/cv_lookupTable.h"

#include "pixel/cv_pixelValue.h"

namespace Corvane {

LookupTable::LookupTable(const PixelLayout& layout, std::uint32_t entryCount)
    : layout_(layout),
      entryCount_(entryCount),
      bytes_(std::size_t{entryCount} * layout.bandMap().size() * layout.bytesPerSample(), 0) {}

std::uint8_t* LookupTable::at(std::uint32_t entry, std::size_t band) {
    const std::size_t size = layout_.bytesPerSample();
    if (size == 0 || entry >= entryCount_ || band >= bandCount()) return nullptr;
    return bytes_.data() + (std::size_t{entry} * bandCount() + band) * size;
}

double LookupTable::value(std::uint32_t entry, std::size_t band) const {
    const std::uint8_t* p = const_cast<LookupTable*>(this)->at(entry, band);
    return p ? readSample(p, layout_.dataType()) : 0.0;
}

void LookupTable::setValue(std::uint32_t entry, std::size_t band, double value) {
    if (std::uint8_t* p = at(entry, band)) writeSample(p, layout_.dataType(), value);
}

}  // namespace Corvane
