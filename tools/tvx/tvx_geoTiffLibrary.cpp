#include "tvx_geoTiffLibrary.h"

#include <dlfcn.h>

#include <string>

#include "support/cv_exception.h"

namespace tvx {

namespace {

// The run-time name first; the development link as a fallback.
constexpr const char* kLibraryNames[] = {"libgeotiff.so.5", "libgeotiff.so"};

template <typename Function>
void bind(void* handle, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (function == nullptr)
        throw Corvane::Exception(std::string("libgeotiff lacks ") + name + ": " + dlerror());
}

GeoTiffLibrary load() {
    void* handle = nullptr;
    for (const char* name : kLibraryNames) {
        handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) break;
    }
    if (handle == nullptr)
        throw Corvane::Exception(std::string("Cannot load libgeotiff: ") + dlerror());
    // The handle stays open for the life of the process.
    GeoTiffLibrary library{};
    bind(handle, "XTIFFOpen", library.open);
    bind(handle, "XTIFFClose", library.close);
    bind(handle, "GTIFNew", library.create);
    bind(handle, "GTIFFree", library.free);
    bind(handle, "GTIFKeyGet", library.keyGet);
    bind(handle, "GTIFKeySet", library.keySet);
    bind(handle, "GTIFWriteKeys", library.writeKeys);
    return library;
}

}  // namespace

const GeoTiffLibrary& geoTiff() {
    static const GeoTiffLibrary library = load();
    return library;
}

}  // namespace tvx
