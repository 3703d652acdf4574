// The module's only two visible functions. Everything else in the module is hidden
// (compiled with hidden visibility and listed as local in the linker script; on
// Windows the .def file names these two alone), so the host and other modules can
// never bind to the library inside.
#include <new>

#include "host/am_host_interfaces.h"
#include "host/tvx_fileAnalyzer.h"

#ifdef _WIN32
#define TVX_EXPORT
#else
#define TVX_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

TVX_EXPORT const char* moduleIdentify(AmWord role) {
    switch (role) {
        case 0:
            return "AM Image File Service";
        case 1:
            return "AM Image File Reader";
        default:
            return nullptr;
    }
}

TVX_EXPORT AmFileAnalyzer* newAmFileAnalyzer() {
    return new (std::nothrow) Corvane::TvxFileAnalyzer();
}
}
