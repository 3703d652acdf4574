#include "image/cv_imageProperties.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "metadata/cv_metadataDatabase.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

namespace {

constexpr const char* kNoDither = "IMAGE::NO_DITHER";
constexpr const char* kXYOrigin = "IMAGE::XY_ORIGIN";
constexpr const char* kXResolution = "IMAGE::X_RESOLUTION";
constexpr const char* kYResolution = "IMAGE::Y_RESOLUTION";
constexpr const char* kXRotation = "IMAGE::X_ROTATION";
constexpr const char* kYRotation = "IMAGE::Y_ROTATION";
constexpr const char* kDataType = "IMAGE::DATA_TYPE";
constexpr const char* kBitsPerSample = "IMAGE::BITS_PER_SAMPLE";
constexpr const char* kWindow = "IMAGE::DYNAMIC_RANGE_WINDOW";
constexpr const char* kLevel = "IMAGE::DYNAMIC_RANGE_LEVEL";
constexpr const char* kColorScheme = "IMAGE::COLOR_SCHEME";
constexpr const char* kInputLut = "IMAGE::INPUT_LUT";
constexpr const char* kDefaultDataValue = "IMAGE::DEFAULT_DATA_VALUE";
constexpr const char* kNoDataValue = "IMAGE::NO_DATA_VALUE";

[[noreturn]] void badMetadata() {
    throw Exception(getMessageText(kBadMetadataCast));
}

// Every value of an element, row by row, as numbers.
std::vector<double> valuesOf(const MetadataElement& element) {
    std::vector<double> values;
    for (std::size_t r = 0; r < element.rowCount(); ++r) {
        for (const MetadataValue& value : element.row(r)) values.push_back(value.toDouble());
    }
    return values;
}

double firstValue(const MetadataDatabase& metadata, const char* key) {
    const MetadataElement& element = metadata.get(key);
    if (element.rowCount() == 0 || element.row(0).empty()) badMetadata();
    return element.row(0)[0].toDouble();
}

// Truncates toward zero, saturating at the 64-bit range; NaN gives 0.
std::int64_t toInteger(double value) {
    if (std::isnan(value)) return 0;
    if (value <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
    if (value >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(value);
}

// How many halvings bring n to 0: its binary digits. A negative n counts the digits
// of its 32-bit pattern, which keeps a window of 0 from looping forever.
std::uint32_t binaryDigits(std::int64_t n) {
    auto bits = static_cast<std::uint32_t>(n);
    std::uint32_t digits = 0;
    while (bits != 0) {
        bits >>= 1;
        ++digits;
    }
    return digits;
}

std::uint32_t dataTypeFromMetadata(const MetadataDatabase& metadata) {
    if (!metadata.contains(kDataType)) return DataTypeUInt8;
    switch (toInteger(firstValue(metadata, kDataType))) {
        case 0:
            return DataTypeUInt8;
        case 1:
            return DataTypeFloat32;
        case 2:
            return DataTypeUInt16;
        default:
            throw Exception(getMessageText(kIllegalSampleType));
    }
}

ColorSpace colorSpaceFromMetadata(const MetadataDatabase& metadata, std::int32_t bandCount) {
    if (metadata.contains(kColorScheme)) {
        const auto scheme =
            static_cast<std::uint32_t>(toInteger(firstValue(metadata, kColorScheme)));
        return ColorSpace(scheme, bandCount);
    }
    switch (bandCount) {
        case 1:
            return ColorSpace(SchemeGrayscale, bandCount);
        case 3:
            return ColorSpace(SchemeRGB, bandCount);
        case 4:
            return ColorSpace(SchemeCMYK, bandCount);
        default:
            throw Exception(getMessageText(kUnknownColorSpace));
    }
}

bool isStorableType(std::uint32_t dataType) {
    return dataType == DataTypeUInt8 || dataType == DataTypeUInt16 || dataType == DataTypeFloat32;
}

}  // namespace

void ImageProperties::setDynamicRange(double window, double level) {
    dynamicRangeWindow_ = window;
    dynamicRangeLevel_ = level;
}

void ImageProperties::clearDynamicRange() {
    dynamicRangeWindow_.reset();
    dynamicRangeLevel_.reset();
}

PixelValue ImageProperties::backgroundPixel() const {
    PixelValue value(layout_);
    if (!backgroundSamples_.empty()) {
        // Copied through a buffer of the value's own size, so a sample array made for
        // an earlier layout can never be read past its end.
        std::vector<std::uint8_t> bytes(value.sampleByteCount(), 0);
        std::memcpy(bytes.data(), backgroundSamples_.data(),
                    std::min(bytes.size(), backgroundSamples_.size()));
        value.setSamples(bytes.data());
    }
    if (dynamicRangeWindow_ && dynamicRangeLevel_) {
        value.setDynamicRange(static_cast<float>(*dynamicRangeWindow_),
                              static_cast<float>(*dynamicRangeLevel_));
    }
    return value;
}

void ImageProperties::initialiseFromMetadata(const MetadataDatabase& metadata, std::int32_t,
                                             std::int32_t height, std::int32_t bandCount) {
    readDither(metadata);

    if (!readGeo(metadata)) yUL_ = static_cast<double>(height) - 1.0;

    layout_.setDataType(dataTypeFromMetadata(metadata));

    bool bitsGiven = false;
    if (layout_.dataType() != DataTypeFloat32 && metadata.contains(kBitsPerSample)) {
        layout_.setBitsPerSample(
            static_cast<std::uint32_t>(toInteger(firstValue(metadata, kBitsPerSample)) & 0xFFFF));
        bitsGiven = true;
    }

    if (metadata.contains(kWindow) && metadata.contains(kLevel)) {
        setDynamicRange(firstValue(metadata, kWindow), firstValue(metadata, kLevel));
        if (!bitsGiven) layout_.setBitsPerSample(binaryDigits(toInteger(*dynamicRangeWindow_) - 1));
    } else {
        clearDynamicRange();
    }

    layout_.setColorSpace(colorSpaceFromMetadata(metadata, bandCount));

    readInputLookupTable(metadata);
    readBackgroundSamples(metadata, bandCount);
}

void ImageProperties::readDither(const MetadataDatabase& metadata) {
    dither_ = !metadata.contains(kNoDither);
}

bool ImageProperties::readGeo(const MetadataDatabase& metadata) {
    if (!metadata.contains(kXYOrigin) || !metadata.contains(kXResolution) ||
        !metadata.contains(kYResolution)) {
        return false;
    }
    const std::vector<double> origin = valuesOf(metadata.get(kXYOrigin));
    if (origin.size() < 2) badMetadata();
    const double xResolution = firstValue(metadata, kXResolution);
    const double yResolution = firstValue(metadata, kYResolution);
    if (metadata.contains(kXRotation) && metadata.contains(kYRotation)) {
        xRotation_ = firstValue(metadata, kXRotation);
        yRotation_ = firstValue(metadata, kYRotation);
    }
    hasGeoInformation_ = true;
    xUL_ = origin[0];
    yUL_ = origin[1];
    xResolution_ = xResolution;
    yResolution_ = yResolution;
    return true;
}

void ImageProperties::readInputLookupTable(const MetadataDatabase& metadata) {
    if (!metadata.contains(kInputLut)) return;
    const MetadataElement& element = metadata.get(kInputLut);
    const auto entries = static_cast<std::uint32_t>(element.rowCount());
    LookupTable table(PixelLayout(0, layout_.colorSpace(), layout_.dataType()), entries);
    if (isStorableType(layout_.dataType())) {
        for (std::uint32_t entry = 0; entry < entries; ++entry) {
            const MetadataElement::Row& row = element.row(entry);
            for (std::size_t band = 0; band < row.size() && band < table.bandCount(); ++band) {
                table.setValue(entry, band, row[band].toDouble());
            }
        }
    }
    inputLookupTable_ = std::move(table);
}

void ImageProperties::readBackgroundSamples(const MetadataDatabase& metadata,
                                            std::int32_t bandCount) {
    backgroundSamples_.clear();
    const char* key = nullptr;
    if (metadata.contains(kDefaultDataValue)) {
        key = kDefaultDataValue;
    } else if (layout_.dataType() == DataTypeUInt8 && metadata.contains(kNoDataValue)) {
        key = kNoDataValue;
    }
    if (key == nullptr || bandCount < 0 || !isStorableType(layout_.dataType())) return;

    const std::vector<double> values = valuesOf(metadata.get(key));
    if (values.size() < static_cast<std::size_t>(bandCount)) return;

    PixelValue pixel(layout_);
    const std::vector<std::uint32_t>& bandMap = layout_.bandMap();
    for (std::size_t band = 0; band < static_cast<std::size_t>(bandCount); ++band) {
        const std::uint32_t slot = band < bandMap.size() ? bandMap[band] : band;
        pixel.setSample(slot, values[band]);
    }
    if (pixel.hasSamples()) {
        backgroundSamples_.assign(pixel.samples(), pixel.samples() + pixel.sampleByteCount());
    }
}

}  // namespace Corvane
