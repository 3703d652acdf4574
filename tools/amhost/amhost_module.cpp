#include "amhost_module.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace amhost {

#ifdef _WIN32

LoadedModule::LoadedModule(const std::string& path) {
    handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (!handle_)
        error_ = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
}

LoadedModule::~LoadedModule() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

void* LoadedModule::symbol(const char* name) const {
    if (!handle_) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

#else

LoadedModule::LoadedModule(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) error_ = dlerror();
}

LoadedModule::~LoadedModule() {
    if (handle_) dlclose(handle_);
}

void* LoadedModule::symbol(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

#endif

}  // namespace amhost
