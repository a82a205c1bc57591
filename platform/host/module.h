// A shared module beside the running program, or a library of the system's,
// loaded when first needed: the workbench's Qt part lives in one, so a command
// line run never loads Qt's libraries. A statically linked program has none.
#pragma once

#include "platform/base/result.h"

#include <string>

namespace zrv::host {

// The address of `symbol` in the module `fileName` in the running program's
// folder; NotFound with the loader's reason when it cannot be had.
Result<void*> moduleSymbol(const std::string& fileName, const char* symbol);
// The address of `symbol` in a library of the system's, by its file name as
// the loader finds it (libedit.so.2): for what only some runs need.
Result<void*> librarySymbol(const std::string& soname, const char* symbol);

} // namespace zrv::host
