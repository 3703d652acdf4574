#include "encode/tg3/tg3_imageCoder.h"

#include <algorithm>
#include <memory>

#include "encode/tg3/tg3_encodeSettings.h"
#include "encode/tg3/tg3_forwardColour.h"
#include "encode/tg3/tg3_forwardLevel.h"
#include "encode/tg3/tg3_forwardSampleSteps.h"
#include "encode/tg3/tg3_forwardTransform53.h"
#include "support/cv_exception.h"

namespace Corvane {

namespace {

// Applies the forward colour and DC steps to each coded band row on its way to the
// sub-block coder.
class ColouredRows : public BandRowSink {
  public:
    ColouredRows(const TG3ImageInfo& info, BandRowSink& next) : info_(info), next_(next) {
        const std::int32_t status =
            buildColourParameters(info.colorTransform, info.components, info.dynamicRangeMin,
                                  info.dynamicRangeMax, colour_);
        if (status != 0) throwStatus(status);
    }
    void acceptRow(std::uint32_t band, std::uint32_t row, std::int32_t* const* rows) override {
        std::copy(rows, rows + info_.components, colour_.buffers.begin());
        forwardBandCoefficients(colour_, static_cast<std::int32_t>(band), info_.bands[band].width);
        next_.acceptRow(band, row, rows);
    }

  private:
    const TG3ImageInfo& info_;
    BandRowSink& next_;
    ColourParameters colour_;
};

// The finest level of the transform, its coarser levels chained behind it; with no
// levels, rows go straight to the sink as band 0.
class ForwardLevels {
  public:
    ForwardLevels(const TG3ImageInfo& info, BandRowSink& sink) : sink_(sink) {
        std::uint32_t w = info.width, h = info.height;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;
        for (int j = info.levels; j >= 1; --j) {
            sizes.emplace_back(w, h);
            w = (w + 1) / 2;
            h = (h + 1) / 2;
        }
        ForwardLevel* coarser = nullptr;
        for (int j = 1; j <= info.levels; ++j) {
            const auto& [width, height] = sizes[static_cast<std::size_t>(info.levels - j)];
            levels_.push_back(
                std::make_unique<ForwardLevel>(j, width, height, info.components, sink, coarser));
            coarser = levels_.back().get();
        }
    }
    void pushRow(std::uint32_t y, std::int32_t* const* rows) {
        if (levels_.empty())
            sink_.acceptRow(0, y, rows);
        else
            levels_.back()->pushRow(rows);
    }

  private:
    BandRowSink& sink_;
    std::vector<std::unique_ptr<ForwardLevel>> levels_;  // coarsest first
};

// Every row of every coded band of the whole-image transform, band by band.
void codePeriodicImage(RasterSource& source, const TG3ImageInfo& info, BandRowSink& sink) {
    RasterImage image = readWholeRaster(source);
    checkSamples(image, info);
    if (info.colorTransform == colorTransformCMYKToYIQKProcessed) cmykPreProcess(image.components);
    std::vector<BandPlanes> bands;
    for (auto& samples : image.components) {
        bands.push_back(
            forwardTransform53(samples, info.width, info.height, info.levels, EdgeRule::periodic));
        std::vector<std::int32_t>().swap(samples);
    }
    std::vector<std::int32_t*> rows(info.components);
    for (std::uint32_t band = 0; band < info.bands.size(); ++band) {
        if (band % 4 == 1) continue;
        const TG3BandInfo& b = info.bands[band];
        for (std::uint32_t y = 0; y < b.height; ++y) {
            for (std::size_t c = 0; c < rows.size(); ++c)
                rows[c] = bands[c][band].data() + std::size_t{y} * b.width;
            sink.acceptRow(band, y, rows.data());
        }
    }
}

}  // namespace

void codeImage(RasterSource& source, const TG3ImageInfo& info, const PlaneCoding& coding,
               CodedImage& out, EncodeProgress& progress) {
    SubblockRowCoder coder(info, coding, out, progress);
    ColouredRows coloured(info, coder);
    if (info.boundary == boundaryPeriodic) {
        codePeriodicImage(source, info, coloured);
        return;
    }
    ForwardLevels levels(info, coloured);
    RasterImage strip;
    std::vector<std::int32_t*> rows(info.components);
    for (std::uint32_t first = 0; first < info.height; first += kSourceStripRows) {
        const std::uint32_t count = std::min(kSourceStripRows, info.height - first);
        readStrip(source, first, count, strip);
        checkSamples(strip, info);
        if (info.colorTransform == colorTransformCMYKToYIQKProcessed)
            cmykPreProcess(strip.components);
        for (std::uint32_t y = 0; y < count; ++y) {
            for (std::size_t c = 0; c < rows.size(); ++c)
                rows[c] = strip.components[c].data() + std::size_t{y} * info.width;
            levels.pushRow(first + y, rows.data());
        }
    }
}

}  // namespace Corvane
