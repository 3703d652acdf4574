#pragma once
// Lays out the packets of a TG3 file in the order a reader meets them: the file header,
// the header packet, the classical metadata, the image description, then the planeset.
#include <cstdint>

#include "encode/tg3/tg3_fileEncoder.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planesetWriter.h"

namespace Corvane {

// Writes the file at the stream's current position. The metadata and the description
// are written when the options hold them; the planeset holds the `planeCount` planes of
// `planes` in the options' order, order style and version. A writer's failure status is
// thrown through throwStatus.
void assembleTG3File(KernelStream& file, const TG3ImageInfo& info, const TG3EncodeOptions& options,
                     PlanesetContent& planes, std::uint64_t planeCount);

// The length of the file assembleTG3File would write, measured without keeping its
// bytes (content made to skip its planes' bytes measures without reading them).
std::uint64_t assembledTG3Size(const TG3ImageInfo& info, const TG3EncodeOptions& options,
                               PlanesetContent& planes, std::uint64_t planeCount);

}  // namespace Corvane
