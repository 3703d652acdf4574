#include "stream/cv_streamFunctions.h"

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

void throwStreamReadError() {
    throw IOException(getMessageText(kStreamReadFailed), IoRead);
}

void throwStreamWriteError() {
    throw IOException(getMessageText(kStreamWriteFailed), IoWrite);
}

CVStream& operator>>(CVStream& stream, bool& value) {
    std::uint8_t byte = 0;
    if (!readValue(stream, byte)) throwStreamReadError();
    value = byte != 0;
    return stream;
}

void readLongDouble(CVStream&, long double&) {
    throw UnimplementedException("cv_streamFunctions", 126);
}

void writeLongDouble(CVStream&, long double) {
    throw UnimplementedException("cv_streamFunctions", 234);
}

}  // namespace Corvane
