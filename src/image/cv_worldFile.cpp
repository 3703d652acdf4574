#include "image/cv_worldFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Corvane {

namespace {

// Lines longer than this are read in pieces, each piece counting as a line.
constexpr int kLineCapacity = 80;
constexpr int kLineCount = 6;

void store(ImageProperties& properties, int line, double value) {
    switch (line) {
        case 0:
            properties.setXResolution(value);
            break;
        case 1:
            properties.setXRotation(value);
            break;
        case 2:
            properties.setYRotation(value);
            break;
        case 3:
            // Northing decreases downwards, so files often give a negative Y step;
            // the property holds its size.
            properties.setYResolution(std::fabs(value));
            break;
        case 4:
            properties.setXUL(value);
            break;
        default:
            properties.setYUL(value);
            break;
    }
}

}  // namespace

FileSpecification worldFilePath(const FileSpecification& imagePath) {
    return imagePath.withExtension("TXW");
}

void readWorldFile(ImageProperties& properties, const FileSpecification& imagePath) {
    std::FILE* file = std::fopen(worldFilePath(imagePath).path().c_str(), "r");
    if (file == nullptr) return;
    char line[kLineCapacity];
    int linesRead = 0;
    while (linesRead < kLineCount && std::fgets(line, kLineCapacity, file) != nullptr) {
        store(properties, linesRead, std::strtod(line, nullptr));
        ++linesRead;
    }
    if (linesRead == kLineCount) properties.setHasGeoInformation(true);
    std::fclose(file);
}

}  // namespace Corvane
