#include "amhost_hostFile.h"

namespace amhost {

void* HostFile::destroy(unsigned flags) {
    void* self = this;
    if (flags & 1u)
        delete this;
    else
        this->~HostFile();
    return self;
}

AmWord HostFile::forwardedCall7(AmWord first, AmWord second) {
    ++slot7_.count;
    slot7_.first = first;
    slot7_.second = second;
    return kSlot7Answer + first;
}

AmWord HostFile::forwardedCall11(AmWord first, AmWord second) {
    ++slot11_.count;
    slot11_.first = first;
    slot11_.second = second;
    return kSlot11Answer + first;
}

}  // namespace amhost
