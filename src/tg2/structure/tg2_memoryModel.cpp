#include "tg2/structure/tg2_memoryModel.h"

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

TG2MemoryModel memoryModelFor(int number) {
    if (number < 0 || number > 7) throw Exception(kInvalidMemoryModel);
    TG2MemoryModel model;
    model.blockGrid = number != 2 && number != 3;
    model.keepOpen = (number & 1) != 0;
    model.cacheBlocks = number >= 6;
    return model;
}

}  // namespace Corvane
