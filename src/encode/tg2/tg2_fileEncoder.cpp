#include "encode/tg2/tg2_fileEncoder.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "encode/encode_progress.h"
#include "encode/tg2/colour/tg2_rgbToYiq.h"
#include "encode/tg2/entropy/tg2_quantiser.h"
#include "encode/tg2/structure/tg2_streamWriter.h"
#include "encode/tg2/synthesis/tg2_forward97.h"
#include "encode/tg2/synthesis/tg2_synthesisGains.h"
#include "metadata/cv_classicalStandardTags.h"
#include "pixel/cv_colorSpace.h"
#include "support/cv_exception.h"
#include "tg2/entropy/tg2_ditherTable.h"

namespace Corvane {

namespace {

// Each subband starts the dither table at its own place, so that neighbouring
// subbands do not carry the same noise pattern.
constexpr std::uint32_t kDitherColumnStride = 37;
constexpr std::uint32_t kDitherRowStride = 59;

void checkImage(const RasterImage& image, const TG2EncodeOptions& options) {
    if (image.bitsPerSample != 8) throw InvalidArgumentException("TG2 images have 8-bit samples");
    const std::uint32_t bands = image.bandCount();
    if (bands != 1 && bands != 3 && bands != 4)
        throw InvalidArgumentException("TG2 images have 1, 3 or 4 bands");
    if (image.width == 0 || image.height == 0) throw InvalidArgumentException("empty image");
    const std::size_t samples = std::size_t{image.width} * image.height;
    for (const auto& plane : image.components)
        if (plane.size() != samples) throw InvalidArgumentException("band of the wrong size");
    if (!(options.step > 0.0f) || !std::isfinite(options.step))
        throw InvalidArgumentException("step");
    if (options.blockWidth == 0 || options.blockHeight == 0 || options.subBlockWidth == 0 ||
        options.subBlockHeight == 0)
        throw InvalidArgumentException("block and sub-block sizes must be positive");
    if (options.colorScheme == SchemeYIQ && bands != 3)
        throw InvalidArgumentException("YIQ files are made from RGB images");
    if (!options.bandWeights.empty() && options.bandWeights.size() != bands)
        throw InvalidArgumentException("one band weight per band");
    for (double weight : options.bandWeights)
        if (!(weight > 0.0) || !std::isfinite(weight))
            throw InvalidArgumentException("band weight");
}

bool storesYiq(const TG2EncodeOptions& options) {
    return options.colorScheme == SchemeYIQ;
}

std::vector<double> bandWeightsOf(const RasterImage& image, const TG2EncodeOptions& options) {
    if (!options.bandWeights.empty()) return options.bandWeights;
    if (!storesYiq(options)) return std::vector<double>(image.bandCount(), 1.0);
    const std::array<double, 3> yiq = yiqBandWeights();
    return {yiq.begin(), yiq.end()};
}

// The implied scheme of a band count, as the reader assumes it without metadata.
std::uint32_t impliedScheme(std::uint32_t bands) {
    switch (bands) {
        case 1:
            return SchemeGrayscale;
        case 3:
            return SchemeRGB;
        default:
            return SchemeCMYK;
    }
}

void describeImage(const RasterImage& image, const TG2EncodeOptions& options,
                   ClassicalTagTable& table) {
    setStartOfMetadata(&table);
    setImageWidth(&table, image.width);
    setImageHeight(&table, image.height);
    setBitsPerSample(&table, static_cast<std::uint16_t>(image.bitsPerSample));
    if (options.colorScheme && *options.colorScheme != impliedScheme(image.bandCount()))
        setColorScheme(&table, *options.colorScheme);
    if (!options.dither) setNoDither(&table, 1);
    if (options.georeference) {
        const TG2Georeference& geo = *options.georeference;
        setXYOrigin(&table, geo.xOrigin, geo.yOrigin);
        setXResolution(&table, geo.xResolution);
        setYResolution(&table, geo.yResolution);
        if (options.projectedCSType) setProjectedCSType(&table, *options.projectedCSType);
    }
    setEndOfMetadata(&table);
}

DitherSource ditherOf(std::uint32_t subband) {
    const std::uint32_t ditherColumn = (subband * kDitherColumnStride) % kTG2DitherSize;
    const std::uint32_t ditherRow = (subband * kDitherRowStride) % kTG2DitherSize;
    return [ditherColumn, ditherRow](std::uint32_t column, std::uint32_t row) {
        return kTG2DitherTable[(ditherRow + row) % kTG2DitherSize]
                              [(ditherColumn + column) % kTG2DitherSize];
    };
}

// The decoder truncates the samples it rebuilds to integers; coding every sample
// half a grey value up centres that truncation on the sample's own value.
constexpr float kTruncationCentre = 0.5f;

// One band as the file codes it, centred for the decoder's truncation. Of Y, I and Q
// only Y takes the centre, which it adds to each of R, G and B.
std::vector<float> codedSamples(const RasterImage& image, std::uint32_t band, bool yiq) {
    std::vector<float> samples;
    if (yiq)
        samples = yiqBand(image, band);
    else
        samples.assign(image.components[band].begin(), image.components[band].end());
    if (!yiq || band == 0)
        for (float& sample : samples) sample += kTruncationCentre;
    return samples;
}

// The weighted subband planes of every band of the image.
using AnalysedImage = std::vector<std::vector<CoefficientPlane>>;

AnalysedImage analyseImage(const RasterImage& image, bool yiq, std::uint32_t levels,
                           const std::vector<double>& weights, EncodeProgress& progress) {
    AnalysedImage analysed;
    for (std::uint32_t band = 0; band < image.bandCount(); ++band) {
        progress.report(static_cast<double>(band) / image.bandCount());
        CoefficientPlane plane;
        plane.width = image.width;
        plane.height = image.height;
        plane.samples = codedSamples(image, band, yiq);
        analysed.push_back(analyse97(plane, levels));
        applySubbandWeights(analysed.back(), weights);
    }
    return analysed;
}

// The step of every subband for a coarsest step of `step`: steps shrink with the
// square root of the subband's gain, so that every subband adds the same squared
// error to the image for each index it codes.
std::vector<float> subbandSteps(float step, const std::vector<double>& gains) {
    const double least = *std::min_element(gains.begin(), gains.end());
    std::vector<float> steps;
    for (double gain : gains) steps.push_back(static_cast<float>(step * std::sqrt(least / gain)));
    return steps;
}

// Everything about the stream except its indices and steps.
TG2StreamInput streamLayout(const RasterImage& image, std::uint32_t levels,
                            const TG2EncodeOptions& options) {
    TG2StreamInput input;
    input.bandCount = image.bandCount();
    input.levelCount = levels;
    input.width = image.width;
    input.height = image.height;
    input.subbands.resize(3 * std::size_t{levels} + 1);
    for (std::uint32_t i = 0; i < input.subbands.size(); ++i) {
        TG2SubbandInput& subband = input.subbands[i];
        const TG2PlaneSize size = tg2SubbandPlaneSize(image.width, image.height, levels, i);
        subband.width = size.width;
        subband.height = size.height;
        subband.blockWidth = options.blockWidth;
        subband.blockHeight = options.blockHeight;
        subband.subBlockWidth = options.subBlockWidth;
        subband.subBlockHeight = options.subBlockHeight;
        subband.ditherColumn =
            static_cast<std::uint8_t>((i * kDitherColumnStride) % kTG2DitherSize);
        subband.ditherRow = static_cast<std::uint8_t>((i * kDitherRowStride) % kTG2DitherSize);
    }
    return input;
}

// Steps searched for a target size, and the halvings of their logarithm's interval.
// The search keeps indices a little below the largest the stream can carry, which
// leaves room for the dither and the rounding bias.
constexpr double kSmallestStep = 0.01;
constexpr double kLargestIndexAimed = kLargestQuantisationIndex - 8.0;
constexpr float kLargestStep = 4096.0f;
constexpr int kSearchRounds = 18;

// One candidate file and the squared error it leaves, summed over the image.
struct CodedFile {
    std::vector<std::uint8_t> bytes;
    double squaredError = 0.0;
};

// Quantises and codes the analysed image with one choice of coarsest step and dither.
class TG2Coder {
  public:
    TG2Coder(const RasterImage& image, const TG2EncodeOptions& options, EncodeProgress& progress)
        : image_(image),
          options_(options),
          levels_(options.levels.value_or(defaultTG2Levels(image.width, image.height))),
          gains_(weightedSubbandGains(image.width, image.height, levels_)),
          bandWeights_(bandWeightsOf(image, options)),
          analysed_(analyseImage(image, storesYiq(options), levels_,
                                 subbandWeights(image.width, image.height, levels_), progress)) {}

