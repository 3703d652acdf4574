#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "encode/tg2/structure/tg2_streamWriter.h"
#include "metadata/cv_byteVectorStream.h"
#include "metadata/cv_classicalStandardTags.h"
#include "stream/cv_fileStream.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"
#include "support/cv_messages.h"
#include "tg2/entropy/tg2_subBlockDecoder.h"
#include "tg2/structure/cv_TG2MetadataDatabase.h"
#include "tg2/structure/tg2_memoryModel.h"
#include "tg2/structure/tg2_streamStructure.h"

using namespace Corvane;

namespace {

// Indices of every kind: mostly small values, zero runs short and long, and
// now and then 8- and 16-bit magnitudes.
std::vector<std::int32_t> someIndices(std::size_t count, std::mt19937& rng) {
    std::vector<std::int32_t> v(count, 0);
    std::size_t i = 0;
    while (i < count) {
        const unsigned pick = rng() % 10;
        if (pick < 3) {
            i += rng() % 40;
        } else if (pick == 3) {
            // Long runs (symbols 105 and 106) only where they leave data around.
            i += count > 4000 ? 100 + rng() % 400 : rng() % 8;
        } else if (pick < 8) {
            v[i++] = static_cast<std::int32_t>(rng() % 21) - 10;
        } else if (pick == 8) {
            v[i++] = static_cast<std::int32_t>(rng() % 511) - 255;
        } else {
            v[i++] = static_cast<std::int32_t>(rng() % 65537) - 32768;
        }
    }
    return v;
}

// Three bands, four levels; every subband has several blocks, sub-blocks that
// do not divide the blocks evenly, and the first block of band 1 in the finest
// diagonal subband is all zero so that its band segment is left out.
TG2StreamInput sampleInput(std::uint32_t bands = 3, std::uint32_t levels = 4) {
    std::mt19937 rng(2024);
    TG2StreamInput input;
    input.bandCount = bands;
    input.levelCount = levels;
    input.width = 301;
    input.height = 203;
    for (std::uint32_t i = 0; i <= 3 * levels; ++i) {
        const TG2PlaneSize size = tg2SubbandPlaneSize(input.width, input.height, levels, i);
        TG2SubbandInput subband;
        subband.width = size.width;
        subband.height = size.height;
        subband.blockWidth = std::max(4u, size.width / 3);
        subband.blockHeight = std::max(4u, size.height / 2);
        subband.subBlockWidth = std::max(3u, subband.blockWidth / 3 + 1);
        subband.subBlockHeight = std::max(2u, subband.blockHeight / 2 + 1);
        subband.ditherColumn = static_cast<std::uint8_t>(i * 7);
        subband.ditherRow = static_cast<std::uint8_t>(i * 11);
        for (std::uint32_t b = 0; b < bands; ++b) {
            subband.bands.push_back(
                someIndices(static_cast<std::size_t>(size.width) * size.height, rng));
            subband.steps.push_back(0.5f + static_cast<float>(b) + static_cast<float>(i) / 8);
        }
        input.subbands.push_back(std::move(subband));
    }
    TG2SubbandInput& finest = input.subbands.back();
    if (bands > 1) {
        for (std::uint32_t y = 0; y < finest.blockHeight; ++y)
            for (std::uint32_t x = 0; x < finest.blockWidth; ++x)
                finest.bands[1][y * finest.width + x] = 0;
    }
    return input;
}

std::string toString(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

struct StreamFile {
    StreamFile(const std::vector<std::uint8_t>& bytes) : path(dir.file("image.tvx")) {
        tovex_test::writeFile(path, toString(bytes));
    }
    std::unique_ptr<CVStream> open() const {
        auto stream = openFileStream(FileSpecification(path));
        EXPECT_TRUE(stream->isOpen());
        return stream;
    }
    tovex_test::TempDir dir;
    std::string path;
};

std::unique_ptr<TG2StreamStructure> openStructure(const StreamFile& file, bool keepOpen = false,
                                                  bool cache = false) {
    return std::make_unique<TG2StreamStructure>(file.open(), keepOpen, cache);
}

template <class E>
std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e.what() ? e.what() : "";
    }
    return "no exception";
}

std::string text(int family, int index) {
    return getMessageText(messageCode(family, index));
}

