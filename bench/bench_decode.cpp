// Decoding through the library as a host does, in-process: whole images in
// megapixels per second, and the latency of one 128 x 128 tile, each tile read by a
// fresh navigator so that nothing decoded for an earlier read helps it. The coded
// files come from compare.sh (TOVEX_BENCH_DATA); without them these report an error.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"
#include "reader/cv_tvxFileImageReader.h"
#include "transform/cv_transformerRegistry.h"

namespace {

using namespace Corvane;

constexpr std::int32_t kTile = 128;

// Decodes the rectangle [x0, x0 + w) x [y0, y0 + h) of `level` as 8-bit RGB.
void decodeRegion(TvxFileImageReader& image, std::int32_t level, std::int32_t x0, std::int32_t y0,
                  std::int32_t w, std::int32_t h, std::vector<std::uint8_t>& samples) {
    samples.resize(std::size_t(w) * h * 3);
    TovexNavigator navigator(image, level, Scene(x0, y0, 0, x0 + w - 1, y0 + h - 1, 0));
    PixelLayout layout(0, ColorSpace(SchemeRGB), DataTypeUInt8);
    PixelBuffer buffer(layout, samples.data(), samples.size());
    buffer.setBackground(image.backgroundPixel());
    navigator.decode(buffer);
}

// The coded image `name` from compare.sh's folder, or null after reporting it missing.
std::unique_ptr<TvxFileImageReader> openBenchImage(benchmark::State& state,
                                                   const std::string& name) {
    const std::string path = tovex_bench::benchFile(name);
    if (path.empty()) {
        state.SkipWithError(
            ("no " + name + " in $TOVEX_BENCH_DATA (bench/compare.sh writes it)").c_str());
        return nullptr;
    }
    registerAll();
    return std::make_unique<TvxFileImageReader>(FileSpecification(path), 0);
}

// Whole level 0 of a coded flower file.
void BM_DecodeImage(benchmark::State& state, const std::string& name) {
    const std::unique_ptr<TvxFileImageReader> opened = openBenchImage(state, name);
    if (!opened) return;
    TvxFileImageReader& image = *opened;
    std::vector<std::uint8_t> samples;
    for (auto _ : state) {
        decodeRegion(image, 0, 0, 0, image.width(), image.height(), samples);
        benchmark::DoNotOptimize(samples.data());
    }
    const double megapixels = double(image.width()) * image.height() / 1e6;
    state.counters["Mpx/s"] = benchmark::Counter(
        megapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_DecodeImage, tg3_lossless, std::string("flower-tg3.tvx"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeImage, tg3_lossy, std::string("flower-tg3-lossy.tvx"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeImage, tg2, std::string("flower-tg2.tvx"))
    ->Unit(benchmark::kMillisecond);

// One tile near the middle of `level`, aligned to the tile grid as a host asks for it.
void BM_Tile(benchmark::State& state, const std::string& name) {
    const std::unique_ptr<TvxFileImageReader> opened = openBenchImage(state, name);
    if (!opened) return;
    TvxFileImageReader& image = *opened;
    const auto level = static_cast<std::int32_t>(state.range(0));
    const std::int32_t width = levelExtent(image.width(), level);
    const std::int32_t height = levelExtent(image.height(), level);
    if (width < kTile || height < kTile) {
        state.SkipWithError("the level is smaller than a tile");
        return;
    }
    const std::int32_t x0 = (width / kTile / 2) * kTile;
    const std::int32_t y0 = (height / kTile / 2) * kTile;
    std::vector<std::uint8_t> samples;
    for (auto _ : state) {
        decodeRegion(image, level, x0, y0, kTile, kTile, samples);
        benchmark::DoNotOptimize(samples.data());
    }
}
BENCHMARK_CAPTURE(BM_Tile, tiled8192, std::string("tiled8192-tg3.tvx"))
    ->Arg(0)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK_CAPTURE(BM_Tile, tiled2048, std::string("tiled2048-tg3.tvx"))
    ->Arg(0)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace
