// zrvx32: the setup-script interpreter. This file reads the command line and
// hands it to the role or command it names.
#include "interpreter/frontend.h"
#include "interpreter/interfaces.h"

#include "platform/base/ansi.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

namespace fs = std::filesystem;
using namespace zrv;
using namespace zrv::frontend;

namespace {

constexpr const char* kVersion = "zrvx32 0.1.0";

constexpr const char* kUsage = R"(Usage: zrvx32 [OPTIONS] [--] [SCRIPT [/DIR:DIR] [/DEBUG[:FILE]] [PARAMETERS...]]
       zrvx32 [OPTIONS] machine COMMAND ...

Runs setup scripts on an emulated Windows machine, a folder on this computer
that holds the machine's settings (machine.ini), its drives and its registry.
The words after the options form the Windows command line of the run
("zrvx32 --" alone runs SETUP.SCR). A headless run prints each error report
on stderr.

Exit status of a run: 0 the script ended normally, 2 an error ended it,
3 the script could not be opened, 4 the person cancelled a copy; 1 the run
could not start (the message says why).

Roles:
  install DISKSET [WORDS...]
                         play the start program: map A: to the disk set (its
                         first DISKn folder, or the folder itself), keep a
                         "Setup" window up, run SETUP.SCR /DIR:A:\ WORDS
                         (such as /DEBUG:FILE) and print a summary of what
                         it did
  uninstall APP          play the de-install program: run the DeInstallScript
                         that ZRVUNI.INI in the Windows directory names for
                         APP, and print what changed

  transcript show FILE   print a transcript (--transcript) as sentences: what
                         was shown and how it was answered

Machine commands:
  machine init [--profile win95|nt4] [--winver N]
                         create a fresh machine (Windows 95 by default;
                         N is the version number, 395 or 400)
  machine show           print the machine's settings and drives
  machine path WINPATH   print the host path a Windows path resolves to (or
                         would be created at); fails for paths that cannot
                         name a file on the machine
  machine groups         list the Program Manager groups and their items
  machine snapshot FILE  record the machine's files, registry and groups in FILE
  machine diff FILE [--json]
                         print what was added (+), removed (-) and changed (~)
                         since the snapshot in FILE
  machine reg export [--utf8] [KEY]
                         print the registry, or the key and all below it, as
                         REGEDIT4 text (code page 1252; --utf8 for a terminal)
  machine reg import FILE
                         merge a REGEDIT4 (.REG) file into the registry

Options:
  --machine DIR          the machine folder (default: $ZRV_MACHINE, else
                         ~/.local/share/zrv/machine); a run creates it when
                         missing, machine commands other than init do not
  --drive X=HOSTDIR[,ro][,label=L][,size=N]
                         map drive X: to a host folder for this run
  --ui qt                show the installer's windows with Qt (the default where
                         a display is: DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM);
                         with --answers it runs unattended, showing each window
  --ui headless          answer every message box and dialog from the answer
                         file, else with its default button (the default without
                         a display)
  --answers FILE         the answer file (JSON lines; see docs/answers.md)
  --script NAME          (install) the script on the first disk (default SETUP.SCR)
  --debug-tty            (headless) the debugger's stops (/DEBUG) on the terminal,
                         read from standard input (automatic when it is a
                         terminal and no --answers are given)
  --progress             (headless) a line on stderr for each file copied, also
                         when stderr is no terminal (on a terminal one line
                         shows the copy as it goes)
  --screen WxH           the screen size scripts see and windows fill (default:
                         a Qt run's real screen, a headless run's machine.ini)
  --quiet, -q            no progress and no summary; errors are still shown
  --wait SECONDS         how long a run waits for another run that is changing
                         the same machine (default 600)
  --transcript FILE      write each message box, dialog and window as a JSON line
  --record FILE          (qt) write the answers the person gave, to replay headless
  --screenshots DIR      (qt) save a PNG of every window as it is shown
  --disks DIR[,label=L]  a disk for a disk changer on A: (repeat for each disk;
                         the first is in the drive, labelled with its folder's
                         name in upper case unless a label is given)
  --help                 show this help
  --version              show the version
)";

} // namespace