    // The smallest coarsest step whose indices the stream can still carry.
    float smallestStep() const {
        double smallest = kSmallestStep;
        for (std::size_t band = 0; band < analysed_.size(); ++band) {
            const auto& planes = analysed_[band];
            const std::vector<float> ratios = bandSteps(1.0f, band);
            for (std::size_t i = 0; i < planes.size(); ++i) {
                float largest = 0.0f;
                for (float value : planes[i].samples) largest = std::max(largest, std::fabs(value));
                smallest = std::max(smallest, largest / (kLargestIndexAimed * ratios[i]));
            }
        }
        return static_cast<float>(smallest);
    }

    // The squared error measured is that of the image readers show: each band's
    // error counts with the band's weight.
    CodedFile code(float step, bool dither) const {
        TG2StreamInput input = streamLayout(image_, levels_, options_);
        CodedFile file;
        for (std::size_t band = 0; band < analysed_.size(); ++band) {
            const auto& planes = analysed_[band];
            const std::vector<float> steps = bandSteps(step, band);
            for (std::size_t i = 0; i < planes.size(); ++i) {
                const DitherSource source =
                    dither ? ditherOf(static_cast<std::uint32_t>(i)) : DitherSource{};
                std::vector<std::int32_t> indices = quantisePlane(planes[i], steps[i], source);
                file.squaredError += bandWeights_[band] * gains_[i] *
                                     quantisationError(planes[i], indices, steps[i], source);
                input.subbands[i].bands.push_back(std::move(indices));
                input.subbands[i].steps.push_back(steps[i]);
            }
        }
        TG2EncodeOptions described = options_;
        described.dither = dither;
        ClassicalTagTable table;
        initializeTagTable(&table);
        describeImage(image_, described, table);
        input.metadata = &table;
        try {
            file.bytes = writeTG2Stream(input);
        } catch (...) {
            clearTagTable(&table);
            throw;
        }
        clearTagTable(&table);
        return file;
    }

