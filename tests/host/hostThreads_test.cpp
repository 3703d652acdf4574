// The loaded module driven from several threads at once, as a host that opens files
// on worker threads drives it: threads with readers of their own, and one reader
// shared by several threads. Every tile must equal the same tile read on one thread.
// Built with ThreadSanitizer (make test-tsan) a data race fails the run as well.
// TOVEX_THREAD_ITERATIONS sets how many readers each thread opens.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "amhost_hostFile.h"
#include "host/host_module.h"

using namespace host_test;
using Tile = std::vector<std::uint8_t>;

namespace {

// Runs body(thread) on four threads and waits for all of them.
template <class Body>
void onThreads(Body body) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(body, t);
    for (std::thread& thread : threads) thread.join();
}

}  // namespace

TEST(HostThreads, ReadersOfTheirOwnAndOneSharedReader) {
    const char* text = std::getenv("TOVEX_THREAD_ITERATIONS");
    const int iterations = text && std::atoi(text) > 0 ? std::atoi(text) : 8;
    ScopedAnalyzer analyzer;
    // One file of each generation, TG3 colour and TG2 grey, every tile read on one thread.
    const std::string paths[] = {TOVEX_EXAMPLES_DIR "/astronaut.tvx",
                                 TOVEX_EXAMPLES_DIR "/camera.tvx"};
    std::vector<Tile> tiles[2];
    for (int f = 0; f < 2; ++f) {
        amhost::HostFile file(paths[f]);
        ScopedReader reader = openReader(*analyzer, file);
        ASSERT_NE(reader, nullptr) << paths[f];
        const AmWord count =
            ((tagValue(*reader, 256) + 127) / 128) * ((tagValue(*reader, 257) + 127) / 128);
        for (AmWord n = 0; n < count; ++n) tiles[f].push_back(readTile(*reader, n));
    }
    std::atomic<int> failures{0};
    // Readers of their own: the first tile, one in the middle and the last.
    onThreads([&](int thread) {
        for (int round = 0; round < iterations; ++round) {
            const int f = (thread + round) % 2;
            amhost::HostFile file(paths[f]);
            ScopedReader reader = openReader(*analyzer, file);
            const AmWord last = static_cast<AmWord>(tiles[f].size()) - 1;
            for (AmWord n : {AmWord{0}, (last + 1) / 2, last})
                if (!reader || readTile(*reader, n) != tiles[f][n]) ++failures;
        }
    });
    EXPECT_EQ(failures.load(), 0);
    // One reader shared: each thread walks the grid once from its own starting tile;
    // the last one also chooses the same level again between tiles, which rebuilds
    // the grid.
    for (int f = 0; f < 2; ++f) {
        amhost::HostFile file(paths[f]);
        ScopedReader reader = openReader(*analyzer, file);
        ASSERT_NE(reader, nullptr);
        const auto count = static_cast<AmWord>(tiles[f].size());
        onThreads([&](int thread) {
            for (AmWord step = 0; step < count; ++step) {
                const AmWord n = (step + thread * count / 4) % count;
                if (thread == 3 && setWidth(*reader, -1) != 1) ++failures;
                if (readTile(*reader, n) != tiles[f][n]) ++failures;
            }
        });
        EXPECT_EQ(failures.load(), 0) << paths[f];
    }
}
