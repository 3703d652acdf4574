// Writes the seed corpora of the fuzz targets from the project's own encoders and
// writers: small TG3 files of grey, RGB and 16-bit images in every plane order, their
// header packets, classical metadata blocks in both forms, TG2 streams, and the coded
// bit planes of real image blocks. Usage: make_fuzz_seeds <corpus directory>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "common/test_images.h"
#include "encode/tg2/tg2_fileEncoder.h"
#include "encode/tg2/structure/tg2_streamWriter.h"
#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "encode/tg3/tg3_imageCoder.h"
#include "fuzz_tg3_bitplanes.h"
#include "metadata/cv_TG3ClassicalMetadata.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"
#include "metadata/cv_classicalBlock.h"
#include "metadata/cv_classicalStandardTags.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/header/tg3_imageDescription.h"
#include "tg3/planeset/tg3_planesetWriter.h"

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

struct Tg3Setup {
    const char* name;
    TestImage image;
    int levels;
    std::uint16_t subblockSize;
    TG3DataType dataType;
    std::int32_t rangeMax;
    TG3ColorSpace colourSpace;
    TG3ColorTransform transform;
    bool hasMSEs;
    PlaneCoding coding;
    std::uint32_t order;
    std::uint32_t style;
    std::uint8_t minor;
};

TG3ImageInfo infoFor(const Tg3Setup& s) {
    TG3ImageInfo info;
    info.width = s.image.width;
    info.height = s.image.height;
    info.levels = static_cast<std::uint8_t>(s.levels);
    info.subblockSize = s.subblockSize;
    info.components = static_cast<std::uint16_t>(s.image.components.size());
    info.planes = 32;
    info.dataType = s.dataType;
    info.dynamicRangeMax = s.rangeMax;
    info.inputColorSpace = s.colourSpace;
    info.waveletColorSpace = s.colourSpace;
    info.colorTransform = s.transform;
    info.hasMSEs = s.hasMSEs ? 1 : 0;
    info.buildBandTable();
    return info;
}

// The image's coded planes as the planeset writer takes them.
std::vector<CodedPlane> codedPlanes(const Tg3Setup& s, const TG3ImageInfo& info) {
    std::int32_t status = 0;
    const auto bands = transformImage(info, s.image.components, status);
    require(status == 0, "forward transform refused the image");
    MemoryPlaneset planeset(s.hasMSEs);
    codeSubblocks(info, bands, s.coding, planeset);
    std::vector<CodedPlane> planes;
    const std::uint64_t extra = s.hasMSEs ? 2 : 0;
    for (const PlaneIndexEntry& entry : planeset.index()) {
        const auto begin = planeset.bytes().begin() + entry.dataOffset;
        planes.push_back({entry.position,
                          Bytes(begin, begin + static_cast<std::ptrdiff_t>(entry.length - extra)),
                          entry.raw});
    }
    return planes;
}

Bytes headerPacketBytes(const TG3ImageInfo& info) {
    MemoryKernelStream out;
    HeaderPacket header = makeHeaderPacket(info);
    HeaderPacketKind kind;
    require(writePacket(out, header.header(), *kind.newWriter(header)) == 0, "header packet");
    return out.bytes();
}

Bytes tg3File(const Tg3Setup& s, const TG3ImageInfo& info) {
    MemoryKernelStream file;
    require(writeFileHeader(file) == 0, "file header");
    const Bytes header = headerPacketBytes(info);
    require(file.write(header.data(), static_cast<std::uint32_t>(header.size())) == header.size(),
            "header packet");
    TG3ClassicalMetadata metadata;
    setImageWidth(&metadata.table(), info.width);
    setImageHeight(&metadata.table(), info.height);
    setInputName(&metadata.table(), s.name);
    require(writeClassicalMetadataPacket(file, metadata) == 0, "metadata packet");
    ImageDescription description;
    description.flags = ImageDescription::hasGeoData | ImageDescription::hasBackPixel;
    description.xUL = 500.0;
    description.yUL = 900.0;
    description.xLR = 500.0 + info.width;
    description.yLR = 900.0 - info.height;
    description.xRes = 1.0;
    description.yRes = -1.0;
    description.backPixel = {3, 1, {7, 7, 7}};
    require(writeImageDescriptionPacket(file, description, 0) == 0, "description packet");
    PacketHeader planesetHeader;
    planesetHeader.type = packetTypePlaneset;
    planesetHeader.versionMinor = s.minor;
    PlanesetPacket planeset(planesetHeader);
    planeset.order = s.order;
    planeset.orderStyle = s.style;
    const std::vector<CodedPlane> planes = codedPlanes(s, info);
    planeset.planeCount = planes.size();
    require(writePlanesetPacket(file, planeset, info, planes) == 0, "planeset packet");
    return file.bytes();
}

