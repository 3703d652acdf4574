// The loaded module driven from several threads at once, as a host that opens files
// on worker threads drives it: threads with readers of their own, and one reader
// shared by several threads. Every tile must equal the same tile read on one thread.
// Built with ThreadSanitizer (make test-tsan) a data race fails the run as well.
// TOVEX_THREAD_ITERATIONS sets how many readers each thread opens in the first test.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "amhost_hostFile.h"
#include "host/host_module.h"

using namespace host_test;

namespace {

constexpr int kThreads = 4;
using Tile = std::vector<std::uint8_t>;

// Every tile of a file's full-resolution level, read on one thread.
struct Reference {
    std::string path;
    std::vector<Tile> tiles;
};

// A reader at full resolution, or null.
AmFileReader* openReader(AmFileAnalyzer& analyzer, amhost::HostFile& file) {
    AmFileReader* reader = analyzer.createReader(&file);
    if (reader && (reader->selectImage(0) != 1 || setWidth(*reader, -1) != 1)) {
        reader->destroy(1);
        return nullptr;
    }
    return reader;
}

Tile readTile(AmFileReader& reader, AmWord number) {
    Tile tile(static_cast<std::size_t>(tagValue(reader, 277)) << 14);
    if (reader.readTile(number, tile.data()) != 1) tile.clear();
    return tile;
}

// Runs body(thread) on kThreads threads and waits for all of them.
template <class Body>
void onThreads(Body body) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(body, t);
    for (std::thread& thread : threads) thread.join();
}

class HostThreads : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        analyzer_ = new ScopedAnalyzer;
        // One file of each generation: TG3 colour, TG2 grey.
        for (const char* name : {"/astronaut.tvx", "/camera.tvx"}) {
            Reference reference{std::string(TOVEX_EXAMPLES_DIR) + name, {}};
            amhost::HostFile file(reference.path);
            ScopedReader reader(openReader(**analyzer_, file));
            if (!reader.get()) throw std::runtime_error("cannot open " + reference.path);
            const AmWord count =
                ((tagValue(*reader, 256) + 127) / 128) * ((tagValue(*reader, 257) + 127) / 128);
            for (AmWord n = 0; n < count; ++n) reference.tiles.push_back(readTile(*reader, n));
            references_.push_back(std::move(reference));
        }
    }
    static void TearDownTestSuite() {
        references_.clear();
        delete analyzer_;
    }
    static inline ScopedAnalyzer* analyzer_ = nullptr;
    static inline std::vector<Reference> references_;
};

}  // namespace

TEST_F(HostThreads, ReadersOfTheirOwnOnEveryThread) {
    const char* text = std::getenv("TOVEX_THREAD_ITERATIONS");
    const int iterations = text && std::atoi(text) > 0 ? std::atoi(text) : 8;
    std::atomic<int> failures{0};
    onThreads([&](int thread) {
        for (int round = 0; round < iterations; ++round) {
            const Reference& reference = references_[(thread + round) % references_.size()];
            amhost::HostFile file(reference.path);
            ScopedReader reader(openReader(**analyzer_, file));
            if (!reader.get()) {
                ++failures;
                continue;
            }
            // The first tile, one in the middle and the last.
            const AmWord last = static_cast<AmWord>(reference.tiles.size()) - 1;
            for (AmWord n : {AmWord{0}, (last + 1) / 2, last})
                if (readTile(*reader, n) != reference.tiles[n]) ++failures;
        }
    });
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(HostThreads, OneReaderSharedByEveryThread) {
    for (const Reference& reference : references_) {
        amhost::HostFile file(reference.path);
        ScopedReader reader(openReader(**analyzer_, file));
        ASSERT_NE(reader.get(), nullptr);
        std::atomic<int> failures{0};
        const auto count = static_cast<AmWord>(reference.tiles.size());
        onThreads([&](int thread) {
            // Each thread walks the grid once from its own starting tile; the last one
            // also chooses the same level again between tiles, which rebuilds the grid.
            for (AmWord step = 0; step < count; ++step) {
                const AmWord n = (step + thread * count / kThreads) % count;
                if (thread == kThreads - 1 && setWidth(*reader, -1) != 1) ++failures;
                if (readTile(*reader, n) != reference.tiles[n]) ++failures;
            }
        });
        EXPECT_EQ(failures.load(), 0) << reference.path;
    }
}
