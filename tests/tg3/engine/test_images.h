#pragma once
// Loads the sample images of tests/data as planes of integer samples.
#include <cstdint>
#include <string>
#include <vector>

struct TestImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::vector<std::int32_t>> components;  // one row-major plane each
};

// An 8-bit PNG as grey (1 plane) or RGB (3 planes); empty on failure.
TestImage loadPng(const std::string& name, bool rgb);
// A binary PGM with 16-bit samples; empty on failure.
TestImage loadPgm16(const std::string& name);
// The rectangle at (x, y) of size w x h.
TestImage cropImage(const TestImage& image, std::uint32_t x, std::uint32_t y, std::uint32_t w,
                    std::uint32_t h);
