#include "bench_support.h"

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace tovex_bench {

std::vector<std::int32_t> bandCoefficients(std::size_t count, double scale, std::uint64_t seed) {
    Random random(seed);
    std::vector<std::int32_t> values(count);
    for (std::int32_t& value : values) {
        const double magnitude = -scale * std::log(1.0 - random.uniform());
        const auto rounded = static_cast<std::int32_t>(magnitude);
        value = (random.next() & 1) ? -rounded : rounded;
    }
    return values;
}

std::string benchFile(const std::string& name) {
    const char* folder = std::getenv("TOVEX_BENCH_DATA");
    if (folder == nullptr || *folder == '\0') return {};
    std::string path = std::string(folder) + "/" + name;
    return std::ifstream(path).good() ? path : std::string();
}

}  // namespace tovex_bench
