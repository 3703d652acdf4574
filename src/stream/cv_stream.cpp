#include "stream/cv_stream.h"

#include "support/cv_exception.h"

namespace Corvane {

bool CVStream::seek(std::int32_t, int) {
    if (canSeek()) throw UnimplementedException();
    return false;
}

bool CVStream::tell(std::uint32_t*) {
    if (canSeek()) throw UnimplementedException("cv_stream", 168);
    return false;
}

bool CVStream::seek64(std::uint32_t, std::int32_t, int) {
    throw UnimplementedException("cv_stream", 188);
}

bool CVStream::tell64(std::int64_t*) {
    throw UnimplementedException("cv_stream", 200);
}

std::unique_ptr<CVStream> CVStream::duplicate(const char*, int) {
    return nullptr;
}

bool CVStream::reopen(const char*, int) {
    return false;
}

std::int64_t CVStream::position() {
    if (canSeek64()) {
        std::int64_t value = 0;
        return tell64(&value) ? value : -1;
    }
    std::uint32_t value = 0;
    return tell(&value) ? static_cast<std::int64_t>(value) : -1;
}

}  // namespace Corvane
