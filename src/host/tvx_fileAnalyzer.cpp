#include "host/tvx_fileAnalyzer.h"

#include <memory>
#include <new>

#include "host/tvx_fileReader.h"
#include "host/tvx_imageOpening.h"
#include "image/cv_imageStage.h"
#include "support/cv_exception.h"
#include "transform/cv_transformerRegistry.h"

namespace Corvane {

const char* const TvxFileAnalyzer::kFormatName = "TVX";
const char* const TvxFileAnalyzer::kDisplayName = "Tovex Reader";
const char* const TvxFileAnalyzer::kCopyright =
    "Tovex Reader module, copyright the Corvane developers";

namespace {

// Lives as long as the module; the host only reads it.
const char* const kExtensionList[2] = {"tvx", nullptr};

}  // namespace

void* TvxFileAnalyzer::destroy(unsigned flags) {
    void* self = this;
    if (flags & 1u)
        delete this;
    else
        this->~TvxFileAnalyzer();
    return self;
}

AmWord TvxFileAnalyzer::checkFile(AmHostFile* file, AmWord) {
    // Opens and closes the file and tells the host nothing either way.
    if (!file) return 0;
    try {
        std::unique_ptr<ImageStage> image = openHostFileImage(*file);
    } catch (const Exception&) {
    }
    return 0;
}

AmFileReader* TvxFileAnalyzer::createReader(AmHostFile* file) {
    TvxFileReader* reader = new (std::nothrow) TvxFileReader(file);
    if (!reader) return nullptr;
    // Every reader registers the transformers afresh; each registration replaces the
    // one under the same key, so repeated opening never piles them up. A reader on
    // another thread that is using a replaced one keeps it until it is done.
    registerAll();
    try {
        if (!file) throw NullPointerException();
        reader->attachImage(openHostFileImage(*file));
    } catch (const Exception&) {
        reader->destroy(1);
        return nullptr;
    }
    return reader;
}

const char* const* TvxFileAnalyzer::extensions() {
    return kExtensionList;
}

AmWord TvxFileAnalyzer::supportsTag(AmWord tag, AmWord) {
    return tag == kClaimedTag || tag == kClaimedTagPlusTen ? 1 : 0;
}

}  // namespace Corvane
