#pragma once
// Owns a classical tag table and reads or writes it as a block on a library stream.
#include <cstdint>
#include <vector>

#include "metadata/cv_classicalTag.h"
#include "stream/cv_stream.h"

namespace Corvane {

class TG3ClassicalMetadata {
  public:
    TG3ClassicalMetadata();
    TG3ClassicalMetadata(const TG3ClassicalMetadata& other);
    TG3ClassicalMetadata& operator=(const TG3ClassicalMetadata& other);
    ~TG3ClassicalMetadata();

    void print() const;
    ClassicalTagTable& table() { return table_; }
    const ClassicalTagTable& table() const { return table_; }

    // Bytes read, or a negative result code.
    std::int32_t read(CVStream& stream);
    // Bytes written (the library-stream form), -4 or -1.
    std::int32_t write(CVStream& stream);
    // The bytes write would produce.
    std::vector<std::uint8_t> blockBytes();

  private:
    void initialize();
    ClassicalTagTable table_;
};

}  // namespace Corvane
