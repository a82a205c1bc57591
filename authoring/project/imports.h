// Adding files to a project from outside: the controls and executables of a
// Visual Basic 3 or 4 project, and vendor components from a component list.
#pragma once

#include "authoring/project/document.h"

#include <string>
#include <string_view>
#include <vector>

namespace zrv::authoring {

struct ImportOutcome {
    int added = 0;
    bool completed = true;          // false: stopped by Cancel, the limit or a refusal
    std::optional<Refusal> refusal; // why it stopped, when not by Cancel
};

// The duplicate warning's answer: OK goes on, Cancel ends the import.
using DuplicateAnswer = std::function<Answer(const std::string& text)>;

// Reads the .MAK or .VBP at `path` (a Windows path of the machine).
ImportOutcome importVbProject(Machine& machine, ProjectData& p, std::string_view path,
                              const DuplicateAnswer& duplicate);
// The debug-data name of a project: its path upper-cased with ".DDB".
std::string debugDataName(std::string_view projectPath);

// The components a list file names, in file order; empty when it cannot be read.
std::vector<std::string> componentNames(Machine& machine, std::string_view listPath);
// Imports the selected components (flags parallel to componentNames) with the
// ones they use. A File%d value with fewer than nine fields, a file action
// outside 0-7 or an overwrite value outside 0-4 refuses, naming the component
// and key.
ImportOutcome importComponents(Machine& machine, ProjectData& p, std::string_view listPath,
                               std::vector<bool> selected);

} // namespace zrv::authoring