// Decodes sub-block j of band b of the loaded block and compares it with the
// indices it was written from, once in one call and once in small calls over
// an inner window.
void checkSubBlock(TG2StreamStructure& s, const TG2Block& block, const DecodingTree& tree,
                   const TG2SubbandInput& subband, std::uint32_t b, std::uint32_t j,
                   std::mt19937& rng, std::vector<std::uint8_t>& data) {
    const TG2SubBlockPlace place = s.subBlock(b, j);
    s.readSubBlock(b, j, data);
    const std::uint32_t column0 = block.firstColumn + place.column;
    const std::uint32_t row0 = block.firstRow + place.row;
    auto written = [&](std::uint32_t x, std::uint32_t y) {
        return subband.bands[b][static_cast<std::size_t>(row0 + y) * subband.width + column0 + x];
    };
    const TG2SubBlockSize size{place.width, place.height};

    std::vector<std::int32_t> whole(static_cast<std::size_t>(size.width) * size.height, 0);
    const auto state = decodeSubBlock(
        {data, tree, size, Region::fromOrigin(0, 0, size.width, size.height), UINT64_MAX}, nullptr,
        whole.data());
    ASSERT_TRUE(state.has_value());
    EXPECT_TRUE(isComplete(*state, size));
    for (std::uint32_t y = 0; y < size.height; ++y) {
        for (std::uint32_t x = 0; x < size.width; ++x) {
            ASSERT_EQ(whole[y * size.width + x], written(x, y)) << "x " << x << " y " << y;
        }
    }

    const Region window =
        Region::fromOrigin(size.width / 3, size.height / 4, size.width - size.width / 3,
                           std::max(1u, size.height / 2));
    std::vector<std::int32_t> part(static_cast<std::size_t>(window.width()) * window.height(), 0);
    std::optional<TG2ResumeState> resume;
    do {
        resume = decodeSubBlock({data, tree, size, window, 1 + rng() % 23},
                                resume ? &*resume : nullptr, part.data());
        ASSERT_TRUE(resume.has_value());
    } while (!isComplete(*resume, size));
    for (std::uint32_t y = 0; y < window.height(); ++y) {
        for (std::uint32_t x = 0; x < window.width(); ++x) {
            ASSERT_EQ(part[y * window.width() + x], written(x + window.x0, y + window.y0));
        }
    }
}

// Every block of every subband: the records match the tiling that was written,
// bands without data are exactly the all-zero ones, and every sub-block decodes
// to its indices. Answers the number of band segments without data.
int checkWholeStream(TG2StreamStructure& s, const TG2StreamInput& input) {
    std::mt19937 rng(77);
    std::vector<std::uint8_t> data;
    int emptySegments = 0;
    for (std::uint32_t i = 0; i < s.subbandCount(); ++i) {
        const TG2SubbandInput& subband = input.subbands[i];
        const TG2SubbandChunk& chunk = s.chunk(i);
        EXPECT_EQ(chunk.ditherColumn, subband.ditherColumn);
        EXPECT_EQ(chunk.ditherRow, subband.ditherRow);
        const std::uint32_t across = (subband.width + subband.blockWidth - 1) / subband.blockWidth;
        const std::uint32_t down = (subband.height + subband.blockHeight - 1) / subband.blockHeight;
        EXPECT_EQ(chunk.blockCount, across * down) << "subband " << i;
        for (std::uint32_t k = 0; k < chunk.blockCount; ++k) {
            const TG2Block& block = s.loadBlock(i, k);
            EXPECT_EQ(block.firstColumn, (k % across) * subband.blockWidth);
            EXPECT_EQ(block.firstRow, (k / across) * subband.blockHeight);
            for (std::uint32_t b = 0; b < input.bandCount; ++b) {
                const TG2BandSegment& segment = block.bands[b];
                if (segment.noData) {
                    ++emptySegments;
                    for (std::uint32_t y = block.firstRow; y <= block.lastRow; ++y)
                        for (std::uint32_t x = block.firstColumn; x <= block.lastColumn; ++x)
                            EXPECT_EQ(subband.bands[b][y * subband.width + x], 0);
                    continue;
                }
                // The writer leaves out exactly the bands without a non-zero index.
                bool anyIndex = false;
                for (std::uint32_t y = block.firstRow; y <= block.lastRow; ++y)
                    for (std::uint32_t x = block.firstColumn; x <= block.lastColumn; ++x)
                        anyIndex = anyIndex || subband.bands[b][y * subband.width + x] != 0;
                EXPECT_TRUE(anyIndex) << "subband " << i << " block " << k << " band " << b;
                EXPECT_EQ(segment.step, subband.steps[b]);
                DecodingTree tree;
                EXPECT_TRUE(tree.build(segment.desc));
                for (std::uint32_t j = 0; j < segment.subBlockCount; ++j)
                    checkSubBlock(s, block, tree, subband, b, j, rng, data);
            }
        }
    }
    return emptySegments;
}

}  // namespace

