#include "tg3/container/tg3_fileHeader.h"

#include <cstdio>
#include <cstring>

#include "support/cv_status.h"

namespace Corvane {

std::string FileVersion::text() const {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%c", major, minor, revision,
                  static_cast<char>(letter));
    return buffer;
}

bool isSupportedFileVersion(const FileVersion& version) {
    if (version == currentFileVersion) return true;
    // The letter is compared as a signed byte, so bytes from 0x80 up count as old letters.
    return version.minor == 0 && version.revision == 26 &&
           static_cast<std::int8_t>(version.letter) <= static_cast<std::int8_t>('q');
}

std::int32_t readFileHeader(KernelStream& stream, FileVersion& version) {
    std::uint8_t bytes[8];
    if (stream.read(bytes, 8) != 8) return TG3Status::readFailed;
    if (std::memcmp(bytes, "tovx", 4) != 0) return TG3Status::malformed;
    version = FileVersion{bytes[4], bytes[5], bytes[6], bytes[7]};
    return isSupportedFileVersion(version) ? TG3Status::ok : TG3Status::malformed;
}

std::int32_t writeFileHeader(KernelStream& stream, const FileVersion& version) {
    const std::uint8_t bytes[8] = {
        't', 'o', 'v', 'x', version.major, version.minor, version.revision, version.letter};
    return stream.write(bytes, 8) == 8 ? TG3Status::ok : TG3Status::writeFailed;
}

}  // namespace Corvane
