#pragma once
// The analyzer the host gets from the module: it names the format, lists its
// extension, claims its two host tags, and opens files as readers.
#include "host/am_host_interfaces.h"

namespace Corvane {

class TvxFileAnalyzer final : public AmFileAnalyzer {
  public:
    static const char* const kFormatName;
    static const char* const kDisplayName;
    static const char* const kCopyright;
    // The two tags the host asks the module about; the second is the first plus 10.
    static constexpr AmWord kClaimedTag = 16893;
    static constexpr AmWord kClaimedTagPlusTen = 16903;

    TvxFileAnalyzer() = default;
    ~TvxFileAnalyzer() = default;

    void* destroy(unsigned flags) override;
    AmWord checkFile(AmHostFile* file, AmWord) override;
    AmFileReader* createReader(AmHostFile* file) override;
    AmWord inertSlot3(AmWord) override { return 0; }
    const char* formatName() override { return kFormatName; }
    AmWord inertSlot5() override { return 0; }
    const char* displayName() override { return kDisplayName; }
    const char* const* extensions() override;
    const char* copyright() override { return kCopyright; }
    AmWord supportsTag(AmWord tag, AmWord) override;
    AmWord inertSlot10(AmWord, AmWord) override { return 0; }
    AmWord inertSlot11(AmWord, AmWord) override { return 0; }
    AmWord inertSlot12(AmWord) override { return 0; }
    AmWord inertSlot13(AmWord) override { return 0; }
};

}  // namespace Corvane
