#pragma once
// The binary block form of a classical tag table, and its text dump.
//
// A block is big-endian: version and revision (16 bits each), then records up to
// and including "IMAGE::EOM". Two framings exist: the plain-file form, enclosed by
// FF D1 and FF D2, and the library-stream form, which ends with FFFFFFFF.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "metadata/cv_classicalTag.h"
#include "stream/cv_stream.h"

namespace Corvane {

enum class ClassicalBlockForm { PlainFile, LibraryStream };

// Reads one block from a stream whose byte swapping makes its reads big-endian.
// Answers the number of bytes read, or a negative result code. Tags read before an
// error stay in the table.
std::int32_t readTagTableBlock(ClassicalTagTable* table, CVStream& stream);

// The plain-file form: FF D1, the block as the table stands, FF D2. Answers 0, or
// -1 when a write fails. The table is written as it stands, so it should already
// end with "IMAGE::EOM" (see setEndOfMetadata).
std::int32_t writeTagTableToFile(const ClassicalTagTable* table, std::FILE* file);
std::int32_t writeTagTablePlain(const ClassicalTagTable* table, CVStream& stream);

// The library-stream form: adds "IMAGE::EOM" as the last tag, writes the block and
// FFFFFFFF. Answers the number of bytes written, or -1 when a write fails.
std::int32_t writeTagTableToStream(ClassicalTagTable* table, CVStream& stream);

// The bytes that the writer of the given form would write. The library-stream form
// adds "IMAGE::EOM" to the table as its writer does. Empty for an unusable table.
std::vector<std::uint8_t> tagTableBlockBytes(ClassicalTagTable* table, ClassicalBlockForm form);

// One line per value, to file (standard output when null), flushed after each value.
void dumpTagTable(const ClassicalTagTable* table, std::FILE* file = nullptr);

}  // namespace Corvane
