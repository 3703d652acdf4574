#pragma once
// Where the forward transform puts its wavelet coefficients: one whole row of one band
// at a time, every component at once, each band's rows in increasing order. The mirror
// of the decoder's band row source.
#include <cstdint>

namespace Corvane {

class BandRowSink {
  public:
    virtual ~BandRowSink() = default;
    // Row `row` of band `band` for component i in rows[i], band width long; the sink may
    // change the rows, which are its own only until it returns.
    virtual void acceptRow(std::uint32_t band, std::uint32_t row, std::int32_t* const* rows) = 0;
};

}  // namespace Corvane