int main(int argc, char** argv) {
    Options o;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (optionsEnded || a.empty() || a[0] != '-' || !o.words.empty()) {
            o.words.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--version") {
            std::cout << kVersion << "\n";
            return 0;
        } else if (a == "--script") {
            if (i + 1 >= argc)
                return usageError("--script needs a file name");
            o.script = utf8ToAnsiLossy(argv[++i]);
            if (o.script.empty() || o.script.find_first_of("\\/: ") != std::string::npos)
                return usageError("--script takes the name of a script on the first disk, like SETUP.SCR");
        } else if (a == "--screen") {
            int w = 0, h = 0;
            char x = 0, rest = 0;
            if (i + 1 >= argc || std::sscanf(argv[i + 1], "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') ||
                w < 320 || h < 200 || w > 16384 || h > 16384)
                return usageError("--screen takes a size such as 1024x768 (320x200 to 16384x16384)");
            ++i;
            o.screen = std::make_pair(w, h);
        } else if (a == "--progress") {
            o.progress = true;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--debug-tty") {
            o.debugTty = true;
        } else if (a == "--wait") {
            char* end = nullptr;
            const long seconds = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : -1;
            if (i + 1 >= argc || *argv[i + 1] == '\0' || *end != '\0' || seconds < 0 || seconds > 86400)
                return usageError("--wait takes a number of seconds from 0 to 86400");
            ++i;
            o.lockWait = std::chrono::seconds(seconds);
        } else if (a == "--ui" || a == "--answers" || a == "--transcript" || a == "--record" || a == "--screenshots") {
            if (i + 1 >= argc)
                return usageError(a + " needs a value");
            std::string v = argv[++i];
            if (a == "--ui" && v != "headless" && v != "qt")
                return usageError("--ui " + v + ": the interfaces are qt and headless");
            if (a == "--ui")
                o.ui = v;
            if (a == "--answers")
                o.answers = fs::path(v);
            if (a == "--transcript")
                o.transcript = fs::path(v);
            if (a == "--record")
                o.record = fs::path(v);
            if (a == "--screenshots")
                o.screenshots = fs::path(v);
        } else if (a == "--disks") {
            if (i + 1 >= argc)
                return usageError("--disks needs a folder");
            std::string v = argv[++i];
            std::string label;
            if (auto at = v.find(",label="); at != std::string::npos) {
                label = utf8ToAnsiLossy(v.substr(at + 7));
                v.erase(at);
                if (label.empty() || label.size() > 11)
                    return usageError("--disks: a volume label has 1 to 11 characters");
            }
            std::error_code ec;
            if (!fs::is_directory(v, ec))
                return usageError("--disks " + v + ": not a folder");
            o.disks.push_back(diskOf(v, label));
        } else if (a == "--machine" || a == "--drive") {
            if (i + 1 >= argc)
                return usageError(a + " needs a value");
            std::string v = argv[++i];
            if (a == "--machine") {
                o.machine = v;
            } else {
                auto d = DriveMapping::parse(v);
                if (!d)
                    return usageError(d.error().message);
                std::error_code ec;
                if (!fs::is_directory(d->hostRoot, ec))
                    return usageError("--drive " + v + ": " + d->hostRoot + " is not a folder");
                o.machineOptions.drives.push_back(*d);
            }
        } else if (a.rfind("--machine=", 0) == 0) {
            o.machine = a.substr(10);
        } else {
            return usageError("unknown option '" + a + "'");
        }
    }
    if (o.words.empty() && !optionsEnded) {
        std::cerr << kUsage;
        return 2;
    }
    if (!o.disks.empty())
        o.machineOptions.drives.push_back(o.disks.front());
    if (!optionsEnded && !o.words.empty() && o.words[0] == "machine")
        return machineCommand(o);
    if (!optionsEnded && !o.words.empty() && o.words[0] == "transcript")
        return transcriptCommand(o);
    // Before anything is opened: the program taking over opens it afresh.
    handOverIfNeeded(o, argv);
    if (!optionsEnded && !o.words.empty() && o.words[0] == "install")
        return install(o);
    if (!optionsEnded && !o.words.empty() && o.words[0] == "uninstall")
        return uninstall(o);
    return runScript(o);
}