TEST(TG2StreamStructure, WrittenStreamOpensAndEverySubBlockDecodes) {
    const TG2StreamInput input = sampleInput();
    StreamFile file(writeTG2Stream(input));
    auto s = openStructure(file);
    EXPECT_EQ(s->width(), 301u);
    EXPECT_EQ(s->height(), 203u);
    EXPECT_EQ(s->bandCount(), 3u);
    EXPECT_EQ(s->levelCount(), 4u);
    EXPECT_EQ(s->subbandCount(), 13u);
    EXPECT_EQ(s->version(), (std::array<std::uint8_t, 3>{1, 0, 0}));
    for (std::uint32_t i = 0; i < s->subbandCount(); ++i) EXPECT_GT(s->chunk(i).blockCount, 1u);
    EXPECT_GE(checkWholeStream(*s, input), 1);
    // The block whose band 1 was zeroed has no data for that band.
    EXPECT_TRUE(s->loadBlock(12, 0).bands[1].noData);
}

TEST(TG2StreamStructure, BlockGridFollowsTheBlockStarts) {
    const TG2StreamInput input = sampleInput(1, 1);
    StreamFile file(writeTG2Stream(input));
    auto s = openStructure(file);
    for (std::uint32_t i = 0; i < s->subbandCount(); ++i) {
        const TG2SubbandInput& subband = input.subbands[i];
        const TG2BlockGrid& grid = s->grid(i);
        // Blocks of one grid column share their first column: it appears once.
        const std::uint32_t across = (subband.width + subband.blockWidth - 1) / subband.blockWidth;
        const std::uint32_t down = (subband.height + subband.blockHeight - 1) / subband.blockHeight;
        ASSERT_EQ(grid.columns, across);
        ASSERT_EQ(grid.rows, down);
        EXPECT_EQ(grid.columnStarts.back(), subband.width);
        EXPECT_EQ(grid.rowStarts.back(), subband.height);
        EXPECT_EQ(grid.widestColumn, subband.blockWidth);
        EXPECT_EQ(grid.tallestRow, subband.blockHeight);
        for (std::uint32_t r = 0; r < grid.rows; ++r)
            for (std::uint32_t c = 0; c < grid.columns; ++c)
                EXPECT_EQ(grid.blockAt(r, c), r * across + c);
    }
}

TEST(TG2StreamStructure, BlocksMeetingARectangleAreFoundThroughTheGrid) {
    const TG2StreamInput input = sampleInput(1, 2);
    StreamFile file(writeTG2Stream(input));
    auto s = openStructure(file);
    std::mt19937 rng(4);
    for (std::uint32_t i = 0; i < s->subbandCount(); ++i) {
        const TG2SubbandInput& subband = input.subbands[i];
        const TG2BlockGrid& grid = s->grid(i);
        for (int n = 0; n < 40; ++n) {
            const auto c0 = static_cast<std::uint32_t>(rng() % subband.width);
            const auto r0 = static_cast<std::uint32_t>(rng() % subband.height);
            const auto c1 = static_cast<std::uint32_t>(c0 + rng() % (subband.width - c0));
            const auto r1 = static_cast<std::uint32_t>(r0 + rng() % (subband.height - r0));
            const Region area{c0, r0, c1, r1};
            // Every block of the tiling that overlaps the area, by brute force.
            std::vector<std::uint32_t> expected;
            const std::uint32_t across =
                (subband.width + subband.blockWidth - 1) / subband.blockWidth;
            for (std::uint32_t k = 0; k < s->chunk(i).blockCount; ++k) {
                const std::uint32_t x0 = (k % across) * subband.blockWidth;
                const std::uint32_t y0 = (k / across) * subband.blockHeight;
                if (x0 <= area.x1 && x0 + subband.blockWidth > area.x0 && y0 <= area.y1 &&
                    y0 + subband.blockHeight > area.y0)
                    expected.push_back(k);
            }
            EXPECT_EQ(grid.blocksMeeting(area), expected) << "subband " << i;
        }
    }
}

