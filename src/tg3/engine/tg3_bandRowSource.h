#pragma once
// Where the inverse transform takes its wavelet coefficients from: one row of
// one band at a time, for a column range, every component at once.
#include <cstdint>

namespace Corvane {

class BandRowSource {
  public:
    virtual ~BandRowSource() = default;
    // Points rows[i] at columns x0..x1 of row `row` of band `band` for
    // component i (the caller supplies as many pointers as components). The
    // rows stay valid until the next request for the same band. Returns 0 or
    // a kernel status.
    virtual std::int32_t bandRow(std::uint32_t band, std::uint32_t row, std::uint32_t x0,
                                 std::uint32_t x1, std::int32_t** rows) = 0;
};

}  // namespace Corvane
