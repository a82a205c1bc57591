// The execution of a script: the statement line and the handler contract, the
// dispatcher, the execution loop, the control-flow statements, expressions and
// the numbered error reports.
#pragma once

#include "interpreter/engine/captions.h"
#include "interpreter/engine/keywords.h"
#include "interpreter/engine/script.h"
#include "interpreter/engine/tokenizer.h"
#include "interpreter/engine/variables.h"
#include "platform/machine/diskchanger.h"
#include "platform/machine/machine.h"
#include "platform/shell/progman.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {
class Machine;
class TraceLog;
namespace ui {
class Ui;
}
} // namespace zrv

namespace zrv::engine {

struct StatementLine {
    std::array<unsigned char, kMaxLineLength + 1> tokens{};
    std::size_t pos = 0;     // next token byte
    int paramNumber = 0;     // shown as %4
    bool continueFlag = false;

    unsigned char at(std::size_t i) const { return i < tokens.size() ? tokens[i] : 0; }
    // The token byte of parameter k (1-based) of the current statement.
    unsigned char param(int k) const { return at(pos + 2 * static_cast<std::size_t>(k - 1)); }
};

class Engine;
using Handler = std::function<int(Engine&, StatementLine&)>;

class Engine {
public:
    Engine(Machine& machine, TraceLog& trace, ui::Ui& ui);

    Machine& machine() { return m_machine; }
    TraceLog& trace() { return m_trace; }
    ui::Ui& ui() { return m_ui; }
    VariableTable& variables() { return m_vars; }
    ScriptStack& scripts() { return m_scripts; }
    Captions& captions() { return m_captions; }
    // The DDE client's partner: the machine's Program Manager.
    ProgramManager& programManager() { return m_programManager; }
    std::string caption(int base);

    // Later parts of the interpreter add their statements here.
    void registerHandler(Keyword keyword, Handler handler);

    // --- The handler contract ---
    static bool isStringToken(unsigned char t) { return t == kTokenString || t == kTokenVariable; }
    static bool isNumericToken(unsigned char t) { return t == kTokenNumber || t == kTokenVariable; }
    // Sets the parameter number and checks the kind: 0, 10019, 10020 or 10021.
    int expectString(StatementLine& s, int k);
    int expectNumeric(StatementLine& s, int k);
    int expectVariable(StatementLine& s, int k);
    // A number written as such (no variable), else 10020.
    int expectNumberToken(StatementLine& s, int k);
    // A variable to receive a result, else 10003.
    int expectResultVariable(StatementLine& s, int k);
    std::string GetStringParam(const StatementLine& s, int k, bool expand = true);
    std::int32_t GetNumericParam(const StatementLine& s, int k);
    std::string takeName() { return m_strings.take(); }
    int SetVariable(std::string_view name, std::string_view value) { return m_vars.SetVariable(name, value); }
    int SetVariableNumber(std::string_view name, std::int32_t n) { return m_vars.SetVariableNumber(name, n); }
    int lastError() const { return m_lastError; }

    // Tokenizes a line into the current pools; handlers that read lines of their
    // own use it too.
    int tokenize(std::string_view line, TokenLine& out);
    int dispatch(const TokenLine& line);
    // The keyword of the statement at s.pos, which moves past it; -1 for none.
    static int statementKeyword(StatementLine& s);
    // Runs the statement at s.pos and any that a condition lets follow it.
    int execute(StatementLine& s);
    StatementLine& statement() { return m_statement; }
    const Handler& handlerOf(Keyword k) const { return m_handlers[static_cast<std::size_t>(k)]; }
    // The execution loop: until the stack is empty or an untrapped error. Returns
    // 0, or the error number that ended it.
    int run();
    // Shows an error as the message box of an error report.
    void reportError(int number);
    // The short form for errors before the loop runs.
    void reportStartupError(int number, std::string_view scriptName);
    std::string errorMessage(int number);

    // Work the end of the run must finish (an open de-install script), in order.
    void onEndOfRun(std::function<void()> step) { m_endOfRun.push_back(std::move(step)); }
    void runEndOfRun() {
        for (auto& step : m_endOfRun)
            step();
    }

    // A disk changer on A: over these disks (the first is in the drive).
    void setDisks(std::vector<DriveMapping> disks) { m_disks = DiskChanger(std::move(disks)); }
    // When a prompt asks for a disk: inserts the first disk for which `wanted`
    // holds and says so in the transcript; false (the drive as it was) when none does.
    bool changeDisk(const std::function<bool()>& wanted);

    bool inCopyBlock() const { return m_copyBlock; }
    void setCopyBlock(bool on) { m_copyBlock = on; }
    bool exitRequested() const { return m_exitRequest != -1; }
    int exitRequest() const { return m_exitRequest; }
    void setExitRequest(int mode) { m_exitRequest = mode; }

private:
    int handleSet(StatementLine& s);
    int handleIf(StatementLine& s);
    int handleGoto(StatementLine& s);
    int handleCall(StatementLine& s);
    int handleExit(StatementLine& s);
    int handleStop(StatementLine& s);
    int handleSkip(StatementLine& s);
    int handleTrapError(StatementLine& s);
    int handleRelease(StatementLine& s);
    int handleCheckLabel(StatementLine& s);
    int handleDumpVariables(StatementLine& s);
    int handleStrip(StatementLine& s);
    int handleReplace(StatementLine& s);
    int handleAddChar(StatementLine& s);
    int handleSetLanguage(StatementLine& s);
    int handleMessageBox(StatementLine& s);
    int textFunction(StatementLine& s, Keyword function, const std::string& target);
    std::string stringArgument(StatementLine& s, int k, int& error);

    Machine& m_machine;
    TraceLog& m_trace;
    ui::Ui& m_ui;
    VariableTable m_vars;
    ScriptStack m_scripts;
    Captions m_captions;
    ProgramManager m_programManager;
    StringPool m_strings;
    NumberPool m_numbers;
    TokenLine m_tokenLine;
    StatementLine m_statement;
    std::array<Handler, kKeywordCount> m_handlers;
    int m_lastError = 0;
    int m_trap = 0;
    int m_show = 1;
    bool m_copyBlock = false;
    int m_exitRequest = -1;
    std::vector<std::function<void()>> m_endOfRun;
    DiskChanger m_disks;
};

} // namespace zrv::engine
