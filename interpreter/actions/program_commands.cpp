// WINEXEC(, WAIT(, EXITWINDOWS(, DLLSELFREGISTER(, DLLSELFUNREGISTER(, GETWINVER(.
#include "interpreter/actions/actions.h"

#include "common/paths.h"
#include "common/system.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/interpreter.h"
#include "interpreter/ui/json.h"
#include "interpreter/ui/ui.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {


int runProgram(Engine& e, const std::string& command, int show, bool wait) {
    return RunProgram(e.machine(), command, show, wait, engine::kProfile,
                      [&e](const std::string& caption, const std::string& text) {
                          ui::MessageBoxRequest box;
                          box.title = caption;
                          box.text = text;
                          box.style = ui::Mb::Ok | ui::Mb::IconInformation;
                          (void)e.ui().messageBox(box);
                      });
}

enum class Registration { Register, Unregister };

int selfRegister(Engine& e, StatementLine& s, Registration what) {
    if (int err = s.expectString(1))
        return err;
    std::string file = s.GetStringParam(1);
    std::int32_t silent = s.param(2) == engine::kTokenNumber ? s.GetNumericParam(2).value() : 1;
    if (!FileExists(e.machine(), file))
        return engine::kErrControlNotFound;
    std::string command = std::string("REGSVR32 ") + (what == Registration::Unregister ? "/u " : "") + (silent ? "/s " : "") + file;
    int started = runProgram(e, command, 5, true);
    return e.SetVariableNumber("ERROR", started < 32 ? 1 : 0);
}

int handleWinExec(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    std::string command = s.GetStringParam(1);
    std::int32_t show = s.param(2) == engine::kTokenNumber ? s.GetNumericParam(2).value() : 5;
    std::int32_t wait = s.param(3) == engine::kTokenNumber ? s.GetNumericParam(3).value() : 0;
    int result = runProgram(e, command, show, wait != 0);
    e.ui().beginWaitCursor();
    return e.SetVariableNumber("ERROR", result);
}

int handleWait(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectNumberToken(2))
        return err;
    std::string title = s.GetStringParam(1);
    auto modeParam = s.GetNumericParam(2);
    if (!modeParam)
        return modeParam.error();
    std::int32_t mode = *modeParam;
    Machine& m = e.machine();
    e.ui().endWaitCursor();
    auto waitWhile = [&](bool present) {
        while (m.hasWindow(title) == present) {
            // Unattended, nothing but the script changes the window list, so the
            // wait could never end: it is given up and recorded instead.
            if (e.ui().unattended()) {
                e.ui().record(ui::transcriptLine("wait", "", ansiToUtf8(title),
                                                 present ? "window stays" : "window never comes")
                                  .number("result", 0)
                                  .str());
                return;
            }
            PumpMessages();
        }
    };
    if (mode == 0 || mode == 2)
        waitWhile(false);
    if (mode == 1 || mode == 2)
        waitWhile(true);
    e.ui().beginWaitCursor();
    return 0;
}

int handleExitWindows(Engine& e, StatementLine& s) {
    if (int err = s.expectNumberToken(1))
        return err;
    std::int32_t mode = s.GetNumericParam(1).value();
    e.scripts().CloseAllScripts();
    e.setExitRequest(mode);
    return 0;
}

int handleGetWinVer(Engine& e, StatementLine& s) {
    if (int err = s.expectVariable(1))
        return err;
    return e.SetVariableNumber(s.name(1), WindowsVersion(e.machine()));
}

int handleDllSelfRegister(Engine& e, StatementLine& s) { return selfRegister(e, s, Registration::Register); }

int handleDllSelfUnRegister(Engine& e, StatementLine& s) { return selfRegister(e, s, Registration::Unregister); }

} // namespace

void registerProgramCommands(Engine& engine) {
    engine.registerHandler(Keyword::WinExec, handleWinExec);
    engine.registerHandler(Keyword::Wait, handleWait);
    engine.registerHandler(Keyword::ExitWindows, handleExitWindows);
    engine.registerHandler(Keyword::DllSelfRegister, handleDllSelfRegister);
    engine.registerHandler(Keyword::DllSelfUnRegister, handleDllSelfUnRegister);
    engine.registerHandler(Keyword::GetWinVer, handleGetWinVer);
}

} // namespace zrv::actions
