// REGGETSETTING( ... GETREGISTRYCOUNT(: registry values and shared-file counts.
#include "interpreter/actions/actions.h"

#include "common/paths.h"
#include "common/regaccess.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <memory>

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {

constexpr const char* kSharedDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr int kLocalMachine = 3;
constexpr int kCurrentUser = 2;
constexpr std::size_t kMaxString = 301;

struct SharedRegistration {
    std::string company, application, iniFile;
    bool complete() const { return !company.empty() && !application.empty() && !iniFile.empty(); }
    std::string marksKey() const {
        return "SOFTWARE\\" + company + "\\" + application + "\\SharedFiles";
    }
};

// Checks parameter kinds in order: 'N' numeric, 'S' string, 'V' result variable.
int check(StatementLine& s, std::string_view kinds) {
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        int k = static_cast<int>(i) + 1;
        int err = kinds[i] == 'N'   ? s.expectNumeric(k)
                  : kinds[i] == 'S' ? s.expectString(k)
                                    : s.expectVariable(k);
        if (err)
            return err;
    }
    return 0;
}

// Reads numeric parameter n, naming it in a fault.
int readNumber(StatementLine& s, int n, std::int32_t& out) {
    s.paramNumber = n;
    auto v = s.GetNumericParam(n);
    out = v.value();
    return v.error();
}

// The root, key and name every registry command starts with, after checking
// the kinds of all its parameters.
struct Setting {
    std::int32_t root = 0;
    std::string key, name;
};

int readSetting(StatementLine& s, std::string_view kinds, Setting& out) {
    if (int err = check(s, kinds))
        return err;
    if (int err = readNumber(s, 1, out.root))
        return err;
    out.key = s.GetStringParam(2);
    out.name = s.GetStringParam(3);
    return 0;
}

std::uint32_t count(Machine& m, int root, const std::string& key, const std::string& name) {
    std::uint32_t n = 0;
    ReadRegNumber(m, root, key, name, 0, n);
    return n;
}

int handleRegGetSetting(Engine& e, StatementLine& s) {
    Setting set;
    if (int err = readSetting(s, "NSSSV", set))
        return err;
    std::string def = s.GetStringParam(4);
    std::string result = s.name(5);
    std::string out;
    ReadRegString(e.machine(), set.root, set.key, set.name, def, out, kMaxString);
    return e.SetVariable(result, out);
}

int handleRegWriteSetting(Engine& e, StatementLine& s) {
    Setting set;
    if (int err = readSetting(s, "NSSS", set))
        return err;
    std::string value = s.GetStringParam(4);
    return WriteRegString(e.machine(), set.root, set.key, set.name, value) ? engine::kErrRegistryEntry
                                                                           : 0;
}

int handleRegDeleteSetting(Engine& e, StatementLine& s) {
    Setting set;
    if (int err = readSetting(s, "NSS", set))
        return err;
    if (!set.key.empty())
        (void)DeleteReg(e.machine(), set.root, set.key, set.name);
    return 0;
}

int handleRegGetInt(Engine& e, StatementLine& s) {
    Setting set;
    if (int err = readSetting(s, "NSSNV", set))
        return err;
    std::int32_t def = 0;
    if (int err = readNumber(s, 4, def))
        return err;
    std::string result = s.name(5);
    std::uint32_t out = 0;
    ReadRegNumber(e.machine(), set.root, set.key, set.name, static_cast<std::uint32_t>(def),
                  out);
    return e.SetVariableNumber(result, static_cast<std::int32_t>(out));
}

int handleRegWriteInt(Engine& e, StatementLine& s) {
    Setting set;
    if (int err = readSetting(s, "NSSN", set))
        return err;
    std::int32_t value = 0;
    if (int err = readNumber(s, 4, value))
        return err;
    return WriteRegNumber(e.machine(), set.root, set.key, set.name,
                          static_cast<std::uint32_t>(value))
               ? engine::kErrRegistryEntry
               : 0;
}

