#pragma once
// TG3 files assembled in the test from an image: the forward transform and the
// plane coder of the encoder, then the library's own packet writers. Every part of
// the file can be changed or left out, so that the decoder's edge cases can be
// made from real coded data.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/test_images.h"
#include "metadata/cv_metadataDatabase.h"
#include "tg3/header/tg3_imageDescription.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planeIndex.h"
#include "tg3/planeset/tg3_planesetWriter.h"

namespace tovex_test {

using Bytes = std::vector<std::uint8_t>;

struct FileRecipe {
    int levels = 3;
    std::uint16_t subblockSize = 32;
    Corvane::TG3ColorSpace colorSpace = Corvane::colorSpaceGreyscale;
    Corvane::TG3ColorTransform transform = Corvane::colorTransformIdentity;
    bool sixteenBit = false;
    std::int32_t rangeMax = -1;  // -1: the full range of the sample type
    std::uint32_t order = Corvane::orderSBCP;
    bool withPlaneset = true;
    std::optional<Corvane::ImageDescription> description = std::nullopt;
    // Changes the header information after the planes are coded.
    std::function<void(Corvane::TG3ImageInfo&)> editHeader = nullptr;
};

// The whole file.
Bytes makeTG3File(const TestImage& image, const FileRecipe& recipe);

// A planeset packet of version 0.1, interleaved, holding the planes.
void writeTestPlaneset(Corvane::KernelStream& file, const Corvane::TG3ImageInfo& info,
                       const std::vector<Corvane::CodedPlane>& planes, std::uint32_t order);

// A grey test pattern of the given size (smooth with some edges).
TestImage patternImage(std::uint32_t width, std::uint32_t height, int components = 1,
                       std::int32_t maximum = 255);

// The header information of an image of this geometry, with its band table built.
Corvane::TG3ImageInfo imageInfo(std::uint32_t width, std::uint32_t height, std::uint8_t levels,
                                std::uint16_t subblockSize, std::uint16_t components = 1,
                                std::uint8_t planes = 1);

// Deterministic made-up coded planes for the planeset and container tests: about half
// of the positions, with lengths that need one, two and three record bytes, and raw
// planes among them.
std::vector<Corvane::CodedPlane> madeUpPlanes(const Corvane::TG3ImageInfo& info, unsigned seed);

// What a written file says about itself, read the way a reader does: the container,
// the header packet, the description, the metadata and the walk over the planeset.
// Fails the calling test when a stage reports a status.
struct FileFacts {
    Corvane::TG3ImageInfo info;
    std::uint32_t order = 0;
    std::uint32_t orderStyle = 0;
    std::uint8_t planesetMinor = 0;
    Corvane::PlaneIndex index;
    Corvane::ImageDescription description;
    Corvane::MetadataDatabase metadata;
};
FileFacts readFacts(const Bytes& bytes);

}  // namespace tovex_test
