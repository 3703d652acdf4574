#include "encode/tg3/tg3_forwardSampleSteps.h"

#include <algorithm>

namespace Corvane {

void cmykPreProcess(std::vector<std::vector<std::int32_t>>& components) {
    auto& c = components[0];
    auto& m = components[1];
    auto& y = components[2];
    auto& k = components[3];
    for (std::size_t i = 0; i < k.size(); ++i) {
        const std::int32_t black = k[i];
        k[i] = std::min({c[i], m[i], y[i]});
        c[i] += black;
        m[i] += black;
        y[i] += black;
    }
}

}  // namespace Corvane
