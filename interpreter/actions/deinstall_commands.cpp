// OPENDEINSTALL(, ADDDEINSTALL(, CLOSEDEINSTALL(): the script that undoes an
// installation, recorded while it runs.
#include "interpreter/actions/actions.h"

#include "common/fileaccess.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/interpreter.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <array>
#include <memory>
#include <set>

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {

constexpr std::size_t kMaxDeinstallLine = 299;

constexpr std::array<const char*, 9> kSections = {"$STARTUP$", "$PREDEINSTALL$", "$UNPROTECT$",   "$OLEUNREGISTER$",
                                                  "$FILES$",   "$PMGROUP$",      "$USERSCRIPT$", "$DIRECTORIES$",
                                                  "$CLEANUP$"};
// Sections where a line that is already there is not added again.
constexpr std::array<bool, 9> kSkipDuplicates = {false, true, true, true, true, true, false, true, false};
// Sections whose lines an upgrade keeps.
constexpr std::array<bool, 9> kKeptOnOpen = {false, false, true, true, true, true, false, false, false};

std::string trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text.substr(0, kMaxDeinstallLine));
}

// The sections are held in memory until the script is written whole at
// closing: a run that dies or fails part way leaves the earlier script as it
// was, two runs cannot mix their lines, and nothing is left behind to clean.
struct Deinstall {
    struct Section {
        std::string text; // lines, each ending in CR LF
        // Upper-cased lines in order, for the "already begins with" test of the
        // sections that skip repeated lines.
        std::set<std::string> sorted;
    };
    bool open = false;
    std::string script;
    std::array<Section, 9> sections;

    // A section that skips repeats holds a line beginning with `line`
    // (without regard to case): the smallest line not below it tells.
    static bool begins(const Section& s, std::string_view line) {
        std::string upper = upperAnsi(line);
        auto it = s.sorted.lower_bound(upper);
        return it != s.sorted.end() && it->compare(0, upper.size(), upper) == 0;
    }
    static void add(Section& s, std::string_view line, bool index) {
        s.text.append(line);
        s.text += "\r\n";
        if (index)
            s.sorted.insert(upperAnsi(line));
    }

    // 0, or the error number of a script that could not be written (the
    // earlier one then stays whole).
    int close(Engine& e) {
        if (!open)
            return 0;
        open = false;
        Machine& m = e.machine();
        std::string text = "// Script file for de-installing:\r\n// " + e.variables().GetVariable("APPLICATION") +
                           "\r\n// Do NOT delete or modify.\r\n";
        for (std::size_t i = 0; i < kSections.size(); ++i) {
            text += "\r\n//" + std::string(kSections[i]) + "\r\n";
            text += sections[i].text;
            sections[i] = {};
        }
        // Written whole and renamed into place: a failed write keeps the old script.
        if (auto r = m.writeFileAtomic(script, text); !r) {
            e.trace().WriteTrace("De-install script not written: '" + script + "': " + r.error().describe() + "\r\n");
            return writeError(r.error());
        }
        return 0;
    }
};

int handleOpenDeInstall(Engine& e, StatementLine& s, Deinstall& state) {
    if (int err = s.expectString(1))
        return err;
    std::string file = s.GetStringParam(1);
    Machine& m = e.machine();
    // A second open writes out the first script before it starts on the new one.
    if (int err = state.close(e))
        return err;
    FileAccess f(m);
    if (f.Open(file, OpenFlag::ReadWrite) != 0 && f.Create(file, OpenFlag::ReadWrite) != 0)
        return static_cast<int>(engine::kErrOpenDeinstall);
    auto full = m.fullPath(file);
    state.script = full ? full->text() : file;
    int current = -1;
    std::string line;
    while (f.ReadLine(line) == 0) {
        std::string t = trimmed(line);
        if (t.empty())
            continue;
        int section = -1;
        for (std::size_t i = 0; i < kSections.size() && section < 0; ++i)
            if (t.find(kSections[i]) != std::string::npos)
                section = static_cast<int>(i);
        if (section >= 0) {
            current = section;
            continue;
        }
        const auto c = static_cast<std::size_t>(current);
        if (current >= 0 && kKeptOnOpen[c])
            Deinstall::add(state.sections[c], t, kSkipDuplicates[c]);
    }
    f.Close();
    state.open = true;
    return 0;
}

int handleAddDeInstall(Engine&, StatementLine& s, Deinstall& state) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectString(2))
        return err;
    std::string section = upperAnsi(trimmed(s.GetStringParam(1)));
    std::string line = trimmed(s.GetStringParam(2));
    if (!state.open)
        return static_cast<int>(engine::kErrNotOpen);
    int index = -1;
    for (std::size_t i = 0; i < kSections.size() && index < 0; ++i)
        if (startsWithNoCase(section, kSections[i]))
            index = static_cast<int>(i);
    if (index < 0)
        return static_cast<int>(engine::kErrSection);
    const auto i = static_cast<std::size_t>(index);
    if (kSkipDuplicates[i] && Deinstall::begins(state.sections[i], line))
        return 0;
    Deinstall::add(state.sections[i], line, kSkipDuplicates[i]);
    return 0;
}

int handleCloseDeInstall(Engine& e, StatementLine&, Deinstall& state) { return state.close(e); }

} // namespace

void registerDeinstallCommands(Engine& engine) {
    Deinstall& state = engine.adopt(std::make_unique<Deinstall>());
    engine.onEndOfRun([&state, &engine] { return state.close(engine); });

    engine.registerHandler(Keyword::OpenDeInstall, bindState(handleOpenDeInstall, state));
    engine.registerHandler(Keyword::AddDeInstall, bindState(handleAddDeInstall, state));
    engine.registerHandler(Keyword::CloseDeInstall, bindState(handleCloseDeInstall, state));
}

} // namespace zrv::actions
