// DELETE( ... GETBACKUPNAME(, and GETMODULEINUSE(: files and directories.
#include "interpreter/actions/actions.h"

#include "common/fileaccess.h"
#include "common/paths.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {


int setError(Engine& e, bool ok) { return e.SetVariableNumber("ERROR", ok ? 0 : 1); }

void setCurrentVariables(Engine& e) {
    std::string cwd = AddBackslash(e.machine().currentDirectory());
    (void)e.SetVariable("CURRENTDIRECTORY", cwd);
    (void)e.SetVariable("CURRENTDRIVE", cwd.substr(0, 2));
}

int handleDelete(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    return e.SetVariableNumber("ERROR", DeleteFiles(e.machine(), s.GetStringParam(1)));
}

int handleRename(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectString(2))
        return err;
    std::string from = s.GetStringParam(1), to = s.GetStringParam(2);
    return setError(e, e.machine().moveFile(from, to).ok());
}

int handleMkDir(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    return setError(e, MakeDirectoryPath(e.machine(), s.GetStringParam(1)) == kDirCreated);
}

int handleRmDir(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    return setError(e, e.machine().removeDirectory(s.GetStringParam(1)).ok());
}

int handleChDir(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    std::string path = s.GetStringParam(1);
    while (!path.empty() && path.front() == ' ')
        path.erase(0, 1);
    while (!path.empty() && path.back() == ' ')
        path.pop_back();
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    bool ok = ChangeDirectory(e.machine(), path);
    int r = setError(e, ok);
    setCurrentVariables(e);
    return r;
}

int handleIsWriteable(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    std::string dir = s.GetStringParam(1);
    if (dir.size() > 2 && dir.back() != '\\')
        dir += '\\';
    std::string probe = dir + "SETUP.TST";
    auto f = e.machine().openFile(probe, Access::ReadWrite, Disposition::CreateAlways);
    bool ok = f.ok();
    if (ok) {
        f->close();
        (void)e.machine().deleteFile(probe);
    }
    return e.SetVariableNumber("ERROR", ok ? 1 : 0);
}

int handleFindInPath(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectVariable(2))
        return err;
    std::string name = s.GetStringParam(1);
    std::string result = s.name(2);
    Machine& m = e.machine();
    std::optional<std::string> found;
    if (name.find_first_of("\\:") == std::string::npos && FileExists(m, name))
        found = AddBackslash(m.currentDirectory()) + name;
    else
        found = FindInPath(m, name);
    if (int r = e.SetVariable(result, found.value_or("")))
        return r;
    return e.SetVariableNumber("ERROR", found ? 1 : 0);
}

int handleAppendFile(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectString(2))
        return err;
    std::string text = s.GetStringParam(1), file = s.GetStringParam(2);
    FileAccess f(e.machine());
    bool found = false;
    if (FileExists(e.machine(), file)) {
        if (f.Open(file, OpenFlag::ReadWrite) != 0)
            return static_cast<int>(engine::kErrSourceNotFound);
        std::string line;
        while (!found && f.ReadLine(line) == 0)
            found = line == text;
    } else if (f.Create(file, OpenFlag::ReadWrite) != 0) {
        return static_cast<int>(engine::kErrCreateTarget);
    }
    if (!found) {
        f.Seek(0, 2);
        f.WriteLine(text);
    }
    return 0;
}

int handleGetBackupName(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectResultVariable(2))
        return err;
    std::string file = s.GetStringParam(1);
    std::string result = s.name(2);
    std::string backup;
    // A name without an extension has no backup name: the variable is cleared.
    if (BackupName(e.machine(), file, backup) != 0)
        backup.clear();
    return e.SetVariable(result, backup);
}

int handleGetModuleInUse(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    return e.SetVariableNumber("ERROR", e.machine().isModuleLoaded(s.GetStringParam(1)) ? 1 : 0);
}

} // namespace

void registerFileCommands(Engine& engine) {
    engine.registerHandler(Keyword::Delete, handleDelete);
    engine.registerHandler(Keyword::Rename, handleRename);
    engine.registerHandler(Keyword::MkDir, handleMkDir);
    engine.registerHandler(Keyword::RmDir, handleRmDir);
    engine.registerHandler(Keyword::ChDir, handleChDir);
    engine.registerHandler(Keyword::IsWriteable, handleIsWriteable);
    engine.registerHandler(Keyword::FindInPath, handleFindInPath);
    engine.registerHandler(Keyword::AppendFile, handleAppendFile);
    engine.registerHandler(Keyword::GetBackupName, handleGetBackupName);
    engine.registerHandler(Keyword::GetModuleInUse, handleGetModuleInUse);
}

} // namespace zrv::actions
