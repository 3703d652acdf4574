#pragma once
// The variable-length records of a planeset, which give the length of each coded plane
// or skip positions without one, in both packet versions.
#include <cstdint>

#include "tg3/container/tg3_kernelStream.h"

namespace Corvane {

// The record before each coded plane, or for each run of empty positions.
struct LengthRecord {
    bool coded = false;
    bool raw = false;
    std::uint64_t value = 0;
};

// Largest value a record of the given packet minor version can carry.
std::uint64_t maxLengthRecordValue(std::uint8_t versionMinor);

// Reads a record in the format of packet version 0.versionMinor. Short reads and malformed
// records (a run of 0 positions, a raw run, a 0.1 record still unfinished after 8 bytes)
// give 2001.
std::int32_t readLengthRecord(KernelStream& stream, std::uint8_t versionMinor,
                              LengthRecord& record);
std::int32_t writeLengthRecord(KernelStream& stream, std::uint8_t versionMinor,
                               const LengthRecord& record);

}  // namespace Corvane
