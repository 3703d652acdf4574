#include "tg3/engine/test_images.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::string pathOf(const std::string& name) {
    return std::string(TOVEX_TEST_DATA_DIR) + "/" + name;
}

}  // namespace

TestImage loadPng(const std::string& name, bool rgb) {
    TestImage result;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, pathOf(name).c_str())) return result;
    image.format = rgb ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return result;
    const std::size_t channels = rgb ? 3 : 1;
    result.width = image.width;
    result.height = image.height;
    result.components.assign(channels, std::vector<std::int32_t>(pixels.size() / channels));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        result.components[i % channels][i / channels] = pixels[i];
    return result;
}

TestImage loadPgm16(const std::string& name) {
    TestImage result;
    std::ifstream in(pathOf(name), std::ios::binary);
    std::string magic;
    std::uint32_t w = 0, h = 0, maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    in.get();
    if (!in || magic != "P5" || maxValue != 65535) return result;
    std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() != std::size_t{w} * h * 2) return result;
    result.width = w;
    result.height = h;
    result.components.assign(1, std::vector<std::int32_t>(std::size_t{w} * h));
    for (std::size_t i = 0; i < result.components[0].size(); ++i)
        result.components[0][i] = (bytes[2 * i] << 8) | bytes[2 * i + 1];
    return result;
}

TestImage cropImage(const TestImage& image, std::uint32_t x, std::uint32_t y, std::uint32_t w,
                    std::uint32_t h) {
    TestImage result;
    result.width = w;
    result.height = h;
    for (const auto& plane : image.components) {
        std::vector<std::int32_t> cropped;
        for (std::uint32_t row = y; row < y + h; ++row)
            for (std::uint32_t column = x; column < x + w; ++column)
                cropped.push_back(plane[std::size_t{row} * image.width + column]);
        result.components.push_back(std::move(cropped));
    }
    return result;
}
