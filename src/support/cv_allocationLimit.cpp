#include "support/cv_allocationLimit.h"

#include "support/cv_exception.h"

namespace Corvane {

void requireAllocation(std::uint64_t count, std::uint64_t elementBytes) {
    if (!allocationFits(count, elementBytes)) throw OutOfMemoryException();
}

}  // namespace Corvane
