// Starting the interpreter from the workbench: a preview of one object, and a
// test of the built disk set, normal or under the debugger. Both go through
// the machine's program starter, so what may start is the machine's to say
// (its [Programs], or the mappings the caller adds for the run).
#pragma once

#include "authoring/project/project.h"
#include "authoring/workbench/model/report.h"
#include "authoring/workbench/model/settings.h"

#include <filesystem>
#include <optional>
#include <vector>
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
    std::string script; // a preview's script left for the running interpreter, to delete later
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
// `debugFile` follow (the project's is authoring::debugDataName).
std::string testCommandLine(Machine& machine, std::string_view diskFolder, std::optional<std::string_view> debugFile);
// Starts the test from `diskFolder` made current; the current directory is
// given back afterwards.
Launch runTest(Machine& machine, std::string_view diskFolder, std::optional<std::string_view> debugFile, bool wait);

// Host words as one command line the machine's program starter splits back
// into them (quoted where they hold blanks); none when a word holds a quote.
std::optional<std::string> hostCommandLine(const std::vector<std::string>& words);

// Project / Test as a whole: the built set (`disks`, a host folder holding
// DISK1... or the first disk itself) installed by its SETUP.EXE in a machine
// of its own, so a test never changes the authoring machine: `testMachine`,
// or a fresh scratch one in the host's temporary folder, removed afterwards.
// `interpreter` is the host command that runs zrvx32 with its options; the
// machine and the disk set are added. In debug mode the test machine sees the
// project's folder as drive Z:, where the debug data file is. Waits for the
// run; `said` gets a line for people on where it ran.
struct TestRun {
    std::filesystem::path disks;
    std::filesystem::path testMachine; // empty: a scratch machine
    bool debug = false;
    std::vector<std::string> interpreter;
};
Launch testProject(const authoring::ProjectData& project, Machine& authoring, const TestRun& run, std::string& said);
// The disk set a build writes for the project, as a host folder.
std::optional<std::filesystem::path> defaultDiskSet(Machine& authoring, const authoring::ProjectData& project);

} // namespace zrv::workbench
