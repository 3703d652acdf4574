// Bit-plane decoding of one 64 x 64 sub-block of a detail band, lossless, at a few
// coefficient scales: the argument is the mean magnitude (small for the finest
// detail bands of a photograph, larger for coarser ones).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "tg3/engine/tg3_bitPlaneDecoder.h"

namespace {

constexpr int kSide = 64;
constexpr int kDetailBand = 1;

void BM_BitPlaneSubBlock(benchmark::State& state) {
    const std::vector<std::int32_t> coefficients = tovex_bench::bandCoefficients(
        std::size_t{kSide} * kSide, static_cast<double>(state.range(0)), 64);
    const Corvane::EncodedPlanes planes =
        Corvane::BitPlaneEncoder(kDetailBand, kSide, kSide).encode(coefficients);
    const Corvane::MemoryPlaneSource source = planes.source();
    std::size_t codedBytes = 0;
    for (const auto& plane : planes.planes) codedBytes += plane.bytes.size();

    std::vector<std::int32_t> decoded(coefficients.size());
    for (auto _ : state) {
        Corvane::BitPlaneDecoder decoder(kDetailBand, kSide, kSide);
        decoder.decodeBand({&source}, {decoded.data()}, kSide, 1);
        benchmark::DoNotOptimize(decoded.data());
        benchmark::ClobberMemory();
    }
    if (decoded != coefficients)
        state.SkipWithError("decoded coefficients differ from the coded ones");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * codedBytes));
    state.counters["planes"] = static_cast<double>(planes.planes.size());
    state.counters["bits/coefficient"] = 8.0 * static_cast<double>(codedBytes) / (kSide * kSide);
}
BENCHMARK(BM_BitPlaneSubBlock)->Arg(2)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);

}  // namespace
