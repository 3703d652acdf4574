#pragma once
// Lays out the packets of a TG3 file in the order a reader meets them: the file header,
// the header packet, the classical metadata, the image description, then the planeset.
#include <cstdint>
#include <vector>

#include "encode/tg3/tg3_fileEncoder.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planesetWriter.h"

namespace Corvane {

// The file's bytes. The metadata and the description are written when the options hold
// them; the planeset takes the options' order, order style and version. A writer's
// failure status is thrown through throwStatus.
std::vector<std::uint8_t> assembleTG3File(const TG3ImageInfo& info, const TG3EncodeOptions& options,
                                          const std::vector<CodedPlane>& planes);

}  // namespace Corvane
