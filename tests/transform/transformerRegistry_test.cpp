#include <gtest/gtest.h>

#include <memory>

#include "support/cv_exception.h"
#include "transform/cv_pixelDescription.h"
#include "transform/cv_transformerKinds.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;

namespace {

PixelDescription described(std::int32_t scheme, std::int32_t bands, std::uint32_t type = 0) {
    return PixelDescription::interleaved(scheme, bands, type);
}

// A transformer that reports when it is destroyed.
class ProbeTransformer : public Transformer {
  public:
    ProbeTransformer(std::int32_t source, std::int32_t destination, bool* destroyed)
        : source_(source), destination_(destination), destroyed_(destroyed) {}
    ~ProbeTransformer() override { *destroyed_ = true; }
    std::int32_t destinationScheme() const override { return destination_; }
    std::int32_t sourceScheme() const override { return source_; }
    std::unique_ptr<PixelConverter> makeConverter(const PixelDescription&,
                                                  const PixelDescription&) override {
        return nullptr;
    }

  private:
    std::int32_t source_;
    std::int32_t destination_;
    bool* destroyed_;
};

const PixelDescription kRgb = described(SchemeRGB, 3);
const PixelDescription kGray = described(SchemeGrayscale, 1);
const PixelDescription kCmyk = described(SchemeCMYK, 4);
const PixelDescription kYiq = described(SchemeYIQ, 3);
const PixelDescription kYiqk = described(SchemeYIQK, 4);

}  // namespace

TEST(TransformerRegistry, KeysNameSourceThenDestination) {
    EXPECT_EQ(transformerKey(SchemeCMYK, SchemeRGB), "2.to.0");
    EXPECT_EQ(transformerKey(-1, -1), "-1.to.-1");
}

TEST(TransformerRegistry, EmptyRegistryServesOnlyThroughADefault) {
    clearTransformerRegistry();
    EXPECT_EQ(findConverter(kRgb, kRgb), nullptr);
    EXPECT_EQ(findConverter(kGray, kRgb), nullptr);
    registerAll();
    clearTransformerRegistry();
    EXPECT_EQ(findConverter(kRgb, kRgb), nullptr);

    bool destroyed = false;
    setDefaultTransformer(std::make_unique<KindTransformer<DefaultKind>>());
    EXPECT_NE(findConverter(kRgb, kRgb), nullptr);
    EXPECT_NE(findConverter(kGray, kYiq), nullptr);
    EXPECT_EQ(findConverter(kGray, kRgb), nullptr);  // a colour change needs its own
    setDefaultTransformer(std::make_unique<ProbeTransformer>(-1, -1, &destroyed));
    setDefaultTransformer(nullptr);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(findConverter(kRgb, kRgb), nullptr);
}

TEST(TransformerRegistry, RegisterAllFillsTenKeysAndTheDefault) {
    clearTransformerRegistry();
    registerAll();
    const char* keys[] = {"2.to.0",  "2.to.4",  "0.to.2",  "0.to.3",  "10.to.0",
                          "0.to.10", "2.to.11", "11.to.2", "11.to.0", "3.to.0"};
    for (const char* key : keys) {
        const std::shared_ptr<Transformer> t = registeredTransformer(key);
        ASSERT_NE(t, nullptr) << key;
        EXPECT_EQ(transformerKey(t->sourceScheme(), t->destinationScheme()), key);
    }
    EXPECT_EQ(registeredTransformer("0.to.0"), nullptr);
    EXPECT_EQ(registeredTransformer("10.to.3"), nullptr);

    EXPECT_NE(findConverter(kGray, kRgb), nullptr);
    EXPECT_NE(findConverter(kRgb, kRgb), nullptr);    // default
    EXPECT_NE(findConverter(kGray, kYiq), nullptr);   // default
    EXPECT_NE(findConverter(kGray, kYiqk), nullptr);  // default
    EXPECT_EQ(findConverter(kGray, kCmyk), nullptr);
    EXPECT_EQ(findConverter(kCmyk, kGray), nullptr);

    // Converters exist for 8-bit, 16-bit and float sources into 8-bit only.
    EXPECT_NE(findConverter(kGray, described(SchemeRGB, 3, 1)), nullptr);
    EXPECT_NE(findConverter(kGray, described(SchemeRGB, 3, 10)), nullptr);
    EXPECT_EQ(findConverter(kGray, described(SchemeRGB, 3, 2)), nullptr);
    EXPECT_EQ(findConverter(kGray, described(SchemeRGB, 3, 11)), nullptr);
    EXPECT_EQ(findConverter(described(SchemeGrayscale, 1, 1), kRgb), nullptr);
    EXPECT_EQ(findConverter(described(SchemeRGB, 3, 10), kRgb), nullptr);
}

TEST(TransformerRegistry, ReplacedTransformersLiveOnlyAsLongAsSomeoneHoldsThem) {
    clearTransformerRegistry();
    bool first = false, second = false;
    registerTransformer(std::make_unique<ProbeTransformer>(SchemeRGB, SchemeGrayscale, &first));
    std::shared_ptr<Transformer> held = registeredTransformer("0.to.3");
    ASSERT_NE(held, nullptr);
    registerTransformer(std::make_unique<ProbeTransformer>(SchemeRGB, SchemeGrayscale, &second));
    // A reader that is still making a converter from the old one keeps it usable.
    EXPECT_FALSE(first);
    EXPECT_NE(registeredTransformer("0.to.3"), held);
    EXPECT_EQ(held->sourceScheme(), SchemeRGB);
    held.reset();
    EXPECT_TRUE(first);
    // Every registerAll replaces what is there, so nothing accumulates.
    registerAll();
    EXPECT_TRUE(second);
    clearTransformerRegistry();
}

TEST(TransformerRegistry, RequestedConversionsWithoutTransformerNameTheSchemes) {
    clearTransformerRegistry();
    registerAll();
    EXPECT_NE(requireConverter(kGray, kRgb), nullptr);
    try {
        requireConverter(kGray, kCmyk);
        ADD_FAILURE() << "CMYK to Grayscale has no transformer";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "[4][2211]Cannot find transformer for CMYK to Grayscale.");
    }
    try {
        requireConverter(described(SchemeRGB, 3, 1), kRgb);
        ADD_FAILURE() << "no converter writes 16-bit samples";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "[4][2211]Cannot find transformer for RGB to RGB.");
    }
}
