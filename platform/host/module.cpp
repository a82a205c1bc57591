#include "platform/host/module.h"

#include "platform/host/process.h"

#include <dlfcn.h>
#include <filesystem>

namespace zrv::host {

Result<void*> moduleSymbol(const std::string& fileName, const char* symbol) {
    ZRV_TRY_ASSIGN(auto program, runningProgram());
    return librarySymbol((std::filesystem::path(program).parent_path() / fileName).string(), symbol);
}

Result<void*> librarySymbol(const std::string& path, const char* symbol) {
    // Never closed: the module's code stays in use until the process ends.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return fail(WinError::FileNotFound, std::string(::dlerror()));
    void* address = ::dlsym(module, symbol);
    if (!address)
        return fail(WinError::FileNotFound, path + " has no " + symbol);
    return address;
}

} // namespace zrv::host