void makeTg3Seeds() {
    const TestImage camera = loadPng("camera.png", false);
    const TestImage chelsea = loadPng("chelsea.png", true);
    const TestImage flower = loadPgm16("flower_green16_crop.pgm");
    require(!camera.empty() && !chelsea.empty() && !flower.empty(), "test images");
    PlaneCoding lossless;
    PlaneCoding rawAndLossy;
    rawAndLossy.lastPlane = 29;
    rawAndLossy.firstRawPlane = 27;
    const std::vector<Tg3Setup> setups = {
        {"grey", cropImage(camera, 200, 180, 24, 20), 2, 8, dataTypeUInt8, 255, colorSpaceGreyscale,
         colorTransformIdentity, false, lossless, orderSBCP, orderStyleInterleaved, 0},
        {"rgb", cropImage(chelsea, 150, 60, 19, 13), 1, 8, dataTypeUInt8, 255, colorSpaceRGB,
         colorTransformRGBToYIQ, true, lossless, orderPipelined, orderStyleDataFirst, 1},
        {"grey16", cropImage(flower, 10, 10, 16, 16), 3, 4, dataTypeUInt16, 65535,
         colorSpaceGreyscale, colorTransformDCShift, true, rawAndLossy, orderNoPipe,
         orderStyleInterleaved, 1},
        {"greyflat", cropImage(camera, 0, 0, 5, 4), 0, 4, dataTypeUInt8, 255, colorSpaceGreyscale,
         colorTransformIdentity, false, rawAndLossy, orderNoPipe, orderStyleDataFirst, 0},
    };
    for (const Tg3Setup& s : setups) {
        const TG3ImageInfo info = infoFor(s);
        const Bytes file = tg3File(s, info);
        for (const char* target : {"fuzz_tg3_container", "fuzz_tg3_planeset", "fuzz_tg3_decode"})
            save(target, std::string(s.name) + ".tvx", file);
        save("fuzz_tg3_header", std::string(s.name) + ".packet", headerPacketBytes(info));
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

// Indices from the image's neighbour differences: mostly small, some zero runs.
std::vector<std::int32_t> differenceIndices(const TestImage& image, std::uint32_t width,
                                            std::uint32_t height, std::uint32_t shift) {
    std::vector<std::int32_t> out;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t i = (y + shift) * image.width + x + shift;
            out.push_back((image.components[0][i] - image.components[0][i + 1]) / 6);
        }
    }
    return out;
}

void makeTg2Seeds() {
    const TestImage camera = loadPng("camera.png", false);
    struct Shape {
        const char* name;
        std::uint32_t bands, levels, width, height;
    };
    for (const Shape& shape : {Shape{"one_band", 1, 0, 20, 15}, Shape{"three_bands", 3, 2, 37, 23},
                               Shape{"deep", 1, 3, 45, 30}}) {
        TG2StreamInput input;
        input.bandCount = shape.bands;
        input.levelCount = shape.levels;
        input.width = shape.width;
        input.height = shape.height;
        for (std::uint32_t i = 0; i <= 3 * shape.levels; ++i) {
            const TG2PlaneSize size =
                tg2SubbandPlaneSize(input.width, input.height, input.levelCount, i);
            TG2SubbandInput subband;
            subband.width = size.width;
            subband.height = size.height;
            subband.blockWidth = std::max(4u, size.width / 2 + 1);
            subband.blockHeight = std::max(4u, size.height / 2 + 1);
            subband.subBlockWidth = std::max(3u, subband.blockWidth / 2);
            subband.subBlockHeight = std::max(2u, subband.blockHeight / 2);
            subband.ditherColumn = static_cast<std::uint8_t>(i * 7);
            subband.ditherRow = static_cast<std::uint8_t>(i * 11);
            for (std::uint32_t b = 0; b < shape.bands; ++b) {
                subband.bands.push_back(
                    differenceIndices(camera, size.width, size.height, 100 + 9 * b + i));
                subband.steps.push_back(0.5f + static_cast<float>(b));
            }
            input.subbands.push_back(std::move(subband));
        }
        TG3ClassicalMetadata metadata;
        fillTable(&metadata.table());
        if (shape.levels == 2) input.metadata = &metadata.table();
        save("fuzz_tg2_stream", std::string(shape.name) + ".tg2", writeTG2Stream(input));
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

// Whole files of both generations from the file encoders, for the file-level reader.
void makeFileSeeds() {
    const TestImage camera = loadPng("camera.png", false);
    const TestImage chelsea = loadPng("chelsea.png", true);
    TG3EncodeOptions grey;
    grey.levels = 2;
    grey.subblockSize = 16;
    save("fuzz_tvx_file", "grey.tvx", encodeTG3(cropImage(camera, 220, 200, 40, 30), grey));
    TG3EncodeOptions rgb;
    rgb.levels = 1;
    rgb.subblockSize = 8;
    rgb.orderStyle = orderStyleDataFirst;
    rgb.withMSEs = true;
    rgb.rawPlanes = 2;
    save("fuzz_tvx_file", "rgb.tvx", encodeTG3(cropImage(chelsea, 150, 60, 21, 17), rgb));
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
