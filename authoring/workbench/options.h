// What zrva32 hands the workbench module when it opens the workbench; no Qt
// here, so the command line builds without it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zrv::workbench::qt {

struct WorkbenchOptions {
    std::filesystem::path machineDir;
    std::string commandLine;              // the project named on the command line, as a Windows path
    std::vector<std::string> interpreter; // the host command of zrvx32 for tests and previews
};

} // namespace zrv::workbench::qt
