#pragma once
// The built reader module, loaded once per test process exactly as the host loads
// it, and small helpers that the host-side tests share.
#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "host/am_host_interfaces.h"

namespace host_test {

class LoadedModule {
  public:
    LoadedModule() {
        handle_ = dlopen(TVX_READER_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (!handle_) throw std::runtime_error(std::string("dlopen: ") + dlerror());
        identify_ = reinterpret_cast<AmModuleIdentifyFunction>(dlsym(handle_, "moduleIdentify"));
        newAnalyzer_ =
            reinterpret_cast<AmNewFileAnalyzerFunction>(dlsym(handle_, "newAmFileAnalyzer"));
    }
    ~LoadedModule() { dlclose(handle_); }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    AmModuleIdentifyFunction identify() const { return identify_; }
    AmNewFileAnalyzerFunction newAnalyzer() const { return newAnalyzer_; }

  private:
    void* handle_ = nullptr;
    AmModuleIdentifyFunction identify_ = nullptr;
    AmNewFileAnalyzerFunction newAnalyzer_ = nullptr;
};

inline LoadedModule& module() {
    static LoadedModule loaded;
    return loaded;
}

// An analyzer from the module, given back through its slot 0 at the end of scope.
class ScopedAnalyzer {
  public:
    ScopedAnalyzer() : analyzer_(module().newAnalyzer()()) {
        if (!analyzer_) throw std::runtime_error("no analyzer");
    }
    ~ScopedAnalyzer() { analyzer_->destroy(1); }
    ScopedAnalyzer(const ScopedAnalyzer&) = delete;
    ScopedAnalyzer& operator=(const ScopedAnalyzer&) = delete;
    AmFileAnalyzer* operator->() const { return analyzer_; }
    AmFileAnalyzer& operator*() const { return *analyzer_; }

  private:
    AmFileAnalyzer* analyzer_;
};

// A reader given back through its slot 0 at the end of scope; may be null.
class ScopedReader {
  public:
    explicit ScopedReader(AmFileReader* reader) : reader_(reader) {}
    ~ScopedReader() {
        if (reader_) reader_->destroy(1);
    }
    ScopedReader(const ScopedReader&) = delete;
    ScopedReader& operator=(const ScopedReader&) = delete;
    AmFileReader* get() const { return reader_; }
    AmFileReader* operator->() const { return reader_; }

  private:
    AmFileReader* reader_;
};

// Open file descriptors of this process.
inline int openDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

inline AmWord setWidth(AmFileReader& reader, AmWord width) {
    return reader.setTag(256, &width);
}

inline AmWord tagValue(AmFileReader& reader, AmWord tag) {
    AmWord value = -12345;
    if (reader.getTag(tag, &value) != 1) throw std::runtime_error("tag not answered");
    return value;
}

}  // namespace host_test
