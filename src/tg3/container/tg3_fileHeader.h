#pragma once
// The eight bytes that open every TG3 file (the magic and a version) and which
// versions this reader accepts.
#include <cstdint>
#include <string>

#include "tg3/container/tg3_kernelStream.h"

namespace Corvane {

// The four version bytes after the magic "tovx".
struct FileVersion {
    std::uint8_t major = 3;
    std::uint8_t minor = 0;
    std::uint8_t revision = 26;
    std::uint8_t letter = 'q';

    std::string text() const;  // "3.0.26.q"
    bool operator==(const FileVersion&) const = default;
};

// The version this system writes and compares against.
constexpr FileVersion currentFileVersion{3, 0, 26, 'q'};

// Whether files of this version can be read: the current version, or any with minor 0,
// revision 26 and a letter up to 'q' (older letters of the same revision).
bool isSupportedFileVersion(const FileVersion& version);

// Reads the 8-byte file header at the current position. Status 2001 or 2006 on failure.
std::int32_t readFileHeader(KernelStream& stream, FileVersion& version);
std::int32_t writeFileHeader(KernelStream& stream, const FileVersion& version = currentFileVersion);

}  // namespace Corvane
