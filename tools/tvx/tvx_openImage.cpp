#include "tvx_openImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>

#include "pixel/cv_colorSpace.h"
#include "pixel/cv_dataType.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "transform/cv_shownScheme.h"
#include "transform/cv_transformerRegistry.h"

namespace tvx {

namespace {
// The reader has accepted the file by now, so the fifth byte is there.
int generationByteOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char header[5] = {};
    in.read(header, sizeof header);
    return static_cast<signed char>(header[4]);
}

// Why the library could not open a path, asked of the system once more, since the
// library's own text does not say.
std::string reasonForNotOpening(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::strerror(errno);
    if (S_ISDIR(status.st_mode)) return std::strerror(EISDIR);
    if (!S_ISREG(status.st_mode)) return "not a regular file";
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return std::strerror(errno);
    ::close(descriptor);
    return "the file cannot be read";
}

bool isCannotOpenFile(const Corvane::Exception& e) {
    const char* cannotOpen = Corvane::getMessageText(Corvane::kCannotOpenFile);
    return e.what() != nullptr && cannotOpen != nullptr && std::strcmp(e.what(), cannotOpen) == 0;
}

}  // namespace

OpenedImage openTovexImage(const std::string& path) {
    // Decoders convert their samples through the process-wide registry, which is
    // filled once, before any worker thread opens a reader of its own.
    static std::once_flag registered;
    std::call_once(registered, [] { Corvane::registerAll(); });
    OpenedImage image;
    try {
        image.reader =
            std::make_unique<Corvane::TvxFileImageReader>(Corvane::FileSpecification(path), 0);
    } catch (const Corvane::Exception& e) {
        if (!isCannotOpenFile(e)) throw;
        throw Corvane::Exception("Cannot open " + path + ": " + reasonForNotOpening(path) + " (" +
                                 e.what() + ")");
    }
    image.generation = generationByteOf(path);
    return image;
}

Corvane::PixelLayout outputLayoutOf(const OpenedImage& image) {
    using namespace Corvane;
    const PixelLayout& own = image.reader->properties().layout();
    const std::uint32_t scheme = shownScheme(own.colorSpace().scheme());
    if (scheme != SchemeGrayscale && scheme != SchemeRGB && scheme != SchemeCMYK)
        throw Exception(std::string("Cannot write images of the colour scheme ") +
                        ColorSpace::schemeName(scheme));
    // TG2 decodes to floating point, which the image's 8-bit source held; a colour
    // conversion writes 8-bit samples.
    if (!image.reader->isTG3() || scheme != own.colorSpace().scheme())
        return PixelLayout(0, ColorSpace(scheme), DataTypeUInt8);
    if (own.dataType() != DataTypeUInt8 && own.dataType() != DataTypeUInt16)
        throw Exception("Cannot write samples of data type " + std::to_string(own.dataType()));
    return PixelLayout(0, ColorSpace(scheme), own.dataType());
}

}  // namespace tvx
