#pragma once
// The colour scheme in which the tools show an image's samples. YIQ and YIQK bands
// mean little to a viewer or another program, so they are converted by the registered
// transformers, YIQ to RGB as the host's tiles have it and YIQK to CMYK; every other
// scheme is shown as it is stored.
#include <cstdint>

namespace Corvane {

std::uint32_t shownScheme(std::uint32_t storedScheme);

}  // namespace Corvane
