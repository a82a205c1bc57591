// zrvx32: the setup-script interpreter. For now it manages and inspects the
// emulated machine that scripts run on.
#include "common/paths.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"
#include "platform/shell/progman.h"
#include "platform/shell/snapshot.h"
#include "interpreter/ui/json.h"
#include "interpreter/actions/actions.h"
#include "interpreter/engine/interpreter.h"
#include "interpreter/ui/headless/headless.h"
#include "interpreter/ui/qt/qtui.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace zrv;

namespace {

constexpr const char* kVersion = "zrvx32 0.1.0";

constexpr const char* kUsage = R"(Usage: zrvx32 [OPTIONS] [--] [SCRIPT [/DIR:DIR] [/DEBUG[:FILE]] [PARAMETERS...]]
       zrvx32 [OPTIONS] machine COMMAND ...

Runs setup scripts on an emulated Windows machine, a folder on this computer
that holds the machine's settings (machine.ini), its drives and its registry.
The words after the options form the Windows command line of the run
(SETUP.SCR when there are none).

Exit status of a run: 0 the script ended normally, 2 an error ended it,
3 the script could not be opened.

Roles:
  install DISKSET        play the start program: map A: to the disk set (its
                         first DISKn folder, or the folder itself), keep a
                         "Setup" window up, and run SETUP.SCR /DIR:A:\
  uninstall APP          play the de-install program: run the DeInstallScript
                         that ZRVUNI.INI in the Windows directory names for
                         APP, and print what changed

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
  machine reg export [KEY]
                         print the registry, or the key and all below it, as
                         REGEDIT4 text
  machine reg import FILE
                         merge a REGEDIT4 (.REG) file into the registry

Options:
  --machine DIR          the machine folder (default: $ZRV_MACHINE, else
                         ~/.local/share/zrv/machine); created when missing
  --drive X=HOSTDIR[,ro][,label=L][,size=N]
                         map drive X: to a host folder for this run
  --ui qt                show the installer's windows with Qt (the default where
                         a display is: DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM);
                         with --answers it runs unattended, showing each window
  --ui headless          answer every message box and dialog from the answer
                         file, else with its default button (the default without
                         a display)
  --answers FILE         the answer file (JSON lines; see docs/answers.md)
  --transcript FILE      write each message box, dialog and window as a JSON line
  --record FILE          (qt) write the answers the person gave, to replay headless
  --screenshots DIR      (qt) save a PNG of every window as it is shown
  --disks DIR[,label=L]  a disk for a disk changer on A: (repeat for each disk;
                         the first is in the drive, labelled with its folder's
                         name in upper case unless a label is given)
  --help                 show this help
  --version              show the version
)";

int usageError(const std::string& message) {
    std::fprintf(stderr, "zrvx32: %s\nTry 'zrvx32 --help'.\n", message.c_str());
    return 2;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "zrvx32: %s\n", message.c_str());
    return 1;
}

fs::path defaultMachine() {
    if (const char* env = std::getenv("ZRV_MACHINE"); env && *env)
        return env;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return fs::path(data) / "zrv" / "machine";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local" / "share" / "zrv" / "machine";
    return fs::path("zrv-machine");
}

struct Options {
    fs::path machine = defaultMachine();
    MachineOptions machineOptions;
    std::vector<std::string> words;
    std::optional<fs::path> answers;
    std::optional<fs::path> transcript;
    std::optional<fs::path> record;
    std::optional<fs::path> screenshots;
    std::string ui; // "qt", "headless", or empty: Qt where a display is
    std::vector<DriveMapping> disks;
};

DriveMapping diskOf(const fs::path& folder, const std::string& label = {}) {
    DriveMapping d;
    d.letter = 'A';
    std::error_code ec;
    fs::path root = fs::absolute(folder, ec).lexically_normal();
    if (root.filename().empty()) // "DISK1/" names DISK1
        root = root.parent_path();
    d.hostRoot = root.string();
    d.readOnly = true;
    d.label = label.empty() ? upperAnsi(utf8ToAnsiLossy(root.filename().string())).substr(0, 11) : label;
    return d;
}

