// Arithmetic decoding alone: decisions per second over one long coded run, in the
// mix of contexts and skews that bit-plane coding produces (most contexts strongly
// skewed, a few near even).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "encode/tg3/tg3_mqEncoder.h"
#include "tg3/engine/tg3_mqDecoder.h"

namespace {

constexpr int kContexts = 19;
constexpr std::size_t kDecisions = std::size_t{1} << 20;

struct CodedRun {
    std::vector<std::uint8_t> contexts;
    std::vector<std::uint8_t> decisions;
    std::vector<std::uint8_t> bytes;
};

const CodedRun& codedRun() {
    static const CodedRun run = [] {
        CodedRun made;
        tovex_bench::Random random(19);
        made.contexts.resize(kDecisions);
        made.decisions.resize(kDecisions);
        Corvane::MqEncoder encoder;
        encoder.restart();
        for (std::size_t i = 0; i < kDecisions; ++i) {
            const int k = static_cast<int>(random.next() % kContexts);
            // Context k gives a one with probability between 2% and 48%.
            const double one = 0.02 + 0.46 * k / (kContexts - 1);
            const int decision = random.uniform() < one ? 1 : 0;
            made.contexts[i] = static_cast<std::uint8_t>(k);
            made.decisions[i] = static_cast<std::uint8_t>(decision);
            encoder.encode(k, decision);
        }
        made.bytes = encoder.flush();
        return made;
    }();
    return run;
}

void BM_MqDecode(benchmark::State& state) {
    const CodedRun& run = codedRun();
    for (auto _ : state) {
        Corvane::MqDecoder decoder;
        decoder.initialise(run.bytes.data(), run.bytes.size());
        unsigned ones = 0;
        for (std::size_t i = 0; i < kDecisions; ++i)
            ones += static_cast<unsigned>(decoder.decode(run.contexts[i]));
        benchmark::DoNotOptimize(ones);
    }
    // The decoded run must be the coded one, or the figure means nothing.
    Corvane::MqDecoder check;
    check.initialise(run.bytes.data(), run.bytes.size());
    for (std::size_t i = 0; i < kDecisions; ++i)
        if (check.decode(run.contexts[i]) != run.decisions[i]) {
            state.SkipWithError("decoded decisions differ from the coded ones");
            break;
        }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kDecisions));
    state.counters["bits/decision"] =
        8.0 * static_cast<double>(run.bytes.size()) / static_cast<double>(kDecisions);
}
BENCHMARK(BM_MqDecode)->Unit(benchmark::kMillisecond);

}  // namespace
