#pragma once
// Reads a written TG3 file back the way a reader does: the container, the header packet,
// the planeset and its plane walk, then the engine over the indexed planes.
#include <cstdint>
#include <vector>

#include "encode/encode_rasterImage.h"
#include "metadata/cv_metadataDatabase.h"
#include "tg3/header/tg3_imageDescription.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planeIndex.h"
#include "tg3/planeset/tg3_planesetPacket.h"

namespace tovex_test {

struct ReadBackFile {
    Corvane::TG3ImageInfo info;  // as the header packet gives it
    std::uint32_t order = 0;
    std::uint32_t orderStyle = 0;
    std::uint8_t planesetMinor = 0;
    Corvane::PlaneIndex index;
    Corvane::ImageDescription description;
    Corvane::MetadataDatabase metadata;
    Corvane::RasterImage image;  // decoded at full resolution
};

// Fails the calling test (and returns what it has) when any stage reports a status.
ReadBackFile readBack(const std::vector<std::uint8_t>& bytes);

}  // namespace tovex_test