// The interface the options ask for: Qt where a display is, else headless.
Result<std::unique_ptr<zrv::ui::Ui>> makeUi(const Options& o) {
    bool qt = o.ui == "qt" || (o.ui.empty() && zrv::ui::qt::displayAvailable());
    if (!qt) {
        if (o.record || o.screenshots)
            return fail(WinError::InvalidParameter, "--record and --screenshots need --ui qt");
        auto ui = zrv::ui::HeadlessUi::create(o.answers, o.transcript);
        if (!ui)
            return ui.error();
        return std::unique_ptr<zrv::ui::Ui>(std::move(*ui));
    }
    if (!zrv::ui::qt::displayAvailable())
        return fail(WinError::NotSupported, "--ui qt needs a display (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM)");
    zrv::ui::qt::QtOptions q{o.answers, o.transcript, o.record, o.screenshots};
    return zrv::ui::qt::createQtUi(q);
}

int runLine(Machine& machine, zrv::ui::Ui& ui, const std::string& line, const std::vector<DriveMapping>& disks) {
    zrv::engine::Interpreter interpreter(machine, ui);
    zrv::actions::registerAll(interpreter.engine());
    interpreter.engine().setDisks(disks);
    return interpreter.run(line);
}

int runScript(Options& o) {
    auto opened = Machine::open(o.machine, o.machineOptions);
    if (!opened)
        return failure(opened.error().describe());
    auto ui = makeUi(o);
    if (!ui)
        return failure(ui.error().describe());
    std::string line;
    for (const std::string& w : o.words) {
        if (!line.empty())
            line += ' ';
        line += utf8ToAnsiLossy(w);
    }
    return runLine(**opened, **ui, line, o.disks);
}

// The start program's part: the disk set on A:, its "Setup" window, SETUP.DAT.
int install(Options& o) {
    if (o.words.size() != 2)
        return usageError("install takes one disk set folder");
    fs::path set = o.words[1];
    std::error_code ec;
    if (!fs::is_directory(set, ec))
        return failure(set.string() + " is not a folder");
    // Disk folders (DISK1, DISK2, ...) make a disk changer; otherwise the folder is the disk.
    std::vector<fs::path> folders;
    for (auto& entry : fs::directory_iterator(set, ec))
        if (entry.is_directory(ec) && upperAnsi(entry.path().filename().string()).rfind("DISK", 0) == 0)
            folders.push_back(entry.path());
    std::sort(folders.begin(), folders.end());
    if (folders.empty())
        folders.push_back(set);
    for (const fs::path& f : folders)
        o.disks.push_back(diskOf(f));
    o.machineOptions.drives.push_back(o.disks.front());
    auto opened = Machine::open(o.machine, o.machineOptions);
    if (!opened)
        return failure(opened.error().describe());
    Machine& m = **opened;
    auto ui = makeUi(o);
    if (!ui)
        return failure(ui.error().describe());
    m.openWindow("Setup");
    auto dat = m.readFile("A:\\SETUP.DAT");
    if (dat) {
        std::string first = dat->substr(0, dat->find_first_of("\r\n"));
        (*ui)->record(zrv::ui::transcriptLine("setupdat", "SETUP.DAT", "Setup", ansiToUtf8(first)).number("result", 0).str());
    }
    return runLine(m, **ui, "SETUP.SCR /DIR:A:\\", o.disks);
}

// The de-install program's part: ZRVUNI.INI names the script that undoes APP.
int uninstall(Options& o) {
    if (o.words.size() != 2)
        return usageError("uninstall takes the application's name");
    auto opened = Machine::open(o.machine, o.machineOptions);
    if (!opened)
        return failure(opened.error().describe());
    Machine& m = **opened;
    std::string app = utf8ToAnsiLossy(o.words[1]);
    std::string script = getPrivateProfileString(m, app, "DeInstallScript", "", "ZRVUNI.INI");
    if (script.empty())
        return failure(o.words[1] + " is not installed: " + ansiToUtf8(m.windowsDirectory()) +
                       "\\ZRVUNI.INI names no DeInstallScript for it");
    if (!m.exists(script))
        return failure("the de-install script " + ansiToUtf8(script) + " is missing");
    auto ui = makeUi(o);
    if (!ui)
        return failure(ui.error().describe());
    // The interpreter's command line splits at blanks, so a script in a folder
    // such as "C:\Program Files\App" runs from a copy in the Windows temporary
    // folder, as de-install programs run themselves from a copy; the copy goes
    // afterwards.
    auto before = takeSnapshot(m);
    std::string line = script;
    if (script.find(' ') != std::string::npos) {
        auto text = m.readFile(script);
        std::string temp = m.windowsDirectory() + "\\TEMP";
        line = UniqueTempName(m, m.isDirectory(temp) ? temp : m.windowsDirectory());
        if (!text || line.find(' ') != std::string::npos || !m.writeFileAtomic(line, *text))
            return failure("the de-install script " + ansiToUtf8(script) + " cannot be copied to run");
    }
    int status = runLine(m, **ui, line, o.disks);
    if (line != script)
        (void)m.deleteFile(line);
    if (before) {
        auto after = takeSnapshot(m);
        if (after) {
            auto changes = diffSnapshots(*before, *after);
            std::cout << "De-installed " << o.words[1] << " with " << ansiToUtf8(script) << ": " << changes.size()
                      << " changes\n";
            for (const auto& c : changes) {
                const SnapshotEntry& e = c.op == '-' ? c.before : c.after;
                std::cout << "  " << c.op << " " << e.kind << "  " << ansiToUtf8(e.key) << "\n";
            }
        }
    }
    return status;
}

