#pragma once
// What the micro-benchmarks share: a fixed pseudo-random source, so that every run
// codes the same data, coefficients shaped like those of a real wavelet band, and
// the place where compare.sh leaves the coded test images.
#include <cstdint>
#include <string>
#include <vector>

namespace tovex_bench {

// A small deterministic generator (xorshift64*): the same sequence on every machine.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed | 1) {}
    std::uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

  private:
    std::uint64_t state_;
};

// `count` coefficients of a detail band: most are small, a few are large, signs are
// even, as after a wavelet transform of a photograph (Laplacian, mean magnitude
// `scale`).
std::vector<std::int32_t> bandCoefficients(std::size_t count, double scale, std::uint64_t seed);

// The path of a coded image that compare.sh wrote into $TOVEX_BENCH_DATA, or an empty
// string when that folder is not set or lacks the file.
std::string benchFile(const std::string& name);

}  // namespace tovex_bench
