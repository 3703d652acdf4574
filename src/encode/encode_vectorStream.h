#pragma once
// An output stream that appends to a byte vector: for encoders that write to streams
// and hand a file back in memory, without the copies a string stream makes.
#include <cstdint>
#include <ostream>
#include <streambuf>
#include <vector>

namespace Corvane {

class ByteVectorBuffer : public std::streambuf {
  public:
    std::vector<std::uint8_t> bytes;

  protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            bytes.push_back(static_cast<std::uint8_t>(c));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        bytes.insert(bytes.end(), text, text + count);
        return count;
    }
};

namespace detail {
// Holds the buffer so that it is built before the stream that writes into it.
struct ByteVectorBufferHolder {
    ByteVectorBuffer buffer;
};
}  // namespace detail

class ByteVectorOutputStream : private detail::ByteVectorBufferHolder, public std::ostream {
  public:
    ByteVectorOutputStream() : std::ostream(&buffer) {}
    std::vector<std::uint8_t> take() { return std::move(buffer.bytes); }
};

}  // namespace Corvane
