// OPENDEINSTALL(, ADDDEINSTALL(, CLOSEDEINSTALL(): the script that undoes an
// installation, recorded while it runs.
#include "interpreter/actions/actions.h"

#include "common/fileaccess.h"
#include "common/paths.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/interpreter.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

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

struct Deinstall {
    bool open = false;
    std::string script;
    std::array<std::string, 9> temp;

    void close(Engine& e) {
        if (!open)
            return;
        Machine& m = e.machine();
        std::string text = "// Script file for de-installing:\r\n// " + e.variables().GetVariable("APPLICATION") +
                           "\r\n// Do NOT delete or modify.\r\n";
        for (std::size_t i = 0; i < kSections.size(); ++i) {
            text += "\r\n//" + std::string(kSections[i]) + "\r\n";
            auto lines = m.readFile(temp[i]);
            if (lines)
                text += *lines;
            (void)m.deleteFile(temp[i]);
        }
        // Written whole and renamed into place: an interrupted close keeps the old script.
        (void)m.writeFileAtomic(script, text);
        open = false;
    }
};

int handleOpenDeInstall(Engine& e, StatementLine& s, Deinstall& state) {
    if (int err = s.expectString(1))
        return err;
    std::string file = s.GetStringParam(1);
    Machine& m = e.machine();
    // A second open writes out the first script before it starts on the new one.
    state.close(e);
    FileAccess f(m);
    if (f.Open(file, OpenFlag::ReadWrite) != 0 && f.Create(file, OpenFlag::ReadWrite) != 0)
        return static_cast<int>(engine::kErrOpenDeinstall);
    auto full = m.fullPath(file);
    state.script = full ? full->text() : file;
    // Nine numbered files beside the free time-based temporary name.
    std::string base = TempFileName(m, engine::kProfile);
    std::string dir = DirectoryOf(base);
    long first = std::atol(base.substr(dir.size()).c_str()) + 1;
    for (std::size_t i = 0; i < kSections.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%08ld.TMP", first + static_cast<long>(i));
        state.temp[i] = dir + name;
        (void)m.writeFileAtomic(state.temp[i], "");
    }
    std::array<std::string, 9> kept;
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
        if (current >= 0 && kKeptOnOpen[static_cast<std::size_t>(current)])
            kept[static_cast<std::size_t>(current)] += t + "\r\n";
    }
    f.Close();
    for (std::size_t i = 0; i < kSections.size(); ++i)
        if (!kept[i].empty())
            (void)m.writeFileAtomic(state.temp[i], kept[i]);
    state.open = true;
    return 0;
}

int handleAddDeInstall(Engine& e, StatementLine& s, Deinstall& state) {
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
    Machine& m = e.machine();
    const std::string& temp = state.temp[static_cast<std::size_t>(index)];
    auto read = m.readFile(temp);
    std::string existing = read ? *read : std::string();
    if (kSkipDuplicates[static_cast<std::size_t>(index)]) {
        std::size_t start = 0;
        while (start < existing.size()) {
            std::size_t end = existing.find("\r\n", start);
            if (end == std::string::npos)
                end = existing.size();
            if (startsWithNoCase(std::string_view(existing).substr(start, end - start), line))
                return 0;
            start = end + 2;
        }
    }
    (void)m.writeFileAtomic(temp, existing + line + "\r\n");
    return 0;
}

int handleCloseDeInstall(Engine& e, StatementLine&, Deinstall& state) {
    state.close(e);
    return 0;
}

} // namespace

void registerDeinstallCommands(Engine& engine) {
    Deinstall& state = engine.adopt(std::make_unique<Deinstall>());
    engine.onEndOfRun([&state, &engine] { state.close(engine); });

    engine.registerHandler(Keyword::OpenDeInstall, bindState(handleOpenDeInstall, state));
    engine.registerHandler(Keyword::AddDeInstall, bindState(handleAddDeInstall, state));
    engine.registerHandler(Keyword::CloseDeInstall, bindState(handleCloseDeInstall, state));
}

} // namespace zrv::actions
