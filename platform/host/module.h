// A shared module beside the running program, loaded when first needed: the
// Qt back end lives in one, so a headless run never loads Qt's libraries.
#pragma once

#include "platform/base/result.h"

#include <string>

namespace zrv::host {

// The running program's own file.
Result<std::string> runningProgram();
// The address of `symbol` in the module `fileName` in the running program's
// folder; NotFound with the loader's reason when it cannot be had.
Result<void*> moduleSymbol(const std::string& fileName, const char* symbol);
// The address of `symbol` in a library of the system's, by its file name as
// the loader finds it (libedit.so.2): for what only some runs need.
Result<void*> librarySymbol(const std::string& soname, const char* symbol);

} // namespace zrv::host
