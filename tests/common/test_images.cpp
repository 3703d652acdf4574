#include "common/test_images.h"

#include <png.h>

#include <fstream>
#include <iterator>
#include <vector>

static std::string pathOf(const std::string& name) {
    return std::string(TOVEX_TEST_DATA_DIR) + "/" + name;
}

TestImage loadPng(const std::string& name, bool rgb) {
    TestImage result;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, pathOf(name).c_str())) return result;
    image.format = rgb ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return result;
    const std::size_t channels = rgb ? 3 : 1;
    result.width = image.width;
    result.height = image.height;
    result.bitsPerSample = 8;
    result.components.assign(channels, std::vector<std::int32_t>(pixels.size() / channels));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        result.components[i % channels][i / channels] = pixels[i];
    return result;
}

TestImage loadPnm(const std::string& name) {
    TestImage result;
    std::ifstream in(pathOf(name), std::ios::binary);
    std::string magic;
    std::uint32_t w = 0, h = 0, maxValue = 0;
    std::size_t channels = 0;
    in >> magic;
    if (magic == "P7") {
        // Keyword lines up to ENDHDR; the tuple type follows from the depth.
        for (std::string key; in >> key && key != "ENDHDR";) {
            if (key == "WIDTH") in >> w;
            if (key == "HEIGHT") in >> h;
            if (key == "DEPTH") in >> channels;
            if (key == "MAXVAL") in >> maxValue;
            if (key == "TUPLTYPE") in >> key;
        }
    } else {
        in >> w >> h >> maxValue;
        channels = magic == "P5" ? 1 : magic == "P6" ? 3 : 0;
    }
    in.get();
    if (!in || channels == 0 || maxValue == 0 || maxValue > 65535) return result;
    const std::size_t bytesPerSample = maxValue > 255 ? 2 : 1;
    std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
    const std::size_t samples = std::size_t{w} * h * channels;
    if (bytes.size() != samples * bytesPerSample) return result;
    result.width = w;
    result.height = h;
    result.bitsPerSample = bytesPerSample == 2 ? 16 : 8;
    result.components.assign(channels, std::vector<std::int32_t>(std::size_t{w} * h));
    for (std::size_t i = 0; i < samples; ++i)
        result.components[i % channels][i / channels] =
            bytesPerSample == 2 ? (bytes[2 * i] << 8) | bytes[2 * i + 1] : bytes[i];
    return result;
}