int machineInit(Options& o, const std::vector<std::string>& args) {
    MachineProfile profile = MachineProfile::Win95;
    int version = 400;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--profile" && i + 1 < args.size()) {
            std::string p = args[++i];
            if (p == "win95")
                profile = MachineProfile::Win95;
            else if (p == "nt4")
                profile = MachineProfile::NT4;
            else
                return usageError("unknown profile '" + p + "' (win95 or nt4)");
        } else if (args[i] == "--winver" && i + 1 < args.size()) {
            version = std::atoi(args[++i].c_str());
            if (version < 300 || version > 1000)
                return usageError("--winver takes a version number such as 395 or 400");
        } else {
            return usageError("machine init: unexpected '" + args[i] + "'");
        }
    }
    std::error_code ec;
    if (fs::exists(o.machine / "machine.ini", ec))
        return failure("a machine already exists at " + o.machine.string());
    if (auto r = Machine::create(o.machine, profile, version); !r)
        return failure(r.error().describe());
    auto m = Machine::open(o.machine, o.machineOptions);
    if (!m)
        return failure(m.error().describe());
    std::cout << "Created a fresh machine.\n" << (*m)->describe();
    return 0;
}

int regCommand(Machine& m, const std::vector<std::string>& args) {
    if (args.empty() || (args[0] != "export" && args[0] != "import"))
        return usageError("machine reg: expected export or import");
    auto reg = m.registry();
    if (!reg)
        return failure(reg.error().describe());
    if (args[0] == "export") {
        if (args.size() > 2)
            return usageError("machine reg export takes at most one key");
        Result<std::string> text = fail(WinError::FileNotFound);
        if (args.size() == 1) {
            text = (*reg)->exportText();
        } else {
            std::string key = utf8ToAnsiLossy(args[1]);
            std::size_t slash = key.find('\\');
            auto root = regRootFromName(key.substr(0, slash));
            if (!root)
                return failure("unknown root key in '" + args[1] + "' (HKEY_LOCAL_MACHINE, HKLM, ...)");
            text = (*reg)->exportText(*root, slash == std::string::npos ? "" : key.substr(slash + 1));
        }
        if (!text)
            return failure((args.size() > 1 ? args[1] + ": " : "") + text.error().describe());
        std::cout << ansiToUtf8(*text);
        return 0;
    }
    if (args.size() != 2)
        return usageError("machine reg import takes one .REG file");
    std::ifstream in(args[1], std::ios::binary);
    if (!in)
        return failure("cannot read " + args[1]);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // .REG files are ANSI text; one written as UTF-8 is converted first.
    if (auto ansi = utf8ToAnsi(text))
        text = *ansi;
    if (auto r = (*reg)->importText(text); !r)
        return failure(args[1] + ": " + r.error().describe());
    return 0;
}

