// What the zrva32 commands share: the authoring machine, paths given on the
// command line, and how problems reach the terminal.
#pragma once

#include "authoring/project/authoringmachine.h"
#include "platform/base/result.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zrv {
class Machine;
}

namespace zrv::authoring {

// Exit statuses.
inline constexpr int kExitFailure = 1, kExitUsage = 2;

int usageError(const std::string& message);
int failure(const std::string& message);

// A Windows path of the authoring machine: as given when it starts with a
// drive letter and ":", else the host path on Z:.
std::optional<std::string> windowsPath(const std::string& arg);
// An argument in the machine's code page; nothing when it cannot be.
std::optional<std::string> ansiArg(const std::string& a);
// A 1-based number of one of `count` entries, as an index; on a bad one the
// usage error or failure is reported and its status left in `status`.
std::optional<int> indexArg(const std::string& text, std::size_t count, const std::string& what, int& status);
// The host's zrvx32 that previews and tests run: $ZRVX32, else the one
// beside zrva32 (or in the build tree's interpreter folder), else PATH's.
std::string interpreterProgram();
// The authoring machine, with the host's "/" as its drive Z:, and the
// programs (Windows name -> host command) it may start in this run.
Result<std::unique_ptr<Machine>> openMachine(const std::filesystem::path& dir, const ProgramMappings& programs = {});

// The project commands (new, show, list, save, set, add, remove, relocate,
// render, import-vb, import-components); -1 when `command` is none of them.
int projectCommand(const std::filesystem::path& machineDir, const std::string& command,
                   const std::vector<std::string>& args);

} // namespace zrv::authoring
