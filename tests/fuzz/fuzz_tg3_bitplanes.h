#pragma once
// The input layout of the bit-plane target, shared with the seed maker:
//   band, width - 1, height - 1, component count - 1, then per component
//   first plane, plane count, and per plane a flags byte (bit 0: raw) and a 16-bit
//   big-endian length followed by that many bytes.
#include <cstdint>
#include <vector>

#include "tg3/engine/tg3_bitPlaneDecoder.h"

namespace tovex_fuzz {

constexpr int kBitPlaneBands = 13;
constexpr int kBitPlaneMaxSide = 32;
constexpr int kBitPlaneMaxComponents = 3;

struct BitPlaneCase {
    int band = 0;
    int width = 1;
    int height = 1;
    std::vector<Corvane::MemoryPlaneSource> sources;
};

inline void appendBitPlaneComponent(std::vector<std::uint8_t>& out, int first,
                                    const std::vector<Corvane::MemoryPlaneSource::Plane>& planes) {
    out.push_back(static_cast<std::uint8_t>(first));
    out.push_back(static_cast<std::uint8_t>(planes.size()));
    for (const auto& plane : planes) {
        out.push_back(plane.raw ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(plane.bytes.size() >> 8));
        out.push_back(static_cast<std::uint8_t>(plane.bytes.size()));
        out.insert(out.end(), plane.bytes.begin(), plane.bytes.end());
    }
}

}  // namespace tovex_fuzz
