// The bit-plane decoder on arbitrary planes: any band, block size, component count,
// plane numbers, raw or arithmetic-coded bytes of any length. Whatever comes out must be
// coefficients that the encoder codes losslessly and the decoder reads back unchanged.
#include "fuzz_tg3_bitplanes.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "fuzz_support.h"

using namespace Corvane;
using namespace tovex_fuzz;

namespace {

BitPlaneCase readCase(InputCursor& in) {
    BitPlaneCase c;
    c.band = in.byte() % kBitPlaneBands;
    c.width = in.byte() % kBitPlaneMaxSide + 1;
    c.height = in.byte() % kBitPlaneMaxSide + 1;
    const int components = in.byte() % kBitPlaneMaxComponents + 1;
    for (int i = 0; i < components; ++i) {
        const int first = in.byte() % 32;
        const int count = std::min(in.byte() % 33, 32 - first);
        std::vector<MemoryPlaneSource::Plane> planes;
        for (int p = 0; p < count; ++p) {
            MemoryPlaneSource::Plane plane;
            plane.raw = (in.byte() & 1) != 0;
            plane.bytes = in.bytes(in.u16());
            planes.push_back(std::move(plane));
        }
        c.sources.push_back(planes.empty() ? MemoryPlaneSource()
                                           : MemoryPlaneSource(first, planes));
    }
    return c;
}

std::vector<std::vector<std::int32_t>> decode(const BitPlaneCase& c,
                                              const std::vector<const PlaneSource*>& sources) {
    std::vector<std::vector<std::int32_t>> values(
        sources.size(), std::vector<std::int32_t>(static_cast<std::size_t>(c.width) * c.height));
    std::vector<std::int32_t*> outputs;
    for (auto& v : values) outputs.push_back(v.data());
    BitPlaneDecoder(c.band, c.width, c.height)
        .decodeBand(sources, outputs, static_cast<std::size_t>(c.width), 1);
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputCursor in(data, size);
    const BitPlaneCase c = readCase(in);
    std::vector<const PlaneSource*> sources;
    for (const auto& s : c.sources) sources.push_back(&s);
    const auto decoded = decode(c, sources);

    // Lossless re-coding of what was decoded reproduces it exactly.
    const BitPlaneEncoder encoder(c.band, c.width, c.height);
    std::vector<EncodedPlanes> encoded;
    for (const auto& values : decoded) {
        for (std::int32_t v : values) {
            if (v == INT32_MIN) return 0;  // no 31-bit magnitude to code
        }
        encoded.push_back(encoder.encode(values));
    }
    std::vector<MemoryPlaneSource> again;
    for (const auto& e : encoded) again.push_back(e.source());
    std::vector<const PlaneSource*> againSources;
    for (const auto& s : again) againSources.push_back(&s);
    if (decode(c, againSources) != decoded) std::abort();
    return 0;
}
