// One level of each inverse wavelet over a 1024 x 1024 image, in megapixels per
// second: the integer 5-3 through the line-based level engine that the TG3 decoder
// runs, the float 9/7 as the TG2 decoder calls it (columns side by side, then rows).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "tg2/synthesis/tg2_lifting97.h"
#include "tg3/engine/tg3_bandRowSource.h"
#include "tg3/engine/tg3_inverseLevel.h"
#include "tg3/engine/tg3_levelColumns.h"

namespace {

constexpr std::uint32_t kSide = 1024;
constexpr std::uint32_t kHalf = kSide / 2;
constexpr double kMegapixels = kSide * kSide / 1e6;

// The four bands of one level, each kHalf x kHalf, held whole in memory.
class MemoryBands : public Corvane::BandRowSource {
  public:
    MemoryBands() {
        for (std::uint32_t band = 0; band < 4; ++band)
            bands_[band] = tovex_bench::bandCoefficients(std::size_t{kHalf} * kHalf,
                                                         band == 0 ? 200.0 : 6.0, band + 1);
    }
    std::int32_t bandRow(std::uint32_t band, std::uint32_t row, std::uint32_t x0, std::uint32_t,
                         std::int32_t** rows) override {
        // Bands 2, 3 and 4 are the detail bands of level 1; 0 is the low-pass band.
        std::vector<std::int32_t>& samples = bands_[band == 0 ? 0 : band - 1];
        rows[0] = samples.data() + std::size_t{row} * kHalf + x0;
        return 0;
    }

  private:
    std::vector<std::int32_t> bands_[4];
};

void BM_Inverse53Level(benchmark::State& state) {
    MemoryBands bands;
    const std::vector<Corvane::LevelColumns> regions =
        Corvane::buildLevelColumnTable(0, kSide - 1, kSide, 1);
    std::int64_t checksum = 0;
    for (auto _ : state) {
        Corvane::InverseLevel level(1, regions[0], kSide, 1, bands, nullptr);
        const std::int32_t* row[1] = {nullptr};
        for (std::uint32_t y = 0; y < kSide; ++y) {
            if (level.produceRow(y, row) != 0) {
                state.SkipWithError("the level engine refused a row");
                return;
            }
            checksum += row[0][y];
        }
    }
    benchmark::DoNotOptimize(checksum);
    state.counters["Mpx/s"] = benchmark::Counter(
        kMegapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Inverse53Level)->Unit(benchmark::kMillisecond);

void BM_Inverse97Level(benchmark::State& state) {
    using Corvane::CoefficientLine;
    using Corvane::IndexRange;
    // Low-pass rows above high-pass rows; the vertical pass writes the columns'
    // low and high halves side by side, which the horizontal pass then reads.
    std::vector<float> input(std::size_t{kSide} * kSide);
    {
        const std::vector<std::int32_t> values =
            tovex_bench::bandCoefficients(input.size(), 6.0, 97);
        for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<float>(values[i]);
    }
    std::vector<float> columns(input.size());
    std::vector<float> output(input.size());
    std::vector<float> scratch;
    const IndexRange halfRange{0, kHalf - 1};
    for (auto _ : state) {
        const CoefficientLine low{input.data(), kSide, halfRange};
        const CoefficientLine high{input.data() + std::size_t{kHalf} * kSide, kSide, halfRange};
        Corvane::synthesiseLines97(low, high, kSide, kSide, 0, kSide - 1, columns.data(), kSide,
                                   scratch);
        for (std::uint32_t r = 0; r < kSide; ++r) {
            float* line = columns.data() + std::size_t{r} * kSide;
            const CoefficientLine rowLow{line, 1, halfRange};
            const CoefficientLine rowHigh{line + kHalf, 1, halfRange};
            Corvane::synthesiseLine97(rowLow, rowHigh, kSide, 0, kSide - 1,
                                      output.data() + std::size_t{r} * kSide, 1, scratch);
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.counters["Mpx/s"] = benchmark::Counter(
        kMegapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Inverse97Level)->Unit(benchmark::kMillisecond);

}  // namespace
