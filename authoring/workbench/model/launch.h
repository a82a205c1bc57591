// Starting the interpreter from the workbench: a preview of one object, and a
// test of the built disk set, normal or under the debugger. Both go through
// the machine's program starter, so what may start is the machine's to say
// (its [Programs], or the mappings the caller adds for the run).
#pragma once

#include "authoring/project/project.h"
#include "authoring/workbench/model/report.h"
#include "authoring/workbench/model/settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace zrv {
class Machine;
}

namespace zrv::workbench {

struct Launch {
    std::string commandLine;
    int exitCode = 0;                          // the program's, when waited for
    std::optional<authoring::Refusal> refused; // nothing started
};

// Starts a command line in a normal window from the machine's current
// directory; a start that fails is 10010 with the command line and the code a
// start returns (2 when the program is not found, 11 when it may not start).
Launch startInterpreter(Machine& machine, std::string_view commandLine, bool wait);

// The authoring tool's own folder on its machine: the kit's interpreter is
// there (so the default setting "ZRVX32.EXE" names a program), and a preview
// starts from it, as the tool runs from its own folder.
inline constexpr std::string_view kToolFolder = "C:\\ZRVA32";

// The object preview: its script in a temporary file of the machine's TEMP
// folder (10023 when it cannot be written; 10024 when an object file cannot
// be read), then "<interpreter> <script>". Waited for, the script is deleted
// when the interpreter has ended; otherwise it stays for the interpreter.
Launch runPreview(Machine& machine, WorkbenchSettings& settings, const authoring::ProjectData& project,
                  std::string_view objectPath, bool wait);

// The test's command line for a disk set in `diskFolder`: "SETUP.EXE" when the
// folder holds one, else "INSTALL.EXE"; in debug mode " /DEBUG:" and
// `debugFile` follow.
std::string testCommandLine(Machine& machine, std::string_view diskFolder, std::optional<std::string_view> debugFile);
// The debug data file of a project: its path upper-cased with the extension
// ".DDB".
std::string debugFileOf(std::string_view projectPath);
// Starts the test from `diskFolder` made current; the current directory is
// given back afterwards.
Launch runTest(Machine& machine, std::string_view diskFolder, std::optional<std::string_view> debugFile, bool wait);

} // namespace zrv::workbench
