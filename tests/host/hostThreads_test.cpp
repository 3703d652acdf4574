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
constexpr AmWord kFullResolution = -1;

using Tile = std::vector<std::uint8_t>;

// One file of each generation: TG3 colour, TG2 grey.
const char* const kFiles[] = {TOVEX_EXAMPLES_DIR "/astronaut.tvx",
                              TOVEX_EXAMPLES_DIR "/camera.tvx"};

int iterations() {
    const char* text = std::getenv("TOVEX_THREAD_ITERATIONS");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : 8;
}

// Every tile of a file's full-resolution level, read on one thread.
struct Reference {
    std::string path;
    AmWord width = 0;
    std::vector<Tile> tiles;
};

AmWord tileCount(AmFileReader& reader) {
    const AmWord across = (tagValue(reader, 256) + 127) / 128;
    const AmWord down = (tagValue(reader, 257) + 127) / 128;
    return across * down;
}

Tile readTile(AmFileReader& reader, AmWord number) {
    Tile tile(static_cast<std::size_t>(tagValue(reader, 277)) << 14);
    if (reader.readTile(number, tile.data()) != 1) tile.clear();
    return tile;
}

Reference readReference(AmFileAnalyzer& analyzer, const char* path) {
    amhost::HostFile file(path);
    ScopedReader reader(analyzer.createReader(&file));
    if (!reader.get() || reader->selectImage(0) != 1 ||
        setWidth(*reader.get(), kFullResolution) != 1)
        throw std::runtime_error(std::string("cannot open ") + path);
    Reference reference{path, tagValue(*reader.get(), 256), {}};
    const AmWord count = tileCount(*reader.get());
    for (AmWord n = 0; n < count; ++n) {
        reference.tiles.push_back(readTile(*reader.get(), n));
        if (reference.tiles.back().empty()) throw std::runtime_error("tile refused");
    }
    return reference;
}

class HostThreads : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        analyzer_ = new ScopedAnalyzer;
        for (const char* path : kFiles) references_.push_back(readReference(**analyzer_, path));
    }
    static void TearDownTestSuite() {
        references_.clear();
        delete analyzer_;
    }

    // Runs body(thread) on kThreads threads and waits for all of them.
    template <class Body>
    static void onThreads(Body body) {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) threads.emplace_back(body, t);
        for (std::thread& thread : threads) thread.join();
    }

    static ScopedAnalyzer* analyzer_;
    static std::vector<Reference> references_;
};

ScopedAnalyzer* HostThreads::analyzer_ = nullptr;
std::vector<Reference> HostThreads::references_;

}  // namespace

TEST_F(HostThreads, ReadersOfTheirOwnOnEveryThread) {
    std::atomic<int> failures{0};
    onThreads([&](int thread) {
        for (int round = 0; round < iterations(); ++round) {
            const Reference& reference = references_[(thread + round) % references_.size()];
            amhost::HostFile file(reference.path);
            ScopedReader reader((*analyzer_)->createReader(&file));
            if (!reader.get() || reader->selectImage(0) != 1 ||
                setWidth(*reader.get(), reference.width) != 1) {
                ++failures;
                continue;
            }
            // The first tile, one in the middle and the last.
            const AmWord last = static_cast<AmWord>(reference.tiles.size()) - 1;
            for (AmWord n : {AmWord{0}, (last + 1) / 2, last})
                if (readTile(*reader.get(), n) != reference.tiles[n]) ++failures;
        }
    });
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(HostThreads, OneReaderSharedByEveryThread) {
    for (const Reference& reference : references_) {
        amhost::HostFile file(reference.path);
        ScopedReader reader((*analyzer_)->createReader(&file));
        ASSERT_NE(reader.get(), nullptr);
        ASSERT_EQ(reader->selectImage(0), 1);
        ASSERT_EQ(setWidth(*reader.get(), reference.width), 1);

        std::atomic<int> failures{0};
        const auto count = static_cast<AmWord>(reference.tiles.size());
        onThreads([&](int thread) {
            // Each thread walks the grid once from its own starting tile; the last one
            // also chooses the same level again between tiles, which rebuilds the grid.
            for (AmWord step = 0; step < count; ++step) {
                const AmWord n = (step + thread * count / kThreads) % count;
                if (thread == kThreads - 1 && setWidth(*reader.get(), reference.width) != 1)
                    ++failures;
                if (readTile(*reader.get(), n) != reference.tiles[n]) ++failures;
            }
        });
        EXPECT_EQ(failures.load(), 0) << reference.path;
    }
}
