#pragma once
// Reader slots as the host-side tests use them, on any platform.
#include <stdexcept>

#include "host/am_host_interfaces.h"

namespace host_test {

inline AmWord setWidth(AmFileReader& reader, AmWord width) {
    return reader.setTag(256, &width);
}

inline AmWord tagValue(AmFileReader& reader, AmWord tag) {
    AmWord value = -12345;
    if (reader.getTag(tag, &value) != 1) throw std::runtime_error("tag not answered");
    return value;
}

}  // namespace host_test
