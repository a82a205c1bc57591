// The parts of zrvx32's command line: the options, and what each role and
// command does with them. main.cpp only reads the options and calls.
#pragma once

#include "platform/machine/machine.h"
#include "platform/shell/snapshot.h"

#include <chrono>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zrv::ui {
class Ui;
}

namespace zrv::frontend {

// $ZRV_MACHINE, else the per-user machine.
std::filesystem::path defaultMachine();

struct Options {
    std::filesystem::path machine = defaultMachine();
    MachineOptions machineOptions;
    std::vector<std::string> words;
    std::optional<std::filesystem::path> answers;
    std::optional<std::filesystem::path> transcript;
    std::optional<std::filesystem::path> record;
    std::optional<std::filesystem::path> screenshots;
    std::string ui; // "qt", "headless", or empty: Qt where a display is
    std::string script = "SETUP.SCR"; // install: the script on the first disk
    std::chrono::milliseconds lockWait = std::chrono::minutes(10); // for another run changing the machine
    std::vector<DriveMapping> disks;
    bool debugTty = false; // the debugger's stops on the terminal, answers or not
    bool progress = false; // copy progress lines on stderr even when it is no terminal
    bool quiet = false;    // no progress and no summary (errors are still shown)
    std::optional<std::pair<int, int>> screen; // --screen WxH: the screen size scripts see
    std::string handOverFailed; // why zrvx32-ui could not take the run (interfaces.h)
};

// Exit statuses of a run beyond the script's own (0, 2, 3).
inline constexpr int kExitCancelled = 4; // the person cancelled a copy

// Errors for people, on stderr: the exit status of a bad command line (2),
// and of a failure (1).
int usageError(const std::string& message);
int failure(const std::string& message);

// One run changes a machine at a time, as installers take a machine-wide lock:
// while another holds it this one waits (saying so on stderr, and in the wait
// window when `ui` is given) up to o.lockWait. The lock, or a failure message.
Result<UniqueFd> lockMachine(Machine& machine, const Options& o, zrv::ui::Ui* ui);

// A disk of a disk changer on A:, labelled with its folder's name unless given.
DriveMapping diskOf(const std::filesystem::path& folder, const std::string& label = {});

// The roles: a script, the start program's part, the de-install program's part.
int runScript(Options& o);
int install(Options& o);
int uninstall(Options& o);
// machine init | show | path | groups | snapshot | diff | reg.
int machineCommand(Options& o);
// transcript show FILE.
int transcriptCommand(Options& o);

// What changed between two snapshots, for people: one line a change, the
// values too when `values` is set, each line after `indent`.
void printChanges(std::ostream& out, const std::vector<SnapshotChange>& changes, const std::string& indent,
                  bool values);

} // namespace zrv::frontend
