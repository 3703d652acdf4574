#pragma once
// The TG3 kernel hands failures up its call chain as integer statuses; this names
// them, so that no reader or writer spells a bare number.
#include <cstdint>

namespace Corvane {

// Integer statuses of the TG3 kernel; `throwStatus` turns a non-zero one into an exception.
namespace TG3Status {
constexpr std::int32_t ok = 0;
constexpr std::int32_t readFailed = 2001;
constexpr std::int32_t writeFailed = 2002;
constexpr std::int32_t noPosition = 2004;
constexpr std::int32_t malformed = 2006;
constexpr std::int32_t notFound = 2009;
constexpr std::int32_t repeatedOrMissing = 2010;
constexpr std::int32_t outOfMemory = 2012;
constexpr std::int32_t unsupported = 2014;
}  // namespace TG3Status

}  // namespace Corvane
