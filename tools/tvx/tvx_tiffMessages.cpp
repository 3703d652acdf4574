#include "tvx_tiffMessages.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>

namespace tvx {

namespace {

thread_local std::string lastError;

void onTiffError(const char* module, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    lastError = module != nullptr ? std::string(module) + ": " + text : std::string(text);
}

void onTiffWarning(const char*, const char*, va_list) {}

}  // namespace

void captureTiffMessages() {
    static const bool installed = [] {
        TIFFSetErrorHandler(onTiffError);
        TIFFSetWarningHandler(onTiffWarning);
        return true;
    }();
    (void)installed;
}

std::string takeTiffError() {
    std::string text = lastError.empty() ? "unknown error" : lastError;
    lastError.clear();
    return text;
}

}  // namespace tvx
