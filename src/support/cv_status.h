#pragma once
// The integer statuses of the TG3 kernel. Kernel operations return one of these
// rather than throw, so that a failure deep in a packet walk or a plane scan costs
// nothing until someone looks at it; at the kernel's boundary `checkStatus` turns a
// failure into the exception the catalog assigns to it (`throwStatus`).
#include <cstdint>

#include "support/cv_exception.h"

namespace Corvane {

namespace TG3Status {
enum : std::int32_t {
    ok = 0,
    failed = 1,                // a failure without a more precise status
    readFailed = 2001,         // the stream could not give the bytes asked for
    writeFailed = 2002,        // the stream could not take the bytes given
    openFailed = 2003,         // the stream could not be opened
    noPosition = 2004,         // the stream could not tell or reach a position
    invalidField = 2005,       // a field holds a value that the format does not define
    malformed = 2006,          // a packet or record contradicts its own framing
    interrupted = 2007,        // the caller's callbacks asked to stop
    notFound = 2009,           // no such image, packet, plane or order here
    repeatedOrMissing = 2010,  // a packet that must appear once is absent or repeated
    outOfMemory = 2012,        // an allocation failed or would pass the allocation cap
    unknownFailure = 2013,     // a failure of unknown cause
    unsupported = 2014,        // a valid feature that this reader does not decode
    unconstructed = 2015,      // an engine object used before it was set up
};
}  // namespace TG3Status

// Throws the exception of a failed status; does nothing for `TG3Status::ok`.
inline void checkStatus(std::int32_t status) {
    if (status != TG3Status::ok) throwStatus(status);
}

}  // namespace Corvane
