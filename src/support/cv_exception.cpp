#include "support/cv_exception.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "support/cv_messages.h"
#include "support/cv_status.h"

namespace Corvane {
namespace {

constexpr std::size_t kFormatBufferSize = 1000;

std::int32_t code1(int index) {
    return messageCode(1, index);
}

const char* catalog(std::int32_t code) {
    const char* text = getMessageText(code);
    return text ? text : "";
}

// The operation's own text: read, write, open, close and find have one; any other
// value has the empty text.
const char* operationText(std::int32_t operation) {
    switch (operation) {
        case IoRead:
            return catalog(messageCode(4, 1));
        case IoWrite:
            return catalog(messageCode(4, 2));
        case IoOpen:
            return catalog(messageCode(4, 3));
        case IoClose:
            return catalog(messageCode(4, 5));
        case IoFind:
            return catalog(messageCode(4, 6));
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

NullPointerException::NullPointerException() : Exception(code1(0x3)) {}

Interrupt::Interrupt() : Exception(code1(0x5)) {}

OutOfMemoryException::OutOfMemoryException() {
    message_ = const_cast<char*>(getMessageText(code1(0x2)));
}

OutOfMemoryException::OutOfMemoryException(const OutOfMemoryException&) : Exception() {
    message_ = const_cast<char*>(getMessageText(code1(0x2)));
}

OutOfMemoryException& OutOfMemoryException::operator=(const OutOfMemoryException&) {
    return *this;
}

OutOfMemoryException::~OutOfMemoryException() {
    message_ = nullptr;
}

InvalidArgumentException::InvalidArgumentException() : Exception(code1(0x4)) {}

InvalidArgumentException::InvalidArgumentException(const char* detail) {
    setFormatted(code1(0x14c), detail ? detail : "");
}

UnimplementedException::UnimplementedException() : Exception(code1(0xc5)) {}

UnimplementedException::UnimplementedException(const char* name) {
    setFormatted(code1(0xc6), name ? name : "");
}

UnimplementedException::UnimplementedException(const char* fileName, int line) {
    setFormatted(code1(0xc8), fileName ? fileName : "", line);
}

UnsupportedFeatureException::UnsupportedFeatureException() : Exception(code1(0xc9)) {}

UnsupportedFeatureException::UnsupportedFeatureException(const char* name) {
    setFormatted(code1(0xca), name ? name : "");
}

IOException::IOException() : Exception(code1(0xd0)) {}

IOException::IOException(std::int32_t operation) : operation_(operation) {
    setWithDetail(code1(0xd0), operationText(operation));
}

IOException::IOException(const IoPath& file, std::int32_t operation) : operation_(operation) {
    setWithDetail(code1(0xd0), std::string(operationText(operation)) + ' ' + file.text);
}

IOException::IOException(const char* detail, std::int32_t operation) : operation_(operation) {
    std::string text = operationText(operation);
    text += ' ';
    text += detail ? detail : "";
    setMessage(text.c_str());
}

DataFormatException::DataFormatException() : Exception(code1(0xcb)) {}

DataFormatException::DataFormatException(const char* detail) {
    setWithDetail(code1(0xcb), detail ? detail : "");
}

DataFormatException::DataFormatException(std::int32_t messageCode, const char* detail) {
    if (detail)
        setWithDetail(messageCode, detail);
    else
        setMessage(getMessageText(messageCode));
}

UnsupportedVersionException::UnsupportedVersionException()
    : DataFormatException(code1(0xcd), nullptr) {}
UnsupportedVersionException::UnsupportedVersionException(const char* detail)
    : DataFormatException(code1(0xcd), detail ? detail : "") {}

UnsupportedImageFormatException::UnsupportedImageFormatException()
    : DataFormatException(code1(0xce), nullptr) {}
UnsupportedImageFormatException::UnsupportedImageFormatException(const char* detail)
    : DataFormatException(code1(0xce), detail ? detail : "") {}

InvalidImageDataException::InvalidImageDataException()
    : DataFormatException(code1(0xcf), nullptr) {}
InvalidImageDataException::InvalidImageDataException(const char* detail)
    : DataFormatException(code1(0xcf), detail ? detail : "") {}

GeometryException::GeometryException(const char* text) : Exception(text) {}

void throwStatus(std::int32_t status) {
    switch (status) {
        case TG3Status::ok:
        case TG3Status::failed:
        case TG3Status::unsupported:
        case TG3Status::unconstructed:
            throw Exception(code1(0x1));
        case TG3Status::readFailed:
            throw Exception(messageCode(4, 7));
        case TG3Status::writeFailed:
            throw Exception(messageCode(4, 8));
        case TG3Status::openFailed:
            throw Exception(messageCode(4, 9));
        case TG3Status::noPosition:
            throw Exception(code1(0xd0));
        case TG3Status::invalidField:
        case TG3Status::malformed:
            throw Exception(code1(0x19e));
        case TG3Status::interrupted:
            throw Interrupt();
        case TG3Status::notFound:
        case TG3Status::repeatedOrMissing:
            throw Exception(code1(0x4));
        case TG3Status::outOfMemory:
            throw Exception(code1(0x5d));
        default:
            throw Exception(code1(0x15a));
    }
}

}  // namespace Corvane
