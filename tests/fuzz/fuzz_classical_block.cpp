// A classical metadata block read from a library stream, imported into a metadata
// database and dumped, as the TG2 and TG3 metadata readers use it. A block that reads
// must also write back.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fuzz_support.h"
#include "metadata/cv_TG3ClassicalMetadata.h"
#include "metadata/cv_byteVectorStream.h"
#include "metadata/cv_classicalBlock.h"
#include "metadata/cv_classicalImport.h"
#include "metadata/cv_metadataDatabase.h"

using namespace Corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    CVByteVectorStream stream(std::vector<std::uint8_t>(data, data + size));
    TG3ClassicalMetadata metadata;
    if (metadata.read(stream) < 0) return 0;
    tovex_fuzz::refusedOrDone([&] {
        MetadataDatabase database;
        importTagTable(metadata.table(), database);
    });
    dumpTagTable(&metadata.table(), sink);
    CVByteVectorStream out;
    metadata.write(out);
    return 0;
}
