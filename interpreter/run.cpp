// The roles of zrvx32: running a script, the start program's part and the
// de-install program's part.
#include "interpreter/frontend.h"
#include "interpreter/interfaces.h"

#include "common/system.h"
#include "interpreter/actions/actions.h"
#include "interpreter/engine/interpreter.h"
#include "interpreter/ui/headless/headless.h"
#include "interpreter/ui/json.h"
#include "interpreter/ui/transcriptview.h"
#include "platform/base/ansi.h"
#include "platform/formats/lz.h"
#include "platform/host/display.h"
#include "platform/profile/profile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>

namespace zrv::frontend {

namespace fs = std::filesystem;

int usageError(const std::string& message) {
    std::fprintf(stderr, "zrvx32: %s\nTry 'zrvx32 --help'.\n", message.c_str());
    return 2;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "zrvx32: %s\n", message.c_str());
    return 1;
}

Result<UniqueFd> lockMachine(Machine& machine, const Options& o, zrv::ui::Ui* ui) {
    static constexpr const char* kBusy = "Another installation is in progress on this machine.";
    const long seconds = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(o.lockWait).count());
    auto waiting = [&](bool first) {
        if (first) {
            std::fprintf(stderr, "zrvx32: %s Waiting up to %ld seconds for it to finish...\n", kBusy, seconds);
            if (ui) {
                zrv::ui::Display& d = ui->display();
                ui->setScreenSize(machine.screenWidth(), machine.screenHeight());
                d.wait.show(d.metrics, "Setup",
                            std::string(kBusy) + "\n\nSetup will go on when it has finished.");
                ui->changed(zrv::ui::Ui::Window::Wait);
            }
        }
        if (ui)
            ui->pumpMessages();
    };
    auto lock = machine.lockChanges(o.lockWait, waiting);
    if (ui && ui->display().wait.shown) {
        ui->display().wait.shown = false;
        ui->changed(zrv::ui::Ui::Window::Wait);
    }
    if (!lock && lock.code() == WinError::SharingViolation)
        return fail(lock.code(), std::string(kBusy) + " Gave up after " + std::to_string(seconds) +
                                     " seconds; run again when it has finished (--wait sets how long to wait).");
    return lock;
}

fs::path defaultMachine() { return userMachineFolder("ZRV_MACHINE", "machine"); }

bool wantsQt(const Options& o) { return o.ui == "qt" || (o.ui.empty() && host::displayNamed()); }

bool wantsLineEditing(const Options& o) {
    return !wantsQt(o) && host::stdinIsTerminal() && (o.debugTty || !o.answers);
}

