#include "support/cv_exception.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "support/cv_status.h"

namespace Corvane {
namespace {

constexpr std::size_t kFormatBufferSize = 1000;

const char* catalog(std::int32_t code) {
    const char* text = getMessageText(code);
    return text ? text : "";
}

// The operation's own text: read, write, open, close and find have one; any other
// value has the empty text.
const char* operationText(std::int32_t operation) {
    switch (operation) {
        case IoRead:
            return catalog(kFileReadFailed);
        case IoWrite:
            return catalog(kFileWriteFailed);
        case IoOpen:
            return catalog(kFileOpenFailed);
        case IoClose:
            return catalog(kFileCloseFailed);
        case IoFind:
            return catalog(kFileFindFailed);
        default:
            return "";
    }
}

}  // namespace

Exception::Exception(const char* text) {
    setMessage(text);
}

Exception::Exception(const std::string& text) {
    setMessage(text.c_str());
}

Exception::Exception(std::int32_t messageCode) {
    setMessage(getMessageText(messageCode));
}

Exception::Exception(const Exception& other) {
    setMessage(other.message_);
}

Exception& Exception::operator=(const Exception& other) {
    if (this != &other) setMessage(other.message_);
    return *this;
}

Exception::~Exception() {
    delete[] message_;
}

void Exception::setMessage(const char* text) {
    char* copy = nullptr;
    if (text) {
        const std::size_t length = std::strlen(text) + 1;
        copy = new char[length];
        std::memcpy(copy, text, length);
    }
    delete[] message_;
    message_ = copy;
}

void Exception::setFormatted(std::int32_t messageCode, ...) {
    char buffer[kFormatBufferSize];
    std::va_list args;
    va_start(args, messageCode);
    std::vsnprintf(buffer, sizeof buffer, catalog(messageCode), args);
    va_end(args);
    setMessage(buffer);
}

void Exception::setWithDetail(std::int32_t messageCode, const std::string& detail) {
    std::string text = catalog(messageCode);
    text += ' ';
    text += detail;
    setMessage(text.c_str());
}

NullPointerException::NullPointerException() : Exception(kNullPointer) {}

Interrupt::Interrupt() : Exception(kProgramInterrupt) {}

OutOfMemoryException::OutOfMemoryException() {
    message_ = const_cast<char*>(getMessageText(kOutOfMemory));
}

OutOfMemoryException::OutOfMemoryException(const OutOfMemoryException&) : Exception() {
    message_ = const_cast<char*>(getMessageText(kOutOfMemory));
}

OutOfMemoryException& OutOfMemoryException::operator=(const OutOfMemoryException&) {
    return *this;
}

OutOfMemoryException::~OutOfMemoryException() {
    message_ = nullptr;
}

InvalidArgumentException::InvalidArgumentException() : Exception(kInvalidArgument) {}

InvalidArgumentException::InvalidArgumentException(const char* detail) {
    setFormatted(kInvalidArgumentDetail, detail ? detail : "");
}

UnimplementedException::UnimplementedException() : Exception(kUnimplemented) {}

UnimplementedException::UnimplementedException(const char* name) {
    setFormatted(kUnimplementedNamed, name ? name : "");
}

UnimplementedException::UnimplementedException(const char* fileName, int line) {
    setFormatted(kUnimplementedAt, fileName ? fileName : "", line);
}

UnsupportedFeatureException::UnsupportedFeatureException() : Exception(kUnsupportedFeature) {}

UnsupportedFeatureException::UnsupportedFeatureException(const char* name) {
    setFormatted(kUnsupportedFeatureNamed, name ? name : "");
}

IOException::IOException() : Exception(kIoProblem) {}

IOException::IOException(std::int32_t operation) : operation_(operation) {
    setWithDetail(kIoProblem, operationText(operation));
}

IOException::IOException(const IoPath& file, std::int32_t operation) : operation_(operation) {
    setWithDetail(kIoProblem, std::string(operationText(operation)) + ' ' + file.text);
}

IOException::IOException(const char* detail, std::int32_t operation) : operation_(operation) {
    std::string text = operationText(operation);
    text += ' ';
    text += detail ? detail : "";
    setMessage(text.c_str());
}

DataFormatException::DataFormatException() : Exception(kInvalidDataFormat) {}

DataFormatException::DataFormatException(const char* detail) {
    setWithDetail(kInvalidDataFormat, detail ? detail : "");
}

DataFormatException::DataFormatException(std::int32_t messageCode, const char* detail) {
    if (detail)
        setWithDetail(messageCode, detail);
    else
        setMessage(getMessageText(messageCode));
}

UnsupportedVersionException::UnsupportedVersionException()
    : DataFormatException(kUnsupportedVersion, nullptr) {}
UnsupportedVersionException::UnsupportedVersionException(const char* detail)
    : DataFormatException(kUnsupportedVersion, detail ? detail : "") {}

UnsupportedImageFormatException::UnsupportedImageFormatException()
    : DataFormatException(kUnsupportedImageFormat, nullptr) {}
UnsupportedImageFormatException::UnsupportedImageFormatException(const char* detail)
    : DataFormatException(kUnsupportedImageFormat, detail ? detail : "") {}

InvalidImageDataException::InvalidImageDataException()
    : DataFormatException(kInvalidImageData, nullptr) {}
InvalidImageDataException::InvalidImageDataException(const char* detail)
    : DataFormatException(kInvalidImageData, detail ? detail : "") {}

GeometryException::GeometryException(const char* text) : Exception(text) {}

void throwStatus(std::int32_t status) {
    switch (status) {
        case TG3Status::ok:
        case TG3Status::failed:
        case TG3Status::unsupported:
        case TG3Status::unconstructed:
            throw Exception(kFailure);
        case TG3Status::readFailed:
            throw Exception(kStreamReadFailed);
        case TG3Status::writeFailed:
            throw Exception(kStreamWriteFailed);
        case TG3Status::openFailed:
            throw Exception(kStreamOpenFailed);
        case TG3Status::noPosition:
            throw Exception(kIoProblem);
        case TG3Status::invalidField:
        case TG3Status::malformed:
            throw Exception(kTovexStreamParse);
        case TG3Status::interrupted:
            throw Interrupt();
        case TG3Status::notFound:
        case TG3Status::repeatedOrMissing:
            throw Exception(kInvalidArgument);
        case TG3Status::outOfMemory:
            throw Exception(kMemoryAllocation);
        default:
            throw Exception(kUnknownException);
    }
}

}  // namespace Corvane
