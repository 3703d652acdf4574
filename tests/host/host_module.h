#pragma once
// The built reader module, loaded once per test process exactly as the host loads
// it, and small helpers that the host-side tests share.
#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/am_host_interfaces.h"
#include "host/host_slots.h"

namespace host_test {

struct LoadedModule {
    LoadedModule() : handle(dlopen(TVX_READER_MODULE, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle) throw std::runtime_error(std::string("dlopen: ") + dlerror());
        identify = reinterpret_cast<AmModuleIdentifyFunction>(dlsym(handle, "moduleIdentify"));
        newAnalyzer =
            reinterpret_cast<AmNewFileAnalyzerFunction>(dlsym(handle, "newAmFileAnalyzer"));
    }
    ~LoadedModule() { dlclose(handle); }
    void* handle;
    AmModuleIdentifyFunction identify = nullptr;
    AmNewFileAnalyzerFunction newAnalyzer = nullptr;
};

inline LoadedModule& module() {
    static LoadedModule loaded;
    return loaded;
}

// An analyzer or reader of the module, given back through its slot 0 at the end of
// scope; a reader may be null.
struct Destroy {
    template <class T>
    void operator()(T* object) const {
        object->destroy(1);
    }
};
using ScopedReader = std::unique_ptr<AmFileReader, Destroy>;
struct ScopedAnalyzer : std::unique_ptr<AmFileAnalyzer, Destroy> {
    ScopedAnalyzer() : unique_ptr(module().newAnalyzer()) {
        if (!get()) throw std::runtime_error("no analyzer");
    }
};

// Open file descriptors of this process.
inline int openDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// A reader of the host file at the width asked for (-1: full resolution), or null.
template <class HostFile>
ScopedReader openReader(AmFileAnalyzer& analyzer, HostFile& file, AmWord width = -1) {
    ScopedReader reader(analyzer.createReader(&file));
    if (reader && (reader->selectImage(0) != 1 || setWidth(*reader, width) != 1)) reader.reset();
    return reader;
}

// One tile's bytes as the reader writes them over a filled buffer; empty when refused.
inline std::vector<std::uint8_t> readTile(AmFileReader& reader, AmWord number) {
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(tagValue(reader, 277)) << 14, 0x5a);
    if (reader.readTile(number, tile.data()) != 1) tile.clear();
    return tile;
}

}  // namespace host_test
