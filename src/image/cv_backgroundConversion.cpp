#include "image/cv_backgroundConversion.h"

#include "support/cv_exception.h"
#include "support/cv_messages.h"

namespace Corvane {

PixelValue convertPixelValue(const PixelValue& value, const PixelLayout& target) {
    if (value.layout() == target && value.layout().dataType() == target.dataType()) return value;
    throw Exception(getMessageText(messageCode(1, 0x18a)));
}

}  // namespace Corvane
