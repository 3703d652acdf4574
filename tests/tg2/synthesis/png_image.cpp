#include "png_image.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

namespace synthesis_test {

GrayImage readGrayPng(const std::string& path) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    GrayImage image;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        ADD_FAILURE() << path << ": " << png.message;
        return image;
    }
    png.format = PNG_FORMAT_GRAY;
    image.samples.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.samples.data(), 0, nullptr)) {
        ADD_FAILURE() << path << ": " << png.message;
        image.samples.clear();
        return image;
    }
    image.width = png.width;
    image.height = png.height;
    return image;
}

}  // namespace synthesis_test
