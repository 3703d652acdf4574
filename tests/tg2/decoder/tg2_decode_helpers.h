#pragma once
// Shared pieces of the TG2 decoder tests: images encoded by our own encoder into a
// temporary file and opened as a TG2 image stage, and scenes decoded from the stage
// through the navigator into 8-bit pixels.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "encode/tg2/tg2_fileEncoder.h"
#include "image/cv_scene.h"
#include "stream/cv_stream.h"
#include "tg2/decoder/tg2_imageStage.h"

namespace tg2_test {

// A TG2 file written by the encoder, with its stream and stage open.
class EncodedImage {
  public:
    EncodedImage(const Corvane::RasterImage& image, const Corvane::TG2EncodeOptions& options);

    Corvane::TG2ImageStage& stage() { return *stage_; }
    const std::string& path() const { return path_; }
    std::uint64_t fileSize() const { return fileSize_; }

  private:
    tovex_test::TempDir dir_;
    std::string path_;
    std::uint64_t fileSize_ = 0;
    std::unique_ptr<Corvane::CVStream> stream_;
    std::unique_ptr<Corvane::TG2ImageStage> stage_;
};

// 8-bit pixels of a decoded scene, interleaved, row by row.
struct Pixels {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t samplesPerPixel = 0;
    std::vector<std::uint8_t> samples;

    std::uint8_t at(std::int32_t x, std::int32_t y, std::uint32_t sample = 0) const {
        return samples[(static_cast<std::size_t>(y) * width + x) * samplesPerPixel + sample];
    }
};

// Decodes `scene` at `level` through a navigator into a buffer of 8-bit samples in
// the image's own colour scheme (grey or RGB), strip by strip. A strip height below
// 1 decodes the whole scene in one strip.
Pixels decodeScene(Corvane::ImageStage& stage, std::int32_t level, const Corvane::Scene& scene,
                   std::int32_t stripHeight = 128);

// The whole image at a level.
Pixels decodeLevel(Corvane::ImageStage& stage, std::int32_t level, std::int32_t stripHeight = 0);

// The rectangle at (x, y) of size w x h of a decoded image.
Pixels cut(const Pixels& pixels, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);

// Peak signal-to-noise ratio of 8-bit samples against the source image, in dB.
double psnr(const Pixels& decoded, const Corvane::RasterImage& source);
// The largest absolute difference between decoded and source samples.
int largestError(const Pixels& decoded, const Corvane::RasterImage& source);

}  // namespace tg2_test