TEST(TG2StreamStructure, HundredColumnBlockWithSixtyFourColumnSubBlocks) {
    TG2StreamInput input;
    input.width = 100;
    input.height = 10;
    TG2SubbandInput subband;
    subband.width = 100;
    subband.height = 10;
    subband.blockWidth = 100;
    subband.blockHeight = 10;
    subband.subBlockWidth = 64;
    subband.subBlockHeight = 64;
    std::mt19937 rng(5);
    subband.bands.push_back(someIndices(1000, rng));
    subband.steps.push_back(1.0f);
    input.subbands.push_back(subband);
    StreamFile file(writeTG2Stream(input));
    auto s = openStructure(file);
    ASSERT_EQ(s->subbandCount(), 1u);  // no levels: the low-low subband alone
    const TG2Block& block = s->loadBlock(0, 0);
    ASSERT_EQ(block.bands[0].subBlockCount, 2u);
    const TG2SubBlockPlace second = s->subBlock(0, 1);
    EXPECT_EQ(second.column, 64u);
    EXPECT_EQ(second.width, 36u);
    EXPECT_EQ(second.height, 10u);
    EXPECT_EQ(checkWholeStream(*s, input), 0);  // both sub-blocks hold data
}

TEST(TG2StreamStructure, VersionBytes) {
    struct Case {
        std::uint8_t major, minor;
        bool accepted;
    };
    for (const Case c :
         {Case{1, 0, true}, Case{0, 5, true}, Case{1, 1, false}, Case{2, 0, false}}) {
        TG2StreamInput input = sampleInput(1, 1);
        input.version = {c.major, c.minor, 9};
        StreamFile file(writeTG2Stream(input));
        if (c.accepted) {
            auto s = openStructure(file);
            EXPECT_EQ(s->version(), (std::array<std::uint8_t, 3>{c.major, c.minor, 9}));
        } else {
            EXPECT_EQ(messageOf<UnsupportedVersionException>([&] { openStructure(file); }),
                      text(1, 0xcd) + " " + text(1, 0x7))
                << int(c.major) << "." << int(c.minor);
        }
    }
}

TEST(TG2StreamStructure, MalformedStreamsAreRefusedWithTheirMessages) {
    const TG2StreamInput input = sampleInput(2, 1);
    const std::vector<std::uint8_t> good = writeTG2Stream(input);
    auto u32At = [&](std::size_t at) {
        return static_cast<std::size_t>(good[at]) << 24 |
               static_cast<std::size_t>(good[at + 1]) << 16 |
               static_cast<std::size_t>(good[at + 2]) << 8 | good[at + 3];
    };
    const std::size_t chunk0 = u32At(23);
    const std::size_t segment0 = u32At(chunk0 + 8);  // band 0 of block 0
    const std::size_t symbols = [&] {
        std::size_t n = 0;
        for (int j = 0; j < 16; ++j) n += good[segment0 + 2 + j];
        return n;
    }();
    const std::size_t subBlockWidthAt = segment0 + 18 + symbols + 4;

    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        bool failsOnOpen;
        std::string message;
    };
    const std::string ioRead = text(4, 1) + " " + text(4, 7);
    const std::vector<Case> cases = {
        {"fourth magic byte", [](auto& f) { f[3] = 'y'; }, true, text(1, 0x8)},
        {"chunk marker", [&](auto& f) { f[chunk0 + 1] = 0xAD; }, true, text(1, 0x9)},
        {"truncated in the chunk table", [](auto& f) { f.resize(30); }, true, ioRead},
        {"truncated in the block records", [&](auto& f) { f.resize(chunk0 + 20); }, true, ioRead},
        {"band segment marker", [&](auto& f) { f[segment0] = 0x00; }, false, text(1, 0x9)},
        {"negative sub-block width", [&](auto& f) { f[subBlockWidthAt] = 0x80; }, false,
         text(1, 0x168)},
        {"too many sub-blocks for the file", [&](auto& f) { f[chunk0 + 8 + 8 + 9] = 0xFF; }, false,
         ioRead},
        {"block over every column",
         [&](auto& f) {
             for (int n = 0; n < 4; ++n) f[chunk0 + 8 + 8 + 8 + n] = 0xFF;
         },
         false, text(1, 0xcb) + " " + text(1, 0xc)},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bad = good;
        c.damage(bad);
        StreamFile file(bad);
        std::string message;
        try {
            auto s = openStructure(file);
            ASSERT_FALSE(c.failsOnOpen) << c.name;
            s->loadBlock(0, 0);
            message = "no exception";
        } catch (const Exception& e) {
            message = describe(e);
        }
        EXPECT_EQ(message, c.message) << c.name;
    }
}

