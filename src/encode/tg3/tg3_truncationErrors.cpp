#include "encode/tg3/tg3_truncationErrors.h"

#include <cstdlib>

namespace Corvane {

std::vector<double> truncationErrors(const std::vector<std::int32_t>& coefficients,
                                     const EncodedPlanes& planes) {
    const std::size_t count = planes.planes.size();
    std::vector<double> errors(count + 1, 0.0);
    for (std::size_t i = 0; i < coefficients.size(); ++i) {
        const auto magnitude = static_cast<std::uint64_t>(std::llabs(coefficients[i]));
        const double whole = static_cast<double>(magnitude);
        errors[0] += whole * whole;
        for (std::size_t kept = 1; kept <= count; ++kept) {
            const int last = planes.first + static_cast<int>(kept) - 1;
            if (last >= 31) continue;  // every bit read back: no error
            const std::uint64_t dropped = (std::uint64_t{1} << (31 - last)) - 1;
            const std::uint64_t known = magnitude & ~dropped;
            double rebuilt = 0.0;
            if (known != 0) {
                const std::uint64_t half = std::uint64_t{1} << (30 - last);
                rebuilt = static_cast<double>(known + (i % 2 == 0 ? half - 1 : half));
            }
            const double error = whole - rebuilt;
            errors[kept] += error * error;
        }
    }
    return errors;
}

}  // namespace Corvane