int handleSetSharedRegistry(Engine&, StatementLine& s, SharedRegistration& shared) {
    if (int err = check(s, "SSS"))
        return err;
    shared.company = s.GetStringParam(1);
    shared.application = s.GetStringParam(2);
    shared.iniFile = s.GetStringParam(3);
    return 0;
}

// A shared count's read and change as one registry transaction, so a count
// another process changes at the same time is not lost (too low a count lets
// an uninstall delete a file still in use). Without a registry the steps run
// as they are.
template <class Change> void countChange(Machine& m, Change change) {
    bool ran = false;
    if (auto reg = m.registry())
        (void)(*reg)->inTransaction([&]() -> Result<void> {
            ran = true;
            change();
            return {};
        });
    if (!ran)
        change();
}

int handleRegister(Engine& e, StatementLine& s, SharedRegistration& shared) {
    if (int err = s.expectString(1))
        return err;
    std::string file = upperAnsi(s.GetStringParam(1));
    Machine& m = e.machine();
    std::uint32_t n = 0;
    countChange(m, [&] {
        std::uint32_t mark = shared.complete() ? count(m, kCurrentUser, shared.marksKey(), file) : 0;
        n = count(m, kLocalMachine, kSharedDlls, file);
        if (mark != 0)
            return;
        if (shared.complete())
            WriteRegNumber(m, kCurrentUser, shared.marksKey(), file, 1);
        // A file already on the disk without a count has one user.
        if (n == 0 && FileExists(m, file))
            n = 1;
        // Stop at the largest count: one more would read as negative (or
        // zero), and the next UNREGISTER would delete a file still in use.
        if (n < 0x7FFFFFFFu)
            ++n;
        WriteRegNumber(m, kLocalMachine, kSharedDlls, file, n);
    });
    return e.SetVariableNumber("ERROR", static_cast<std::int32_t>(n));
}

int handleUnRegister(Engine& e, StatementLine& s, SharedRegistration& shared) {
    if (int err = s.expectString(1))
        return err;
    std::string file = upperAnsi(s.GetStringParam(1));
    Machine& m = e.machine();
    std::uint32_t n = 0;
    countChange(m, [&] {
        bool marked = true;
        if (shared.complete()) {
            marked = count(m, kCurrentUser, shared.marksKey(), file) != 0;
            DeleteReg(m, kCurrentUser, shared.marksKey(), file);
        }
        n = count(m, kLocalMachine, kSharedDlls, file);
        if (!marked)
            return;
        --n; // a count already at 0 wraps, and shows as a large number
        if (static_cast<std::int32_t>(n) < 1) {
            if (FileExists(m, file))
                (void)m.deleteFile(file);
            DeleteReg(m, kLocalMachine, kSharedDlls, file);
        } else {
            WriteRegNumber(m, kLocalMachine, kSharedDlls, file, n);
        }
    });
    return e.SetVariableNumber("ERROR", static_cast<std::int32_t>(n));
}

int handleGetRegistryCount(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    std::string file = s.GetStringParam(1);
    return e.SetVariableNumber("ERROR", static_cast<std::int32_t>(count(
                                            e.machine(), kLocalMachine, kSharedDlls, file)));
}

} // namespace

void registerRegistryCommands(Engine& engine) {
    SharedRegistration& shared = engine.adopt(std::make_unique<SharedRegistration>());

    engine.registerHandler(Keyword::RegGetSetting, handleRegGetSetting);
    engine.registerHandler(Keyword::RegWriteSetting, handleRegWriteSetting);
    engine.registerHandler(Keyword::RegDeleteSetting, handleRegDeleteSetting);
    engine.registerHandler(Keyword::RegGetInt, handleRegGetInt);
    engine.registerHandler(Keyword::RegWriteInt, handleRegWriteInt);
    engine.registerHandler(Keyword::SetSharedRegistry, bindState(handleSetSharedRegistry, shared));
    engine.registerHandler(Keyword::Register, bindState(handleRegister, shared));
    engine.registerHandler(Keyword::UnRegister, bindState(handleUnRegister, shared));
    engine.registerHandler(Keyword::GetRegistryCount, handleGetRegistryCount);
}

} // namespace zrv::actions