  private:
    // The subband steps of one band: finer where the band's errors weigh more.
    std::vector<float> bandSteps(float step, std::size_t band) const {
        return subbandSteps(static_cast<float>(step / std::sqrt(bandWeights_[band])), gains_);
    }

    const RasterImage& image_;
    const TG2EncodeOptions& options_;
    std::uint32_t levels_;
    std::vector<double> gains_;
    std::vector<double> bandWeights_;
    AnalysedImage analysed_;
};

// The largest file within the target for one dither choice: a larger step never
// gives a larger file, so the step is found by halving its logarithm's interval.
CodedFile largestWithin(const TG2Coder& coder, std::uint64_t target, bool dither,
                        EncodeProgress& progress) {
    CodedFile best = coder.code(kLargestStep, dither);
    if (best.bytes.size() > target) {
        const std::string why = "a target of " + std::to_string(target) + " bytes, below the " +
                                std::to_string(best.bytes.size()) +
                                " bytes of the file at the coarsest step";
        throw InvalidArgumentException(why.c_str());
    }
    double small = coder.smallestStep(), large = kLargestStep;
    for (int round = 0; round < kSearchRounds; ++round) {
        progress.report(static_cast<double>(round) / kSearchRounds);
        const double middle = std::sqrt(small * large);
        CodedFile candidate = coder.code(static_cast<float>(middle), dither);
        if (candidate.bytes.size() <= target) {
            large = middle;
            best = std::move(candidate);
        } else {
            small = middle;
        }
    }
    return best;
}

}  // namespace

std::uint32_t defaultTG2Levels(std::uint32_t width, std::uint32_t height) {
    std::uint32_t side = std::min(width, height);
    std::uint32_t levels = 0;
    while (levels < kLargestDefaultLevels && (side + 1) / 2 >= kSmallestCoarsestSide) {
        side = (side + 1) / 2;
        ++levels;
    }
    return levels;
}

std::vector<std::uint8_t> encodeTG2(const RasterImage& image, const TG2EncodeOptions& options) {
    checkImage(image, options);
    EncodeProgress progress(options.callbacks);
    // The analysis is about as much work as coding once; a search codes many times.
    progress.beginStage(0.0, options.targetBytes ? 0.1 : 0.5);
    const TG2Coder coder(image, options, progress);
    if (!options.targetBytes) {
        progress.beginStage(0.5, 0.5);
        std::vector<std::uint8_t> bytes = coder.code(options.step, options.dither).bytes;
        progress.report(1.0);
        return bytes;
    }
    // Dither spends bits on noise that the decoder takes out again; whether it pays
    // depends on the image and the rate, so both are tried.
    progress.beginStage(0.1, 0.45);
    CodedFile plain = largestWithin(coder, *options.targetBytes, false, progress);
    progress.beginStage(0.55, 0.45);
    CodedFile dithered = largestWithin(coder, *options.targetBytes, true, progress);
    progress.report(1.0);
    return dithered.squaredError < plain.squaredError ? std::move(dithered.bytes)
                                                      : std::move(plain.bytes);
}

void encodeTG2File(const RasterImage& image, const TG2EncodeOptions& options,
                   const std::string& path) {
    const std::vector<std::uint8_t> bytes = encodeTG2(image, options);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw IOException(path.c_str(), IoOpen);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw IOException(path.c_str(), IoWrite);
}

}  // namespace Corvane
