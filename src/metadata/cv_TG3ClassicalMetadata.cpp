#include "metadata/cv_TG3ClassicalMetadata.h"

#include <string>

#include "metadata/cv_classicalBlock.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

namespace {

[[noreturn]] void throwInitFailure() {
    throw Exception(std::string("TG3ClassicalMetadata:  ") +
                    getMessageText(kMetadataInitialisation));
}

}  // namespace

void TG3ClassicalMetadata::initialize() {
    initializeTagTable(&table_);
    if (!isTagTableInitialized(&table_)) throwInitFailure();
}

TG3ClassicalMetadata::TG3ClassicalMetadata() {
    initialize();
}

TG3ClassicalMetadata::TG3ClassicalMetadata(const TG3ClassicalMetadata& other) {
    initialize();
    if (!isTagTableInitialized(&other.table_)) {
        clearTagTable(&table_);
        throw Exception("TG3ClassicalMetadata:  Error copying metadata.");
    }
    copyTags(&table_, &other.table_);
}

TG3ClassicalMetadata& TG3ClassicalMetadata::operator=(const TG3ClassicalMetadata& other) {
    if (this == &other) return *this;
    clearTagTable(&table_);
    initialize();
    if (!isTagTableInitialized(&other.table_)) throw Exception(getMessageText(kMetadataCopy));
    copyTags(&table_, &other.table_);
    return *this;
}

TG3ClassicalMetadata::~TG3ClassicalMetadata() {
    clearTagTable(&table_);
}

void TG3ClassicalMetadata::print() const {
    dumpTagTable(&table_, nullptr);
}

std::int32_t TG3ClassicalMetadata::read(CVStream& stream) {
    if (!isTagTableInitialized(&table_)) throwInitFailure();
    stream.setByteSwap(true);
    return readTagTableBlock(&table_, stream);
}

std::int32_t TG3ClassicalMetadata::write(CVStream& stream) {
    stream.setByteSwap(true);
    return writeTagTableToStream(&table_, stream);
}

std::vector<std::uint8_t> TG3ClassicalMetadata::blockBytes() {
    return tagTableBlockBytes(&table_, ClassicalBlockForm::LibraryStream);
}

}  // namespace Corvane
