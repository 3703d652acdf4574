#pragma once
// Reads a PNG file of the test data as 8-bit grayscale samples.
#include <cstdint>
#include <string>
#include <vector>

namespace synthesis_test {

struct GrayImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> samples;
};

// Fails the calling test (and returns an empty image) when the file cannot be read.
GrayImage readGrayPng(const std::string& path);

}  // namespace synthesis_test
