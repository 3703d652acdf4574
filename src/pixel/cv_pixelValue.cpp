#include "pixel/cv_pixelValue.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace Corvane {

namespace {

template <class T>
T loadAs(const std::uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template <class T>
void storeAs(std::uint8_t* p, T value) {
    std::memcpy(p, &value, sizeof value);
}

// Clamping before the cast keeps out-of-range values (and NaN, which becomes the
// lower bound) from being undefined behaviour.
template <class T>
T clampToInteger(double value) {
    const double low = static_cast<double>(std::numeric_limits<T>::min());
    const double high = static_cast<double>(std::numeric_limits<T>::max());
    if (!(value >= low)) return std::numeric_limits<T>::min();
    if (value >= high) return std::numeric_limits<T>::max();
    return static_cast<T>(std::trunc(value));
}

}  // namespace

double readSample(const std::uint8_t* p, std::uint32_t dataType) {
    switch (dataType) {
        case DataTypeUInt8:
            return *p;
        case DataTypeUInt16:
            return loadAs<std::uint16_t>(p);
        case DataTypeInt32:
            return loadAs<std::int32_t>(p);
        case DataTypeFloat32:
            return loadAs<float>(p);
        case DataTypeFloat64:
            return loadAs<double>(p);
        default:
            return 0.0;
    }
}

void writeSample(std::uint8_t* p, std::uint32_t dataType, double value) {
    switch (dataType) {
        case DataTypeUInt8:
            *p = clampToInteger<std::uint8_t>(value);
            break;
        case DataTypeUInt16:
            storeAs(p, clampToInteger<std::uint16_t>(value));
            break;
        case DataTypeInt32:
            storeAs(p, clampToInteger<std::int32_t>(value));
            break;
        case DataTypeFloat32: {
            const double big = std::numeric_limits<float>::max();
            storeAs(p, static_cast<float>(value > big ? big : value < -big ? -big : value));
            break;
        }
        case DataTypeFloat64:
            storeAs(p, value);
            break;
        default:
            break;
    }
}

void PixelValue::setLayout(const PixelLayout& layout) {
    layout_ = layout;
    if (!samples_.empty()) samples_.resize(sampleByteCount());
}

std::size_t PixelValue::sampleByteCount() const {
    return static_cast<std::size_t>(layout_.bytesPerSample()) * layout_.samplesPerPixel();
}

void PixelValue::setSamples(const std::uint8_t* bytes) {
    if (bytes == nullptr) {
        samples_.clear();
        return;
    }
    samples_.assign(bytes, bytes + sampleByteCount());
}

double PixelValue::sample(std::size_t index) const {
    const std::size_t size = layout_.bytesPerSample();
    if (size == 0 || (index + 1) * size > samples_.size()) return 0.0;
    return readSample(samples_.data() + index * size, layout_.dataType());
}

void PixelValue::setSample(std::size_t index, double value) {
    const std::size_t size = layout_.bytesPerSample();
    if (samples_.empty()) samples_.assign(sampleByteCount(), 0);
    if (size == 0 || (index + 1) * size > samples_.size()) return;
    writeSample(samples_.data() + index * size, layout_.dataType(), value);
}

}  // namespace Corvane