TEST(TG2StreamStructure, DamagedSubBlocksAreRefusedByTheDecoder) {
    const TG2StreamInput input = sampleInput(1, 1);
    const std::vector<std::uint8_t> good = writeTG2Stream(input);
    StreamFile goodFile(good);
    auto s = openStructure(goodFile);
    s->loadBlock(0, 0);
    const std::uint32_t first = s->subBlock(0, 0).offset;

    std::vector<std::uint8_t> bad = good;
    bad[first + 1] = 0xA4;  // FF A4 instead of FF A3
    StreamFile file(bad);
    auto damaged = openStructure(file);
    const TG2Block& block = damaged->loadBlock(0, 0);
    DecodingTree tree;
    ASSERT_TRUE(tree.build(block.bands[0].desc));
    std::vector<std::uint8_t> data;
    damaged->readSubBlock(0, 0, data);
    const TG2SubBlockPlace place = damaged->subBlock(0, 0);
    std::vector<std::int32_t> out(static_cast<std::size_t>(place.width) * place.height);
    const TG2SubBlockRequest request{data,
                                     tree,
                                     {place.width, place.height},
                                     Region::fromOrigin(0, 0, place.width, place.height),
                                     UINT64_MAX};
    EXPECT_EQ(messageOf<DataFormatException>([&] { decodeSubBlock(request, nullptr, out.data()); }),
              text(1, 0xcb) + " " + text(1, 0xa));
}