DriveMapping diskOf(const fs::path& folder, const std::string& label) {
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

namespace {

// The interface the options ask for: Qt where a display is, else headless.
// Either says on stderr what a person at the terminal should know.
Result<std::unique_ptr<zrv::ui::Ui>> makeUi(const Options& o) {
    bool qt = wantsQt(o);
    if (qt) {
        // A display that does not answer would abort the process inside Qt.
        std::optional<std::string> why = qtMissing(o);
        if (!why)
            why = host::unreachableDisplay();
        if (why) {
            if (o.ui == "qt")
                return fail(WinError::NotSupported, "--ui qt: " + *why);
            std::fprintf(stderr, "zrvx32: warning: %s; running headless (--ui headless says so)\n", why->c_str());
            qt = false;
        }
    }
    std::unique_ptr<zrv::ui::Ui> made;
    if (!qt) {
        if (o.record || o.screenshots)
            return fail(WinError::InvalidParameter, "--record and --screenshots need --ui qt");
        auto ui = zrv::ui::HeadlessUi::create(o.answers, o.transcript);
        if (!ui)
            return ui.error();
        // A person at the terminal answers the debugger's stops (/DEBUG) there.
        const bool terminal = host::stdinIsTerminal();
        if (o.debugTty || (terminal && !o.answers))
            (*ui)->debugOnTerminal(std::cin, std::cout, terminal, lineEditor());
        zrv::ui::Ui::Console console;
        console.out = stderr;
        console.live = !o.quiet && host::stderrIsTerminal();
        console.progress = !o.quiet && (console.live || o.progress);
        (*ui)->setConsole(std::move(console));
        made = std::move(*ui);
    } else {
        auto ui = makeQtUi(o);
        if (!ui)
            return ui.error();
        made = std::move(*ui);
        made->setConsole({stderr}); // warnings only: Qt shows the rest
    }
    if (o.screen)
        made->pinScreen(o.screen->first, o.screen->second);
    return made;
}

int runLine(Machine& machine, zrv::ui::Ui& ui, const std::string& line, const std::vector<DriveMapping>& disks) {
    zrv::engine::Interpreter interpreter(machine, ui);
    zrv::actions::registerAll(interpreter.engine());
    interpreter.engine().setDisks(disks);
    const int status = interpreter.run(line);
    if (ui.cancelled()) {
        std::fprintf(stderr, "zrvx32: the copy was cancelled; what the script did before that stays\n");
        return kExitCancelled;
    }
    return status;
}

// The de-install scripts ZRVUNI.INI names, by application.
std::map<std::string, std::string> deinstallScripts(Machine& m) {
    std::map<std::string, std::string> out;
    for (const std::string& app : getPrivateProfileSectionNames(m, "ZRVUNI.INI"))
        out.emplace(app, getPrivateProfileString(m, app, "DeInstallScript", "", "ZRVUNI.INI"));
    return out;
}

// What an install did, in one paragraph: counted from snapshots taken before
// and after, so it is what the machine holds, whatever the script's route.
void printInstallSummary(std::ostream& out, const std::vector<SnapshotChange>& changes, double seconds,
                         const std::map<std::string, std::string>& scriptsBefore,
                         const std::map<std::string, std::string>& scriptsAfter) {
    int files = 0, keys = 0, values = 0, groups = 0, items = 0, removed = 0;
    std::uint64_t bytes = 0;
    for (const auto& c : changes) {
        if (c.op == '-') {
            ++removed;
            continue;
        }
        const std::string& kind = c.after.kind;
        if (kind == "file") {
            ++files;
            bytes += std::strtoull(snapshotField(c.after, "size").c_str(), nullptr, 10);
        } else if (kind == "key") {
            ++keys;
        } else if (kind == "value") {
            ++values;
        } else if (kind == "group") {
            ++groups;
        } else if (kind == "item") {
            ++items;
        }
    }
    char amount[32], text[256];
    if (bytes < 1000000)
        std::snprintf(amount, sizeof amount, "%.1f KB", static_cast<double>(bytes) / 1e3);
    else
        std::snprintf(amount, sizeof amount, "%.1f MB", static_cast<double>(bytes) / 1e6);
    std::snprintf(text, sizeof text,
                  "Installed in %.1f s: %d files written (%s), %d registry keys and %d values written, "
                  "%d groups and %d items made",
                  seconds, files, amount, keys, values, groups, items);
    out << text;
    if (removed)
        out << ", " << removed << " things removed";
    out << ".\n";
    for (const auto& [app, script] : scriptsAfter) {
        auto before = scriptsBefore.find(app);
        if (!script.empty() && (before == scriptsBefore.end() || before->second != script))
            out << "De-install script for " << ansiToUtf8(app) << ": " << ansiToUtf8(script)
                << " (zrvx32 uninstall \"" << ansiToUtf8(app) << "\" removes it).\n";
    }
}

} // namespace

int runScript(Options& o) {
    auto opened = Machine::open(o.machine, o.machineOptions);
    if (!opened)
        return failure(opened.error().describe());
    auto ui = makeUi(o);
    if (!ui)
        return failure(ui.error().describe());
    auto lock = lockMachine(**opened, o, ui->get());
    if (!lock)
        return failure(lock.error().describe());
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
    if (o.words.size() < 2)
        return usageError("install takes a disk set folder");
    fs::path set = o.words[1];
    std::error_code ec;
    if (!fs::is_directory(set, ec))
        return failure(set.string() + " is not a folder");
    // Disk folders (DISK1, DISK2, ...) make a disk changer; otherwise the folder is the disk.
    std::vector<fs::path> folders;
    for (auto& entry : fs::directory_iterator(set, ec))
        if (entry.is_directory(ec) && upperAnsi(entry.path().filename().string()).rfind("DISK", 0) == 0)
            folders.push_back(entry.path());
    // DISK10 after DISK9.
    auto number = [](const fs::path& f) {
        const std::string name = f.filename().string();
        return std::strtol(name.c_str() + 4, nullptr, 10);
    };
    std::sort(folders.begin(), folders.end(), [&](const fs::path& a, const fs::path& b) {
        return number(a) != number(b) ? number(a) < number(b) : a < b;
    });
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
    auto lock = lockMachine(m, o, ui->get());
    if (!lock)
        return failure(lock.error().describe());
    const auto started = std::chrono::steady_clock::now();
    std::optional<std::vector<SnapshotEntry>> before;
    std::map<std::string, std::string> scriptsBefore;
    if (!o.quiet) {
        if (auto taken = takeSnapshot(m))
            before = std::move(*taken);
        scriptsBefore = deinstallScripts(m);
    }
    m.openWindow("Setup");
    // As the start program does: the interpreter and the de-install program go
    // to VQRSOFT, where the script keeps its de-install script and the
    // de-install icon and ZRVUNI.INI point.
    const std::string vqrsoft = m.windowsDirectory() + "\\VQRSOFT";
    for (const char* name : {"ZRVX32", "ZRVUNI"}) {
        auto packed = m.readFile(std::string("A:\\") + name + ".EX_");
        if (!packed)
            continue;
        const auto* head = reinterpret_cast<const unsigned char*>(packed->data());
        auto program = isSzddHeader(head, packed->size()) ? szddExpand(*packed) : Result<std::string>(*packed);
        if (!program)
            return failure(std::string(name) + ".EX_ on the first disk: " + program.error().describe());
        if (!m.isDirectory(vqrsoft))
            if (auto r = m.createDirectory(vqrsoft); !r)
                return failure(r.error().describe());
        if (auto r = m.writeFileAtomic(vqrsoft + "\\" + name + ".EXE", *program); !r)
            return failure(r.error().describe());
    }
    auto dat = m.readFile("A:\\SETUP.DAT");
    if (dat) {
        std::string first = dat->substr(0, dat->find_first_of("\r\n"));
        (*ui)->record(zrv::ui::transcriptLine("setupdat", "SETUP.DAT", "Setup", ansiToUtf8(first)).number("result", 0).str());
    }
    // The start program hands on the words of its own command line (/DEBUG:FILE).
    std::string line = o.script + " /DIR:A:\\";
    for (std::size_t i = 2; i < o.words.size(); ++i)
        line += " " + utf8ToAnsiLossy(o.words[i]);
    const int status = runLine(m, **ui, line, o.disks);
    if (before) {
        if (auto after = takeSnapshot(m)) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            printInstallSummary(std::cout, diffSnapshots(*before, *after), seconds, scriptsBefore,
                                deinstallScripts(m));
        }
    }
    return status;
}

// The de-install program's part: ZRVUNI.INI names the script that undoes APP.
int uninstall(Options& o) {
    if (o.words.size() != 2)
        return usageError("uninstall takes the application's name");
    auto opened = Machine::open(o.machine, o.machineOptions);
    if (!opened)
        return failure(opened.error().describe());
    Machine& m = **opened;
    auto lock = lockMachine(m, o, nullptr);
    if (!lock)
        return failure(lock.error().describe());
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
        // A temporary of the machine's own: what a kill leaves, the next run removes.
        auto copy = m.files().temporaryPath(m.isDirectory(temp) ? temp : m.windowsDirectory());
        line = copy ? *copy : std::string(" ");
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
            printChanges(std::cout, changes, "  ", false);
        }
    }
    return status;
}

// A transcript for people: one sentence for each thing shown and its answer.
int transcriptCommand(Options& o) {
    if (o.words.size() != 3 || o.words[1] != "show")
        return usageError("transcript: expected show FILE");
    std::ifstream in(o.words[2], std::ios::binary);
    if (!in)
        return failure(o.words[2] + ": cannot be read");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const std::string& line : zrv::ui::describeTranscript(text))
        std::cout << line << "\n";
    return 0;
}

} // namespace zrv::frontend
