#include "tg3/engine/tg3_planeRecord.h"

namespace Corvane {

bool PlaneList::append(int plane, const PlaneRecord& record) {
    if (plane != last_ + 1 || plane >= kCapacity) return false;
    last_ = static_cast<std::int8_t>(plane);
    PlaneRecord& slot = records_[static_cast<std::size_t>(plane)];
    if (record.present())
        slot = record;
    else
        slot.clear();
    return true;
}

int PlaneList::first() const {
    for (int p = 0; p <= last_; ++p)
        if (records_[static_cast<std::size_t>(p)].present()) return p;
    return -1;
}

const PlaneRecord* PlaneList::lookup(int plane) const {
    if (plane < 0 || plane > last_) return nullptr;
    return &records_[static_cast<std::size_t>(plane)];
}

int PlaneList::firstPlane() const {
    const int f = first();
    return f < 0 ? 31 : f;
}

int PlaneList::lastPlane() const {
    return first() < 0 ? 0 : last_;
}

bool PlaneList::plane(int p, PlaneBytes& out) const {
    const PlaneRecord* record = lookup(p);
    if (record == nullptr || !record->present()) return false;
    out.data = record->data;
    out.length = record->length;
    out.raw = record->raw();
    return true;
}

}  // namespace Corvane
