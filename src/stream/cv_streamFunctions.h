#pragma once
// Typed reads and writes on any stream. Multi-byte values are reversed when the
// stream's byte-swap flag is set, so big-endian file data arrives in host order.
// Each comes in two forms: readValue/writeValue answer true or false, the
// extraction and insertion operators raise IOException.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "stream/cv_stream.h"

namespace Corvane {

template <class T>
concept StreamValue = std::is_arithmetic_v<T> && !std::is_same_v<T, bool> &&
                      (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);

template <StreamValue T>
inline T reverseBytes(T value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    std::reverse(bytes, bytes + sizeof(T));
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

template <StreamValue T>
bool readValue(CVStream& stream, T& value) {
    T read{};
    if (!stream.read(&read, sizeof(T))) return false;
    value = (sizeof(T) > 1 && stream.byteSwap()) ? reverseBytes(read) : read;
    return true;
}

template <StreamValue T>
bool writeValue(CVStream& stream, T value) {
    const T copy = (sizeof(T) > 1 && stream.byteSwap()) ? reverseBytes(value) : value;
    return stream.write(&copy, sizeof(T));
}

[[noreturn]] void throwStreamReadError();
[[noreturn]] void throwStreamWriteError();

template <StreamValue T>
CVStream& operator>>(CVStream& stream, T& value) {
    if (!readValue(stream, value)) throwStreamReadError();
    return stream;
}

// True when the byte is not 0.
CVStream& operator>>(CVStream& stream, bool& value);

template <StreamValue T>
CVStream& operator<<(CVStream& stream, T value) {
    if (!writeValue(stream, value)) throwStreamWriteError();
    return stream;
}

// Reads a value of type T in the raising form and returns it.
template <StreamValue T>
T readRaising(CVStream& stream) {
    T value{};
    stream >> value;
    return value;
}

// Two helpers of the set that were never implemented; they raise.
[[noreturn]] void readLongDouble(CVStream& stream, long double& value);
[[noreturn]] void writeLongDouble(CVStream& stream, long double value);

}  // namespace Corvane