int machineCommand(Options& o) {
    if (o.words.size() < 2)
        return usageError("machine: expected init, show or path");
    const std::string& sub = o.words[1];
    std::vector<std::string> args(o.words.begin() + 2, o.words.end());
    if (sub == "init")
        return machineInit(o, args);
    if (sub != "show" && sub != "path" && sub != "reg" && sub != "groups" && sub != "snapshot" && sub != "diff")
        return usageError("machine: unknown command '" + sub + "'");
    auto opened = Machine::open(o.machine, o.machineOptions);
    if (!opened)
        return failure(opened.error().describe());
    Machine& m = **opened;
    if (sub == "show") {
        if (!args.empty())
            return usageError("machine show takes no arguments");
        std::cout << m.describe();
        return 0;
    }
    if (sub == "path") {
        if (args.size() != 1)
            return usageError("machine path takes one Windows path");
        auto ansi = utf8ToAnsi(args[0]);
        if (!ansi)
            return failure("the path has characters Windows code page 1252 cannot hold");
        auto host = m.hostPath(*ansi);
        if (!host)
            return failure(args[0] + ": " + host.error().describe());
        std::cout << host->string() << "\n";
        return 0;
    }
    if (sub == "snapshot" || sub == "diff") {
        bool json = false;
        std::vector<std::string> rest;
        for (const std::string& a : args) {
            if (a == "--json" && sub == "diff")
                json = true;
            else
                rest.push_back(a);
        }
        if (rest.size() != 1)
            return usageError("machine " + sub + " takes one snapshot file");
        auto now = takeSnapshot(m);
        if (!now)
            return failure(now.error().describe());
        if (sub == "snapshot") {
            std::ofstream out(rest[0], std::ios::binary | std::ios::trunc);
            out << formatSnapshot(*now);
            out.close();
            if (!out)
                return failure("cannot write " + rest[0]);
            return 0;
        }
        std::ifstream in(rest[0], std::ios::binary);
        if (!in)
            return failure("cannot read " + rest[0]);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto before = parseSnapshot(text);
        if (!before)
            return failure(rest[0] + ": " + before.error().describe());
        auto changes = diffSnapshots(*before, *now);
        if (json) {
            std::cout << "[";
            for (std::size_t i = 0; i < changes.size(); ++i) {
                const auto& c = changes[i];
                const SnapshotEntry& e = c.op == '-' ? c.before : c.after;
                std::cout << (i ? ",\n " : "") << "{\"op\":\"" << c.op << "\",\"kind\":" << zrv::ui::jsonString(e.kind)
                          << ",\"key\":" << zrv::ui::jsonString(ansiToUtf8(e.key))
                          << ",\"before\":" << zrv::ui::jsonString(ansiToUtf8(c.before.value))
                          << ",\"after\":" << zrv::ui::jsonString(ansiToUtf8(c.after.value)) << "}";
            }
            std::cout << "]\n";
            return 0;
        }
        for (const auto& c : changes) {
            const SnapshotEntry& e = c.op == '-' ? c.before : c.after;
            std::cout << c.op << " " << e.kind << "  " << ansiToUtf8(e.key);
            if (c.op == '~')
                std::cout << "  " << ansiToUtf8(c.before.value) << " -> " << ansiToUtf8(c.after.value);
            else if (!e.value.empty())
                std::cout << "  " << ansiToUtf8(e.value);
            std::cout << "\n";
        }
        if (changes.empty())
            std::cout << "no changes\n";
        return 0;
    }
    if (sub == "groups") {
        if (!args.empty())
            return usageError("machine groups takes no arguments");
        ProgramManager shell(m);
        for (const auto& g : shell.groups()) {
            std::cout << ansiToUtf8(g.name) << "\n";
            for (const auto& item : g.items) {
                const ShellLink& l = item.link;
                std::cout << "  " << ansiToUtf8(l.description.empty() ? item.title : l.description) << " -> "
                          << ansiToUtf8(l.target);
                if (!l.arguments.empty())
                    std::cout << " " << ansiToUtf8(l.arguments);
                if (!l.workingDirectory.empty())
                    std::cout << "  (in " << ansiToUtf8(l.workingDirectory) << ")";
                if (!l.iconFile.empty())
                    std::cout << "  (icon " << ansiToUtf8(l.iconFile) << "," << l.iconIndex << ")";
                std::cout << "\n";
            }
        }
        return 0;
    }
    return regCommand(m, args);
}

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
                o.machineOptions.drives.push_back(*d);
            }
        } else if (a.rfind("--machine=", 0) == 0) {
            o.machine = a.substr(10);
        } else {
            return usageError("unknown option '" + a + "'");
        }
    }
    if (!o.disks.empty())
        o.machineOptions.drives.push_back(o.disks.front());
    if (!optionsEnded && !o.words.empty() && o.words[0] == "machine")
        return machineCommand(o);
    if (!optionsEnded && !o.words.empty() && o.words[0] == "install")
        return install(o);
    if (!optionsEnded && !o.words.empty() && o.words[0] == "uninstall")
        return uninstall(o);
    return runScript(o);
}
