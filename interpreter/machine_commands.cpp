// zrvx32's machine commands: make, show and inspect the emulated machine.
#include "interpreter/frontend.h"

#include "interpreter/ui/json.h"
#include "platform/base/ansi.h"
#include "platform/shell/progman.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>

namespace zrv::frontend {

namespace fs = std::filesystem;

namespace {

// A file's or folder's snapshot value as people read it: "24,787 bytes,
// 2026-12-08 20:40:04, A" (attribute letters R H S A, "-" for none); the
// content hash is left to --json.
std::string readableValue(const SnapshotEntry& e) {
    if (e.kind != "file" && e.kind != "dir")
        return ansiToUtf8(e.value);
    std::string out;
    if (e.kind == "file") {
        std::string size = snapshotField(e, "size");
        for (int i = static_cast<int>(size.size()) - 3; i > 0; i -= 3)
            size.insert(static_cast<std::size_t>(i), ",");
        out = size + " bytes, ";
        const std::time_t t = static_cast<std::time_t>(std::strtoll(snapshotField(e, "time").c_str(), nullptr, 10));
        std::tm local{};
        char when[32] = "";
        if (::localtime_r(&t, &local))
            std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
        out += std::string(when) + ", ";
    }
    const unsigned attr = static_cast<unsigned>(std::strtoul(snapshotField(e, "attr").c_str(), nullptr, 16));
    std::string letters;
    for (auto [bit, letter] : {std::pair{0x01u, 'R'}, {0x02u, 'H'}, {0x04u, 'S'}, {0x20u, 'A'}})
        if (attr & bit)
            letters += letter;
    return out + (letters.empty() ? "-" : letters);
}

} // namespace

void printChanges(std::ostream& out, const std::vector<SnapshotChange>& changes, const std::string& indent,
                  bool values) {
    for (const auto& c : changes) {
        const SnapshotEntry& e = c.op == '-' ? c.before : c.after;
        out << indent << c.op << " " << e.kind << "  " << ansiToUtf8(e.key);
        if (values && c.op == '~')
            out << "  " << readableValue(c.before) << " -> " << readableValue(c.after);
        else if (values && !e.value.empty())
            out << "  " << readableValue(e);
        out << "\n";
    }
}

namespace {

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

int regCommand(Machine& m, const Options& o, const std::vector<std::string>& args) {
    if (args.empty() || (args[0] != "export" && args[0] != "import"))
        return usageError("machine reg: expected export or import");
    auto reg = m.registry();
    if (!reg)
        return failure(reg.error().describe());
    if (args[0] == "export") {
        // REGEDIT4 files are code page 1252, as Windows programs read them;
        // --utf8 converts for reading on a UTF-8 terminal.
        std::vector<std::string> rest;
        bool utf8 = false;
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--utf8")
                utf8 = true;
            else
                rest.push_back(args[i]);
        }
        if (rest.size() > 1)
            return usageError("machine reg export takes at most one key");
        Result<std::string> text = fail(WinError::FileNotFound);
        if (rest.empty()) {
            text = (*reg)->exportText();
        } else {
            std::string key = utf8ToAnsiLossy(rest[0]);
            std::size_t slash = key.find('\\');
            auto root = regRootFromName(key.substr(0, slash));
            if (!root)
                return failure("unknown root key in '" + rest[0] + "' (HKEY_LOCAL_MACHINE, HKLM, ...)");
            text = (*reg)->exportText(*root, slash == std::string::npos ? "" : key.substr(slash + 1));
        }
        if (!text)
            return failure((rest.empty() ? "" : rest[0] + ": ") + text.error().describe());
        std::cout << (utf8 ? ansiToUtf8(*text) : *text);
        return 0;
    }
    if (args.size() != 2)
        return usageError("machine reg import takes one .REG file");
    // A change: not while a run changes the machine.
    auto lock = lockMachine(m, o, nullptr);
    if (!lock)
        return failure(lock.error().describe());
    std::ifstream in(args[1], std::ios::binary);
    if (!in)
        return failure("cannot read " + args[1]);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // .REG files are code page 1252. UTF-8 is taken only where it cannot be
    // mistaken: after a byte order mark, or valid UTF-8 with characters
    // beyond ASCII that code page 1252 can hold.
    const bool bom = text.rfind("\xEF\xBB\xBF", 0) == 0;
    if (bom)
        text.erase(0, 3);
    const bool beyondAscii = std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
    if (bom || beyondAscii)
        if (auto ansi = utf8ToAnsi(text))
            text = *ansi;
    if (auto r = (*reg)->importText(text); !r)
        return failure(args[1] + ": " + r.error().describe());
    return 0;
}

} // namespace

int machineCommand(Options& o) {
    if (o.words.size() < 2)
        return usageError("machine: expected a command: init, show, path, groups, snapshot, diff, reg export or reg import");
    const std::string& sub = o.words[1];
    std::vector<std::string> args(o.words.begin() + 2, o.words.end());
    if (sub == "init")
        return machineInit(o, args);
    if (sub != "show" && sub != "path" && sub != "reg" && sub != "groups" && sub != "snapshot" && sub != "diff")
        return usageError("machine: unknown command '" + sub + "'");
    // Only init makes a machine: a mistyped --machine must not leave a new one behind.
    o.machineOptions.create = false;
    auto opened = Machine::open(o.machine, o.machineOptions);
    if (!opened)
        return failure(opened.error().describe() + "; 'zrvx32 --machine " + o.machine.string() +
                       " machine init' makes one");
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
                std::cout << (i ? ",\n " : "")
                          << ui::JsonWriter::object()
                                 .text("op", std::string(1, c.op))
                                 .text("kind", e.kind)
                                 .text("key", ansiToUtf8(e.key))
                                 .text("before", ansiToUtf8(c.before.value))
                                 .text("after", ansiToUtf8(c.after.value))
                                 .str();
            }
            std::cout << "]\n";
            return 0;
        }
        printChanges(std::cout, changes, "", true);
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
    return regCommand(m, o, args);
}

} // namespace zrv::frontend
