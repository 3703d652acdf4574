#pragma once
// Opens the file behind a host file object as a Tovex image.
#include <memory>

#include "host/am_host_interfaces.h"

namespace Corvane {

class ImageStage;

// The TG2 memory model this module always asks for.
constexpr std::int32_t kHostMemoryModel = 0;

// The path comes from the host file's slot 16. Raises the library's exception when
// the file cannot be opened or is no Tovex image.
std::unique_ptr<ImageStage> openHostFileImage(AmHostFile& file);

}  // namespace Corvane
