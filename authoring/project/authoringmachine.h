// The machine the authoring tool lives in: its own, with drive Z: mapped to
// the host's "/" so project files keep Windows paths, and host paths named
// on its command line or dropped on its windows become Z:\ paths.
#pragma once

#include "platform/base/result.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zrv {
class Machine;
}

namespace zrv::authoring {

// Programs the machine may start in this run: Windows name -> host command.
using ProgramMappings = std::vector<std::pair<std::string, std::string>>;
Result<std::unique_ptr<Machine>> openAuthoringMachine(const std::filesystem::path& dir,
                                                      const ProgramMappings& programs = {});
// A Windows path of the authoring machine: as given when it starts with a
// drive letter and ":", else the host path (UTF-8, made absolute) on Z:;
// nothing when code page 1252 cannot hold it.
std::optional<std::string> authoringPath(const std::string& arg);

} // namespace zrv::authoring
