#pragma once
// The reader module as a loaded library, found and bound the way the host does it:
// dlopen and dlsym on POSIX systems, LoadLibraryA and GetProcAddress on Windows.
#include <string>

namespace amhost {

class LoadedModule {
  public:
    explicit LoadedModule(const std::string& path);
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule();

    bool isLoaded() const { return handle_ != nullptr; }
    // Why loading failed, in the system's words.
    const std::string& error() const { return error_; }
    // The address of an exported function, or null.
    void* symbol(const char* name) const;

  private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace amhost