TEST(TG2StreamStructure, RandomDamageNeverCrashes) {
    const std::vector<std::uint8_t> good = writeTG2Stream(sampleInput(2, 2));
    std::mt19937 rng(31);
    std::vector<std::uint8_t> data;
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> bad = good;
        // Every other round damages only the front, where the header, chunk
        // heads, block records and first band segments lie.
        const std::size_t reach = round % 2 ? bad.size() : bad.size() / 8;
        for (int n = 0; n < 4; ++n) bad[rng() % reach] = static_cast<std::uint8_t>(rng());
        if (round % 5 == 0) bad.resize(rng() % bad.size());
        StreamFile file(bad);
        try {
            TG2StreamStructure s(file.open(), true, false);
            for (std::uint32_t i = 0; i < s.subbandCount(); ++i) {
                for (std::uint32_t k = 0; k < s.chunk(i).blockCount; ++k) {
                    const TG2Block& block = s.loadBlock(i, k);
                    for (std::uint32_t b = 0; b < block.bands.size(); ++b) {
                        if (block.bands[b].noData) continue;
                        DecodingTree tree;
                        if (!tree.build(block.bands[b].desc)) continue;
                        for (std::uint32_t j = 0; j < block.bands[b].subBlockCount; ++j) {
                            const TG2SubBlockPlace p = s.subBlock(b, j);
                            s.readSubBlock(b, j, data);
                            const Region w = Region::fromOrigin(0, 0, std::min(p.width, 16u),
                                                                std::min(p.height, 16u));
                            std::vector<std::int32_t> out(
                                static_cast<std::size_t>(w.width()) * w.height(), 0);
                            decodeSubBlock({data, tree, {p.width, p.height}, w, UINT64_MAX},
                                           nullptr, out.data());
                        }
                    }
                }
            }
        } catch (const Exception&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST(TG2StreamStructure, StreamRequirementsAndReopening) {
    EXPECT_THROW(TG2StreamStructure(nullptr, false, false), NullPointerException);
    auto memory = std::make_unique<CVByteVectorStream>(writeTG2Stream(sampleInput(1, 0)));
    EXPECT_THROW(TG2StreamStructure(std::move(memory), false, false), IOException);

    const TG2StreamInput input = sampleInput(1, 1);
    StreamFile file(writeTG2Stream(input));
    auto original = file.open();
    std::unique_ptr<CVStream> copy = TG2StreamStructure::duplicateForStructure(*original);
    EXPECT_TRUE(original->isOpen());
    ASSERT_TRUE(copy);
    CVStream* raw = copy.get();

    TG2StreamStructure closed(std::move(copy), false, false);
    EXPECT_FALSE(raw->isOpen());
    // A load reopens the stream on its own.
    EXPECT_EQ(closed.loadBlock(1, 0).firstColumn, 0u);
    EXPECT_TRUE(raw->isOpen());

    TG2StreamStructure open(file.open(), true, false);
    EXPECT_TRUE(open.stream().isOpen());
}

TEST(TG2StreamStructure, CachedBlocksAreKeptAndWorkingBlocksReused) {
    const TG2StreamInput input = sampleInput(1, 1);
    StreamFile file(writeTG2Stream(input));
    TG2StreamStructure cached(file.open(), false, true);
    const TG2Block* first = &cached.loadBlock(1, 0);
    const TG2Block* second = &cached.loadBlock(1, 1);
    EXPECT_NE(first, second);
    EXPECT_EQ(&cached.loadBlock(1, 0), first);
    EXPECT_EQ(first->firstColumn, 0u);
    EXPECT_EQ(second->firstColumn, input.subbands[1].blockWidth);

    TG2StreamStructure plain(file.open(), false, false);
    EXPECT_EQ(&plain.loadBlock(1, 0), &plain.loadBlock(1, 1));
    checkWholeStream(cached, input);
}

TEST(TG2StreamStructure, MetadataBlockSitsBehindThePointer) {
    ClassicalTagTable table;
    initializeTagTable(&table);
    setImageWidth(&table, 301);
    setEndOfMetadata(&table);
    TG2StreamInput input = sampleInput(1, 2);
    input.metadata = &table;
    const std::vector<std::uint8_t> bytes = writeTG2Stream(input);
    clearTagTable(&table);

    CVByteVectorStream stream(bytes);
    TG2MetadataDatabase db(&stream);
    EXPECT_EQ(db.keys(), (std::vector<std::string>{"IMAGE::WIDTH"}));

    // The same through the buffered file stream that small files are opened with.
    StreamFile file(bytes);
    auto fileStream = file.open();
    TG2MetadataDatabase fromFile(fileStream.get());
    EXPECT_EQ(fromFile.keys(), (std::vector<std::string>{"IMAGE::WIDTH"}));

    auto s = openStructure(file);
    EXPECT_EQ(bytes[s->metadataOffset()], 0xFF);
    EXPECT_EQ(bytes[s->metadataOffset() + 1], 0xD1);
}

TEST(TG2MemoryModel, FlagsOfEveryModelAndInvalidNumbers) {
    for (int model = 0; model < 8; ++model) {
        const TG2MemoryModel flags = memoryModelFor(model);
        EXPECT_EQ(flags.blockGrid, model != 2 && model != 3) << model;
        EXPECT_EQ(flags.keepOpen, model == 1 || model == 3 || model == 5 || model == 7) << model;
        EXPECT_EQ(flags.cacheBlocks, model == 6 || model == 7) << model;
    }
    const TG2MemoryModel used = memoryModelFor(0);
    EXPECT_TRUE(used.blockGrid);
    EXPECT_FALSE(used.keepOpen);
    EXPECT_FALSE(used.cacheBlocks);
    for (int bad : {-1, 8, 100}) {
        EXPECT_EQ(messageOf<Exception>([&] { memoryModelFor(bad); }),
                  "[4][2422]Invalid Tovex Memory Model.");
    }
}
