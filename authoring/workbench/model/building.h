// Project / Build and Project / Create Script as the workbench runs them: the
// same library code as zrva32 build and script, with the layout they take by
// default, reporting through the workbench's status and log.
#pragma once

#include "authoring/project/document.h"
#include "authoring/workbench/model/report.h"

#include <atomic>
#include <string>

namespace zrv::authoring {
class SettingsStore;
}

namespace zrv::workbench {

enum class BuildResult { Done, Failed, Stopped };

// Saves what the dependency check changed, prepares the set (1.44 MB disks,
// the project's choice of optional files) and writes it as DISKS\DISK1... in
// the project's folder, or with `scriptOnly` writes the script alone to the
// project's script file. Status 11002 first, then 11003, 11011 or 11010; the
// reasons of a failure and the warnings as log lines. `stop` may be set from
// another thread; the machine must not be used elsewhere meanwhile.
BuildResult buildProject(authoring::Project& project, authoring::SettingsStore& settings, Reporter& report,
                         const std::atomic<bool>* stop, bool scriptOnly);

} // namespace zrv::workbench
