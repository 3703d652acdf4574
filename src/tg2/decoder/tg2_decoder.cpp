#include "tg2/decoder/tg2_decoder.h"

#include <algorithm>

#include "image/cv_pixelBuffer.h"
#include "metadata/cv_metadataDatabase.h"
#include "support/cv_allocationLimit.h"
#include "support/cv_exception.h"
#include "tg2/decoder/tg2_floatImport.h"
#include "tg2/decoder/tg2_imageStage.h"
#include "tg2/synthesis/tg2_merge2.h"

namespace Corvane {

namespace {

constexpr const char* kBitsPerSample = "IMAGE::BITS_PER_SAMPLE";
constexpr std::uint32_t kDefaultBitsPerSample = 8;
// Where within a strip's share the progress stands after filling and after synthesis.
constexpr float kFilledShare = 0.4f;
constexpr float kSynthesisedShare = 0.7f;

PixelLayout outputLayoutOf(const TG2ImageStage& stage) {
    const ColorSpace colorSpace(stage.properties().layout().colorSpace().scheme(),
                                stage.bandCount());
    PixelLayout layout(0, colorSpace, DataTypeFloat32);
    std::uint32_t bits = kDefaultBitsPerSample;
    const MetadataDatabase& metadata = stage.metadata();
    if (metadata.contains(kBitsPerSample)) {
        const MetadataElement& element = metadata.get(kBitsPerSample);
        if (element.rowCount() > 0 && !element.row(0).empty()) {
            const double value = element.row(0)[0].toDouble();
            if (value > 1.0 && value < 65536.0) bits = static_cast<std::uint32_t>(value);
        }
    }
    layout.setBitsPerSample(bits);
    return layout;
}

Region supportOf(const Scene& scene) {
    return Region{scene.x0, scene.y0, scene.x1, scene.y1};
}

// The strip of the buffer that follows `strip`, with the buffer's strip height.
Scene followingStrip(const PixelBuffer& buffer, const Scene& strip) {
    const Scene& all = buffer.scene();
    const std::int64_t rows =
        buffer.stripHeight() < 1 ? std::max<std::int64_t>(all.height(), 1) : buffer.stripHeight();
    const std::int64_t top = std::int64_t{strip.y0} + rows;
    const std::int64_t bottom = std::min(top + rows - 1, std::int64_t{all.y1});
    if (top > all.y1) return Scene(all.x0, 0, 0, all.x1, -1, 0);
    return Scene(all.x0, static_cast<std::int32_t>(top), 0, all.x1,
                 static_cast<std::int32_t>(bottom), 0);
}

}  // namespace

TG2Decoder::TG2Decoder(TG2ImageStage& stage)
    : stage_(stage), filler_(stage.structure(), cache_), outputLayout_(outputLayoutOf(stage)) {
    acceptsLevels_ = true;
    acceptsMagnifiedLevels_ = true;
    decoderFlag_ = true;
    filler_.setInterruptCheck([this] { checkInterrupt(); });
}

TG2Decoder::~TG2Decoder() = default;

void TG2Decoder::begin() {
    activeCallbacks();
    filler_.setDither(stage_.properties().dither());
}

void TG2Decoder::end() {
    current_.reset();
    reportFinished();
}

void TG2Decoder::report(float value) const {
    activeCallbacks().progress(value);
}

void TG2Decoder::decode(PixelBuffer& buffer) {
    adoptStageRange(buffer, stage_);
    startProgress();
    const Scene clipped = clippedScene(stage_);
    const float sceneRows = static_cast<float>(buffer.scene().height());
    // A strip of the buffer in the level's coordinates, cut to the part on the image.
    const auto onImage = [&](const Scene& strip) {
        if (strip.isEmpty()) return Scene(0, 0, 0, -1, -1, 0);
        return Scene(scene().x0 + strip.x0, scene().y0 + strip.y0, 0, scene().x0 + strip.x1,
                     scene().y0 + strip.y1, 0)
            .intersection(clipped);
    };
    try {
        while (buffer.hasStrip()) {
            const Scene strip = buffer.currentStrip();
            const Scene area = onImage(strip);
            if (!area.isEmpty()) {
                reportProgress();
                const float span = static_cast<float>(strip.height()) / sceneRows;
                const Scene bufferArea(area.x0 - scene().x0, area.y0 - scene().y0, 0,
                                       area.x1 - scene().x0, area.y1 - scene().y0, 0);
                const Scene following = onImage(followingStrip(buffer, strip));
                decodeStrip(supportOf(area), following.isEmpty() ? Region{} : supportOf(following),
                            buffer, bufferArea, progressValue(), span);
            }
            advanceProgress(buffer, strip);
            buffer.nextStrip();
        }
    } catch (...) {
        // Trees of a failed strip say nothing about the next request.
        current_.reset();
        next_.reset();
        overlap_.reset();
        throw;
    }
}

std::unique_ptr<Subband> TG2Decoder::buildTree(const Region& support) const {
    const TG2StreamStructure& structure = stage_.structure();
    auto tree = std::make_unique<Subband>(structure.width(), structure.height(),
                                          structure.bandCount(), structure.levelCount(), level(),
                                          support, acceptsMagnifiedLevels_);
    // The planes are made one by one as the strip is filled and synthesised; their
    // sizes follow from the claimed image size and band count, so the strip's whole
    // tree is held to the cap before the first of them is allocated.
    requireAllocation(tree->sampleCount(), sizeof(float));
    return tree;
}

void TG2Decoder::fillOutsideOverlap(Subband& tree) {
    const std::vector<Subband*> leaves = tree.leaves();
    const TG2OverlapTree& overlap = *overlap_;
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        const Region covered = i < overlap.size() ? overlap[i].area : Region{};
        for (const Region& part : supportDifference(leaves[i]->support(), covered))
            filler_.fill(*leaves[i], part, level());
        // Leaves that need nothing new still get their (zeroed) arrays.
        for (std::uint32_t b = 0; b < leaves[i]->bandCount(); ++b) leaves[i]->band(b);
    }
    copyOverlap(overlap, tree);
}

void TG2Decoder::decodeStrip(const Region& support, const Region& following, PixelBuffer& buffer,
                             const Scene& bufferArea, float base, float span) {
    const bool waiting = next_ && next_->support() == support && next_->level() == level();
    if (waiting) {
        current_ = std::move(next_);
        if (overlap_)
            fillOutsideOverlap(*current_);
        else
            filler_.fillAll(*current_, level());
    } else {
        next_.reset();
        current_ = buildTree(support);
        filler_.fillAll(*current_, level());
    }
    overlap_.reset();
    report(base + kFilledShare * span);

    next_ = following.empty() ? nullptr : buildTree(following);
    if (next_) overlap_ = intersectTrees(*current_, *next_);

    synthesise(*current_);
    report(base + kSynthesisedShare * span);

    std::vector<const float*> planes;
    for (std::uint32_t b = 0; b < current_->bandCount(); ++b)
        planes.push_back(current_->band(b).band(0));
    importFloatPlanes(buffer, bufferArea, outputLayout_, planes,
                      static_cast<std::size_t>(support.width()));
    current_.reset();
}

}  // namespace Corvane
