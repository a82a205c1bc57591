#include "authoring/workbench/model/launch.h"

#include "authoring/build/runtime.h"
#include "authoring/project/texts.h"
#include "authoring/workbench/model/objects.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/shell/programs.h"

namespace zrv::workbench {

void Reporter::status(int number) { status(authoring::statusText(number)); }

namespace {

authoring::Refusal failedStart(std::string_view commandLine, int code) {
    authoring::Refusal r = authoring::refusal(10010);
    ReplaceAll(r.message, "%1", std::string(commandLine));
    ReplaceAll(r.message, "%2", std::to_string(code));
    return r;
}

// The kit's interpreter in the tool's folder, written when missing.
void ensureInterpreter(Machine& machine) {
    const std::string path = std::string(kToolFolder) + "\\ZRVX32.EXE";
    if (FileExists(machine, path))
        return;
    (void)MakeDirectoryPath(machine, std::string(kToolFolder));
    // Not there afterwards: the start fails and says so.
    (void)machine.writeFileAtomic(path, build::standInFile("ZRVX32.EXE"));
}

} // namespace

Launch startInterpreter(Machine& machine, std::string_view commandLine, bool wait) {
    Launch out;
    out.commandLine = commandLine;
    ProgramRunner runner(machine);
    const ProgramOutcome outcome = runner.run(commandLine, 5, wait);
    if (outcome.started) {
        out.exitCode = outcome.exitCode;
        return out;
    }
    // The codes a start gives for these two failures.
    const auto words = splitCommandLine(commandLine);
    const int code = words.empty() || !runner.resolve(words[0]) ? 2 : 11;
    out.refused = failedStart(commandLine, code);
    return out;
}

Launch runPreview(Machine& machine, WorkbenchSettings& settings, const authoring::ProjectData& project,
                  std::string_view objectPath, bool wait) {
    Launch out;
    Preview preview = previewScript(machine, project, objectPath, settings.defaultBackdrop());
    if (preview.refused) {
        out.refused = std::move(preview.refused);
        return out;
    }
    const std::string script = UniqueTempName(machine, temporaryFolder(machine));
    if (auto written = machine.writeFileAtomic(script, preview.script); !written) {
        out.refused = authoring::refusal(10023);
        ReplaceAll(out.refused->message, "%1", script);
        return out;
    }
    ensureInterpreter(machine);
    const std::string before = machine.currentDirectory();
    (void)machine.setCurrentDirectory(kToolFolder);
    out = startInterpreter(machine, settings.interpreter() + " " + script, wait);
    (void)machine.setCurrentDirectory(before);
    // A running interpreter still needs its script; one that did not start does not.
    if (wait || out.refused)
        (void)machine.deleteFile(script);
    return out;
}

std::string debugFileOf(std::string_view projectPath) {
    std::string path = upperAnsi(std::string(projectPath));
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('\\');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        path.erase(dot);
    return path + ".DDB";
}

std::string testCommandLine(Machine& machine, std::string_view diskFolder, std::optional<std::string_view> debugFile) {
    std::string line = FileExists(machine, AddBackslash(std::string(diskFolder)) + "SETUP.EXE") ? "SETUP.EXE" : "INSTALL.EXE";
    if (debugFile)
        line += " /DEBUG:" + std::string(*debugFile);
    return line;
}

Launch runTest(Machine& machine, std::string_view diskFolder, std::optional<std::string_view> debugFile, bool wait) {
    const std::string before = machine.currentDirectory();
    const std::string line = testCommandLine(machine, diskFolder, debugFile);
    Launch out;
    if (auto moved = machine.setCurrentDirectory(diskFolder); !moved) {
        out.commandLine = line;
        out.refused = failedStart(line, 3); // the folder is not there: path not found
        return out;
    }
    out = startInterpreter(machine, line, wait);
    (void)machine.setCurrentDirectory(before);
    return out;
}

} // namespace zrv::workbench
