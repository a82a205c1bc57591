#include "authoring/workbench/model/launch.h"

#include "authoring/build/runtime.h"
#include "authoring/project/imports.h"
#include "authoring/project/texts.h"
#include "authoring/workbench/model/objects.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/shell/programs.h"

#include <random>

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
    else
        out.script = script;
    return out;
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

namespace {

authoring::Refusal own(std::string message) { return authoring::Refusal{0, std::move(message), {}}; }

} // namespace

std::optional<std::string> hostCommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& w : words) {
        if (w.find('"') != std::string::npos)
            return std::nullopt;
        line += line.empty() ? "" : " ";
        line += w.find_first_of(" \t") == std::string::npos && !w.empty() ? w : "\"" + w + "\"";
    }
    return line;
}

std::optional<std::filesystem::path> defaultDiskSet(Machine& authoring, const authoring::ProjectData& project) {
    auto folder = authoring.hostPath(project.directory);
    if (!folder)
        return std::nullopt;
    return *folder / "DISKS";
}

Launch testProject(const authoring::ProjectData& project, Machine& authoring, const TestRun& run, std::string& said) {
    namespace fs = std::filesystem;
    Launch out;
    std::error_code ec;
    if (!fs::is_directory(run.disks, ec)) {
        out.refused = own("There is no disk set at " + run.disks.string() + ": build the project first (zrva32 build).");
        return out;
    }
    const fs::path first = fs::is_directory(run.disks / "DISK1", ec) ? run.disks / "DISK1" : run.disks;
    auto projectFolder = authoring.hostPath(project.directory);
    if (!projectFolder) {
        out.refused = own(project.directory + ": " + projectFolder.error().describe());
        return out;
    }
    fs::path scratch = run.testMachine;
    const bool own_scratch = scratch.empty();
    if (own_scratch) {
        for (int n = 0; scratch.empty() && n < 100; ++n) {
            const fs::path candidate =
                fs::temp_directory_path(ec) / ("zrva32-test-" + std::to_string(std::random_device{}()));
            if (fs::create_directory(candidate, ec))
                scratch = candidate;
        }
        if (scratch.empty()) {
            out.refused = own("Cannot make a scratch machine in " + fs::temp_directory_path(ec).string());
            return out;
        }
    }
    scratch = fs::absolute(scratch, ec);
    struct Cleanup {
        fs::path dir;
        ~Cleanup() {
            std::error_code ignored;
            if (!dir.empty())
                fs::remove_all(dir, ignored);
        }
    } cleanup{own_scratch ? scratch : fs::path()};

    std::vector<std::string> words = run.interpreter;
    words.insert(words.end(), {"--machine", scratch.string()});
    std::optional<std::string> debugFile;
    MachineOptions options;
    DriveMapping a;
    a.letter = 'A';
    a.hostRoot = first.string();
    a.readOnly = true;
    options.drives.push_back(a);
    if (run.debug) {
        // The debug data file is the project's, in its folder: the only part
        // of the author's files the test machine sees, as its drive Z:.
        DriveMapping z;
        z.letter = 'Z';
        z.hostRoot = projectFolder->string();
        options.drives.push_back(z);
        words.insert(words.end(), {"--drive", "Z=" + z.hostRoot});
        const std::string name = authoring::debugDataName(project.path);
        debugFile = "Z:\\" + name.substr(name.rfind('\\') + 1);
    }
    words.insert(words.end(), {"install", fs::absolute(run.disks, ec).string()});
    auto command = hostCommandLine(words);
    if (!command) {
        out.refused = own("A path with a double quote cannot be handed to the interpreter.");
        return out;
    }
    options.programs = {{"SETUP.EXE", *command}, {"INSTALL.EXE", *command}};
    auto machine = Machine::open(scratch, options);
    if (!machine) {
        out.refused = own(machine.error().describe());
        return out;
    }
    said = "Testing " + run.disks.string() + " on the machine " + scratch.string() +
           (own_scratch ? " (removed afterwards)" : "");
    return runTest(**machine, "A:\\", debugFile, true);
}

} // namespace zrv::workbench
