// Writes the seed corpora of the fuzz targets from the project's own encoders and
// writers: small TG3 files of grey, RGB and 16-bit images in every plane order, their
// header packets, classical metadata blocks in both forms, TG2 streams, and the coded
// bit planes of real image blocks. Usage: make_fuzz_seeds <corpus directory>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "common/test_images.h"
#include "encode/tg2/tg2_fileEncoder.h"
#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "fuzz_tg3_bitplanes.h"
#include "metadata/cv_TG3ClassicalMetadata.h"
#include "metadata/cv_classicalBlock.h"
#include "metadata/cv_classicalStandardTags.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/container/tg3_packetHeader.h"
#include "tg3/header/tg3_imageDescription.h"

using namespace Corvane;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

fs::path g_root;

void save(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path dir = g_root / target;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + (dir / name).string());
}

void require(bool condition, const char* what) {
    if (!condition) throw std::runtime_error(what);
}

// The header packet of a TG3 file: the packet after the 8-byte file header.
Bytes headerPacketOf(const Bytes& file) {
    MemoryKernelStream in(file);
    PacketHeader header;
    std::uint64_t payloadLength = 0;
    require(in.seek(8, 1) == 0 && readPacketHeader(in, header, payloadLength) == 0 &&
                header.type == packetTypeHeader,
            "header packet");
    const auto end =
        static_cast<std::ptrdiff_t>(in.tell() + static_cast<std::int64_t>(payloadLength));
    return Bytes(file.begin() + 8, file.begin() + end);
}

// Small TG3 files over the writer's choices: sample types, colour transforms, orders,
// styles, planeset versions, MSE bytes, raw and dropped planes, metadata and an image
// description with georeferencing and a background pixel.
void makeTg3Seeds() {
    const TestImage camera = loadPng("camera.png", false);
    const TestImage chelsea = loadPng("chelsea.png", true);
    const TestImage flower = loadPnm("flower_green16_crop.pgm");
    require(!camera.empty() && !chelsea.empty() && !flower.empty(), "test images");
    struct Setup {
        const char* name;
        TestImage image;
        int levels;
        std::uint32_t subblockSize;
        TG3ColorTransform transform;
        TG3Order order;
        TG3OrderStyle style;
        std::uint8_t minor;
        bool withMSEs;
        int rawPlanes;
    };
    const std::vector<Setup> setups = {
        {"grey", cropImage(camera, 200, 180, 24, 20), 2, 8, colorTransformIdentity, orderSBCP,
         orderStyleInterleaved, 0, false, 0},
        {"rgb", cropImage(chelsea, 150, 60, 19, 13), 1, 8, colorTransformRGBToYIQ, orderPipelined,
         orderStyleDataFirst, 1, true, 0},
        {"grey16", cropImage(flower, 10, 10, 16, 16), 3, 4, colorTransformDCShift, orderNoPipe,
         orderStyleInterleaved, 1, true, 3},
        {"greyflat", cropImage(camera, 0, 0, 5, 4), 0, 4, colorTransformIdentity, orderNoPipe,
         orderStyleDataFirst, 0, false, 5},
    };
    for (const Setup& s : setups) {
        TG3EncodeOptions options;
        options.levels = s.levels;
        options.subblockSize = s.subblockSize;
        options.colourTransform = s.transform;
        options.order = s.order;
        options.orderStyle = s.style;
        options.planesetVersionMinor = s.minor;
        options.withMSEs = s.withMSEs;
        options.rawPlanes = s.rawPlanes;
        TG3ClassicalMetadata metadata;
        setImageWidth(&metadata.table(), s.image.width);
        setImageHeight(&metadata.table(), s.image.height);
        setInputName(&metadata.table(), s.name);
        options.metadata = metadata;
        ImageDescription description;
        description.flags = ImageDescription::hasGeoData | ImageDescription::hasBackPixel;
        description.xUL = 500.0;
        description.yUL = 900.0;
        description.xLR = 500.0 + s.image.width;
        description.yLR = 900.0 - s.image.height;
        description.xRes = 1.0;
        description.yRes = -1.0;
        description.backPixel = {3, 1, {7, 7, 7}};
        options.description = description;
        const Bytes file = encodeTG3(s.image, options);
        for (const char* target : {"fuzz_tg3_container", "fuzz_tg3_decode", "fuzz_tvx_file"})
            save(target, std::string(s.name) + ".tvx", file);
        save("fuzz_tg3_header", std::string(s.name) + ".packet", headerPacketOf(file));
    }
}

void fillTable(ClassicalTagTable* table) {
    setImageWidth(table, 301);
    setImageHeight(table, 203);
    setBitsPerSample(table, 8);
    setXYOrigin(table, 1000.5, -20.25);
    setXResolution(table, 0.5);
    setYResolution(table, 0.5);
    setComment(table, "harbour at dawn");
    setInputName(table, "harbour.png");
    const std::int32_t noData = -9999;
    setNoDataValue(table, 4, &noData);
}

