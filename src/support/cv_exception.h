#pragma once
// The exception tree of the library. Every failure inside the reader is one of
// these, thrown by value and caught by reference; each carries one text, almost
// always a catalog text with its "[4][nnnn]" prefix.
#include <cstdint>
#include <string>

namespace Corvane {

class Exception {
  public:
    Exception() = default;
    explicit Exception(const char* text);
    explicit Exception(const std::string& text);
    explicit Exception(std::int32_t messageCode);
    Exception(const Exception& other);
    Exception& operator=(const Exception& other);
    virtual ~Exception();

    // The stored message, or null when there is none.
    const char* what() const { return message_; }
    // Replaces the message with a copy of text (null clears it).
    void setMessage(const char* text);

  protected:
    // Formats a catalog text with printf-style arguments into 1000 bytes (longer
    // results are cut to fit) and stores the result.
    void setFormatted(std::int32_t messageCode, ...);
    // Stores the catalog text of messageCode, a blank and detail.
    void setWithDetail(std::int32_t messageCode, const std::string& detail);

    char* message_ = nullptr;
};

class NullPointerException : public Exception {
  public:
    NullPointerException();
};

class Interrupt : public Exception {
  public:
    Interrupt();
};

// Built when memory has run out, so it allocates nothing: the message points at
// the static catalog text and is never freed.
class OutOfMemoryException : public Exception {
  public:
    OutOfMemoryException();
    OutOfMemoryException(const OutOfMemoryException&);
    OutOfMemoryException& operator=(const OutOfMemoryException&);
    ~OutOfMemoryException() override;
};

class InvalidArgumentException : public Exception {
  public:
    InvalidArgumentException();
    explicit InvalidArgumentException(const char* detail);
};

class UnimplementedException : public Exception {
  public:
    UnimplementedException();
    explicit UnimplementedException(const char* name);
    UnimplementedException(const char* fileName, int line);
};

class UnsupportedFeatureException : public Exception {
  public:
    UnsupportedFeatureException();
    explicit UnsupportedFeatureException(const char* name);
};

enum IoOperation : std::int32_t {
    IoNone = 0,
    IoRead = 1,
    IoWrite = 2,
    IoOpen = 3,
    IoClose = 4,
    IoFind = 5,
};

// The path of the file an I/O failure concerns, kept apart from a free-text detail.
struct IoPath {
    std::string text;
};

class IOException : public Exception {
  public:
    IOException();
    explicit IOException(std::int32_t operation);
    IOException(const IoPath& file, std::int32_t operation);
    IOException(const char* detail, std::int32_t operation);

    std::int32_t operation() const { return operation_; }

  private:
    std::int32_t operation_ = IoNone;
};

class DataFormatException : public Exception {
  public:
    DataFormatException();
    explicit DataFormatException(const char* detail);

  protected:
    DataFormatException(std::int32_t messageCode, const char* detail);
};

class UnsupportedVersionException : public DataFormatException {
  public:
    UnsupportedVersionException();
    explicit UnsupportedVersionException(const char* detail);
};

class UnsupportedImageFormatException : public DataFormatException {
  public:
    UnsupportedImageFormatException();
    explicit UnsupportedImageFormatException(const char* detail);
};

class InvalidImageDataException : public DataFormatException {
  public:
    InvalidImageDataException();
    explicit InvalidImageDataException(const char* detail);
};

class GeometryException : public Exception {
  public:
    explicit GeometryException(const char* text);
};

// Turns a non-zero status of the TG3 kernel into the exception it stands for.
[[noreturn]] void throwStatus(std::int32_t status);

// The text of an exception for printing: its message, or a fixed word when it has none.
inline const char* describe(const Exception& e) {
    return e.what() ? e.what() : "(no message)";
}

}  // namespace Corvane
