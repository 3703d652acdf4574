#pragma once
// A small image stage and a pattern decoder for the image-model tests. The decoder
// follows the strip and progress rules every real decoder follows, and writes into
// each pixel of the image a value made from its level coordinates, so a test can
// tell written pixels from background and check that each landed where it should.
#include <cstdint>
#include <memory>
#include <vector>

#include "image/cv_imageDecoder.h"
#include "image/cv_imageStage.h"
#include "image/cv_pixelBuffer.h"
#include "metadata/cv_metadataDatabase.h"
#include "support/cv_exception.h"

namespace image_test {

using namespace Corvane;

// The default layout with four samples per pixel, as the host's colour tiles have.
inline PixelLayout rgba() {
    PixelLayout layout;
    layout.setSamplesPerPixel(4);
    return layout;
}

// The pattern value of band b at level pixel (x, y); never 0 for small images.
inline std::uint8_t patternValue(std::int32_t x, std::int32_t y, std::uint32_t band) {
    return static_cast<std::uint8_t>(1 +
                                     (x * 7 + y * 13 + static_cast<std::int32_t>(band) * 50) % 200);
}

// What the stage's decoders were asked to do.
struct DecoderLog {
    int created = 0, begun = 0, ended = 0;
    std::vector<std::int32_t> levels;
    std::vector<Scene> scenes;
};

class TestStage : public ImageStage {
  public:
    TestStage(std::int32_t width, std::int32_t height, std::int32_t bands, std::int32_t levels)
        : width_(width), height_(height), bands_(bands), levels_(levels) {}

    std::int32_t width() const override { return width_; }
    std::int32_t height() const override { return height_; }
    std::int32_t bandCount() const override { return bands_; }
    std::int32_t levelCount() const override { return levels_; }
    FormatVersion version() const override { return version_; }
    const MetadataDatabase& metadata() const override { return metadata_; }
    std::unique_ptr<ImageDecoder> createDecoder() override;

    MetadataDatabase metadata_;
    FormatVersion version_{2, 1, 0};
    DecoderLog log;
    bool acceptsLevels = true;
    bool acceptsMagnifiedLevels = false;
    // Thrown from decode when set, to test failure paths.
    bool failInDecode = false;

  private:
    std::int32_t width_, height_, bands_, levels_;
};

class PatternDecoder : public ImageDecoder {
  public:
    explicit PatternDecoder(TestStage& stage) : stage_(stage) {
        acceptsLevels_ = stage.acceptsLevels;
        acceptsMagnifiedLevels_ = stage.acceptsMagnifiedLevels;
        ++stage_.log.created;
    }

    void begin() override {
        ++stage_.log.begun;
        stage_.log.levels.push_back(level());
        stage_.log.scenes.push_back(scene());
    }

    void decode(PixelBuffer& buffer) override {
        if (stage_.failInDecode) throw InvalidImageDataException("pattern");
        adoptStageRange(buffer, stage_);
        startProgress();
        const Scene clipped = clippedScene(stage_);
        const std::size_t sampleBytes = buffer.layout().bytesPerSample();
        while (buffer.hasStrip()) {
            const Scene strip = buffer.currentStrip();
            // The strip in level coordinates, cut to the part on the image.
            const Scene onImage = Scene(scene().x0 + strip.x0, scene().y0 + strip.y0, 0,
                                        scene().x0 + strip.x1, scene().y0 + strip.y1, 0)
                                      .intersection(clipped);
            if (!onImage.isEmpty()) reportProgress();
            const auto& bandMap = buffer.layout().bandMap();
            for (std::int32_t y = onImage.y0; y <= onImage.y1; ++y)
                for (std::int32_t x = onImage.x0; x <= onImage.x1; ++x) {
                    std::uint8_t* p = buffer.pixel(x - scene().x0, y - scene().y0);
                    for (std::uint32_t b = 0; b < bandMap.size(); ++b)
                        p[bandMap[b] * sampleBytes] = patternValue(x, y, b);
                }
            advanceProgress(buffer, strip);
            buffer.nextStrip();
        }
    }

    void end() override {
        ++stage_.log.ended;
        reportFinished();
    }

    using ImageDecoder::checkInterrupt;

  private:
    TestStage& stage_;
};

inline std::unique_ptr<ImageDecoder> TestStage::createDecoder() {
    return std::make_unique<PatternDecoder>(*this);
}

}  // namespace image_test