void makeClassicalSeeds() {
    TG3ClassicalMetadata metadata;
    fillTable(&metadata.table());
    save("fuzz_classical_block", "plain.block",
         tagTableBlockBytes(&metadata.table(), ClassicalBlockForm::PlainFile));
    save("fuzz_classical_block", "stream.block",
         tagTableBlockBytes(&metadata.table(), ClassicalBlockForm::LibraryStream));
    TG3ClassicalMetadata small;
    setImageWidth(&small.table(), 5);
    save("fuzz_classical_block", "small.block",
         tagTableBlockBytes(&small.table(), ClassicalBlockForm::LibraryStream));
}

// TG2 streams of one and three bands over 0 to 3 levels, with blocks and sub-blocks
// that do not divide the bands, dither and georeferencing metadata.
void makeTg2Seeds() {
    const TestImage camera = loadPng("camera.png", false);
    const TestImage chelsea = loadPng("chelsea.png", true);
    struct Shape {
        const char* name;
        TestImage image;
        std::uint32_t levels, block, subBlock;
        float step;
    };
    const Shape shapes[] = {{"one_band", cropImage(camera, 100, 100, 20, 15), 0, 16, 8, 2.0f},
                            {"three_bands", cropImage(chelsea, 150, 60, 37, 23), 2, 12, 5, 1.0f},
                            {"deep", cropImage(camera, 200, 300, 45, 30), 3, 8, 3, 0.5f}};
    for (const Shape& shape : shapes) {
        TG2EncodeOptions options;
        options.levels = shape.levels;
        options.blockWidth = options.blockHeight = shape.block;
        options.subBlockWidth = options.subBlockHeight = shape.subBlock;
        options.step = shape.step;
        if (shape.levels == 2) options.georeference = TG2Georeference{1000.5, -20.25, 0.5, 0.5};
        save("fuzz_tg2_stream", std::string(shape.name) + ".tg2", encodeTG2(shape.image, options));
    }
}

void makeBitPlaneSeeds() {
    const TestImage camera = loadPng("camera.png", false);
    struct Block {
        int band, width, height, components, lastPlane, firstRawPlane;
    };
    int n = 0;
    for (const Block& b :
         {Block{0, 8, 8, 1, 31, 32}, Block{1, 16, 9, 1, 31, 29}, Block{2, 5, 12, 2, 30, 32},
          Block{4, 13, 13, 3, 31, 32}, Block{7, 3, 1, 1, 31, 31}}) {
        Bytes input = {static_cast<std::uint8_t>(b.band), static_cast<std::uint8_t>(b.width - 1),
                       static_cast<std::uint8_t>(b.height - 1),
                       static_cast<std::uint8_t>(b.components - 1)};
        for (int c = 0; c < b.components; ++c) {
            // Detail-band-like values: differences of neighbouring pixels, signed.
            std::vector<std::int32_t> values;
            for (int y = 0; y < b.height; ++y)
                for (int x = 0; x < b.width; ++x) {
                    const std::size_t i =
                        static_cast<std::size_t>(300 + y + 11 * c) * camera.width + 200 + x * 2;
                    values.push_back(b.band == 0
                                         ? camera.components[0][i]
                                         : camera.components[0][i] - camera.components[0][i + 1]);
                }
            const EncodedPlanes planes = BitPlaneEncoder(b.band, b.width, b.height)
                                             .encode(values, b.lastPlane, b.firstRawPlane);
            tovex_fuzz::appendBitPlaneComponent(input, planes.planes.empty() ? 0 : planes.first,
                                                planes.planes);
        }
        save("fuzz_tg3_bitplanes", "block" + std::to_string(n++) + ".planes", input);
    }
}

// TG2 files from the file encoder, for the file-level reader (the TG3 files come
// from makeTg3Seeds).
void makeFileSeeds() {
    const TestImage camera = loadPng("camera.png", false);
    const TestImage chelsea = loadPng("chelsea.png", true);
    TG2EncodeOptions tg2;
    tg2.levels = 2;
    tg2.blockWidth = 16;
    tg2.blockHeight = 16;
    tg2.subBlockWidth = 8;
    tg2.subBlockHeight = 8;
    save("fuzz_tvx_file", "grey_tg2.tvx", encodeTG2(cropImage(camera, 220, 200, 36, 28), tg2));
    TG2EncodeOptions tg2rgb;
    tg2rgb.levels = 1;
    tg2rgb.step = 4.0f;
    save("fuzz_tvx_file", "rgb_tg2.tvx", encodeTG2(cropImage(chelsea, 150, 60, 19, 13), tg2rgb));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_fuzz_seeds <corpus directory>\n";
        return 2;
    }
    g_root = argv[1];
    try {
        makeTg3Seeds();
        makeClassicalSeeds();
        makeTg2Seeds();
        makeBitPlaneSeeds();
        makeFileSeeds();
    } catch (const std::exception& e) {
        std::cerr << "make_fuzz_seeds: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
