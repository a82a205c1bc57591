// MAKEGROUP( ... RELOAD(: Program Manager groups and items over DDE.
#include "interpreter/actions/actions.h"

#include "common/trace.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"

#include <cstdio>

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {


// One conversation for one command string; the outcome goes to the trace log only.
int sendProgmanCommand(Engine& e, const std::string& command) {
    e.trace().WriteTrace("DDE: '" + command + "' - ");
    switch (e.programManager().execute(command)) {
    case DdeOutcome::Ok:
        e.trace().WriteTrace("Ok\r\n");
        return 0;
    case DdeOutcome::Failed:
        e.trace().WriteTrace("Failed\r\n");
        return engine::kErrDde;
    case DdeOutcome::NotConnected:
        e.trace().WriteTrace(std::string(engine::errorText(engine::kErrNoProgramManager).substr(28)) + "\r\n");
        return engine::kErrNoProgramManager;
    }
    return engine::kErrDde;
}

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }
// Paths with a blank go between quotes, others as they are.
std::string pathText(const std::string& text) { return text.find(' ') == std::string::npos ? text : inQuotes(text); }

bool present(unsigned char token) { return token != 0 && token != ')'; }

int handleMakeGroup(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    bool hasFile = present(s.param(2));
    if (hasFile)
        if (int err = s.expectString(2))
            return err;
    std::string name = s.GetStringParam(1);
    std::string file = hasFile ? s.GetStringParam(2) : std::string();
    std::string create = "[CreateGroup(" + inQuotes(name) + (file.empty() ? "" : "," + inQuotes(file)) + ")]";
    (void)sendProgmanCommand(e, create);
    (void)sendProgmanCommand(e, "[ShowGroup(" + inQuotes(name) + ",1)]");
    return 0;
}

int handleDeleteGroup(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    (void)sendProgmanCommand(e, "[DeleteGroup(" + inQuotes(s.GetStringParam(1)) + ")]");
    return 0;
}

int handleShowGroup(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectNumberToken(2))
        return err;
    std::string name = s.GetStringParam(1);
    std::int32_t show = s.GetNumericParam(2).value();
    char buf[32];
    std::snprintf(buf, sizeof buf, ",%d)]", show);
    (void)sendProgmanCommand(e, "[ShowGroup(" + inQuotes(name) + buf);
    return 0;
}

int handleMakeIcon(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectString(2))
        return err;
    std::string title = s.GetStringParam(1);
    std::string program = s.GetStringParam(2);
    // Optional parts count only when they are there, of their kind, and not empty.
    auto optionalText = [&](int k) {
        return StatementLine::isStringToken(s.param(k)) ? s.GetStringParam(k) : std::string();
    };
    std::string args = optionalText(3);
    std::string icon = optionalText(4);
    bool hasIndex = s.param(5) == engine::kTokenNumber;
    std::int32_t index = hasIndex ? s.GetNumericParam(5).value() : 0;
    std::string dir = optionalText(6);
    std::string add = "[AddItem(" + pathText(program);
    if (!args.empty())
        add += " " + args;
    add += "," + inQuotes(title);
    if (!icon.empty() || hasIndex || !dir.empty())
        add += ",";
    if (!icon.empty())
        add += pathText(icon);
    if (hasIndex || !dir.empty())
        add += ",";
    if (hasIndex) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(static_cast<std::uint32_t>(index)));
        add += buf;
    }
    if (!dir.empty())
        add += ",-1,-1," + pathText(dir);
    add += ")]";
    (void)sendProgmanCommand(e, "[DeleteItem(" + inQuotes(title) + ")]");
    (void)sendProgmanCommand(e, add);
    return 0;
}

int handleDeleteIcon(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    (void)sendProgmanCommand(e, "[DeleteItem(" + inQuotes(s.GetStringParam(1)) + ")]");
    return 0;
}

int handleReload(Engine& e, StatementLine& s) {
    s.paramNumber = 1;
    if (!present(s.param(1))) {
        (void)sendProgmanCommand(e, "[Reload()]");
        return 0;
    }
    if (!StatementLine::isStringToken(s.param(1)))
        return static_cast<int>(engine::kErrInvalidParameters);
    (void)sendProgmanCommand(e, "[Reload(" + inQuotes(s.GetStringParam(1)) + ")]");
    return 0;
}

// Accepted and ignored: the shell keeps its groups as folders, not group files.
int handleMakeGroupFromFile(Engine&, StatementLine&) { return 0; }

} // namespace

void registerProgramManagerCommands(Engine& engine) {
    engine.registerHandler(Keyword::MakeGroup, handleMakeGroup);
    engine.registerHandler(Keyword::DeleteGroup, handleDeleteGroup);
    engine.registerHandler(Keyword::ShowGroup, handleShowGroup);
    engine.registerHandler(Keyword::MakeIcon, handleMakeIcon);
    engine.registerHandler(Keyword::DeleteIcon, handleDeleteIcon);
    engine.registerHandler(Keyword::Reload, handleReload);
    engine.registerHandler(Keyword::MakeGroupFromFile, handleMakeGroupFromFile);
}

} // namespace zrv::actions
