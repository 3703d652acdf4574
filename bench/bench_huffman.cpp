// Huffman decoding of TG2 sub-blocks: 256 sub-blocks of 32 x 32 quantisation indices
// coded with one table, as a band segment holds them, decoded whole. Reported per
// megabyte of coded data and per index.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "encode/tg2/entropy/tg2_huffmanTableBuilder.h"
#include "encode/tg2/entropy/tg2_subBlockEncoder.h"
#include "encode/tg2/entropy/tg2_symbolMapper.h"
#include "tg2/entropy/tg2_decodingTree.h"
#include "tg2/entropy/tg2_subBlockDecoder.h"

namespace {

constexpr std::uint32_t kSide = 32;
constexpr std::size_t kIndices = std::size_t{kSide} * kSide;
constexpr std::size_t kSubBlocks = 256;

void BM_HuffmanSubBlocks(benchmark::State& state) {
    // The argument is the mean index magnitude in tenths: small for a coarse step.
    const double scale = static_cast<double>(state.range(0)) / 10.0;
    std::vector<std::vector<std::int32_t>> indices;
    std::vector<std::vector<Corvane::TG2Symbol>> symbols(kSubBlocks);
    Corvane::TG2SymbolFrequencies frequencies{};
    for (std::size_t s = 0; s < kSubBlocks; ++s) {
        indices.push_back(tovex_bench::bandCoefficients(kIndices, scale, 1000 + s));
        Corvane::appendSymbols(indices.back().data(), kIndices, symbols[s]);
        Corvane::countSymbols(symbols[s], frequencies);
    }
    const Corvane::HTDesc table = Corvane::buildHTDesc(frequencies);
    const Corvane::TG2SubBlockEncoder encoder(table);
    std::vector<std::vector<std::uint8_t>> coded;
    std::size_t codedBytes = 0;
    for (const auto& subBlock : symbols) {
        coded.push_back(encoder.encode(subBlock));
        codedBytes += coded.back().size();
    }
    Corvane::DecodingTree tree;
    if (!tree.build(table)) {
        state.SkipWithError("the table does not make a decoding tree");
        return;
    }

    const Corvane::TG2SubBlockSize size{kSide, kSide};
    const Corvane::Region whole = Corvane::Region::fromOrigin(0, 0, kSide, kSide);
    std::vector<std::int32_t> decoded(kIndices);
    for (auto _ : state) {
        for (std::size_t s = 0; s < kSubBlocks; ++s) {
            std::fill(decoded.begin(), decoded.end(), 0);
            Corvane::decodeSubBlock({coded[s], tree, size, whole, UINT64_MAX}, nullptr,
                                    decoded.data());
            benchmark::DoNotOptimize(decoded.data());
        }
    }
    // What the last pass left is the last sub-block.
    if (decoded != indices.back())
        state.SkipWithError("decoded indices differ from the coded ones");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * codedBytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSubBlocks * kIndices));
    state.counters["bits/index"] =
        8.0 * static_cast<double>(codedBytes) / static_cast<double>(kSubBlocks * kIndices);
}
BENCHMARK(BM_HuffmanSubBlocks)->Arg(5)->Arg(20)->Arg(80)->Unit(benchmark::kMillisecond);

}  // namespace
