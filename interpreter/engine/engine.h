// The execution of a script: the statement line and the handler contract, the
// dispatcher, the execution loop, the control-flow statements, expressions and
// the numbered error reports.
#pragma once

#include "interpreter/engine/captions.h"
#include "interpreter/engine/debugger.h"
#include "interpreter/engine/keywords.h"
#include "interpreter/engine/script.h"
#include "interpreter/engine/statement.h"
#include "interpreter/engine/tokenizer.h"
#include "interpreter/engine/variables.h"
#include "platform/machine/diskchanger.h"
#include "platform/machine/machine.h"
#include "platform/shell/progman.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

class Engine;
using Handler = std::function<int(Engine&, StatementLine&)>;

// A run of lines a statement reads for itself: a copy block, an object's
// definition. The execution loop reads, traces and tokenizes its lines as it
// does every line, and hands each statement to the block, which runs it or
// leaves it to Engine::statement.
class Block {
public:
    virtual ~Block() = default;
    // How the trace names its lines ("DLine", "CLine").
    virtual const char* lineName() const = 0;
    // The line as read; false ends the block once the line is traced.
    virtual bool prepare(std::string& line) {
        (void)line;
        return true;
    }
    // Runs the statement at s.pos; 0 or an error number, which ends the block.
    virtual int statement(Engine& engine, StatementLine& s) = 0;
    virtual bool ended() const = 0;
};

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
    // What a group of statements keeps for the run, owned here with its handlers.
    template <class T> T& adopt(std::unique_ptr<T> state) {
        std::shared_ptr<void> kept(std::move(state));
        m_states.push_back(kept);
        return *static_cast<T*>(kept.get());
    }

    int SetVariable(std::string_view name, std::string_view value) { return m_vars.SetVariable(name, value); }
    int SetVariableNumber(std::string_view name, std::int32_t n) { return m_vars.SetVariableNumber(name, n); }
    // The error number last reported (the number an error report shows).
    int lastError() const { return m_lastError; }
    void setLastError(int number) { m_lastError = number; }
    // The values of the statement tokenized last, by slot.
    const StringPool& strings() const { return m_strings; }
    const NumberPool& numbers() const { return m_numbers; }
    Debugger& debugger() { return m_debugger; }

    // Tokenizes a line into the current pools.
    int tokenize(std::string_view line, TokenLine& out);
    // The keyword of the statement at s.pos, which moves past it; -1 for none.
    static int statementKeyword(StatementLine& s);
    // Runs the one statement at s.pos through the handler table.
    int statement(StatementLine& s);
    // The execution loop: until the stack is empty or an untrapped error. Returns
    // 0, or the error number that ended it.
    int run();
    // The same loop over the lines of a block, until it ends, the script ends
    // or a statement fails (whose error number it returns).
    int runBlock(Block& block);
    // Jumps to a label of the current script file (a name without its colon).
    int gotoLabel(std::string_view name);
    // Shows an error as the message box of an error report.
    void reportError(int number);
    // The short form for errors before the loop runs.
    void reportStartupError(int number, std::string_view scriptName);
    std::string errorMessage(int number);

    // Work the end of the run must finish (an open de-install script), in
    // order; each gives 0 or the error number of what it could not finish.
    void onEndOfRun(std::function<int()> step) { m_endOfRun.push_back(std::move(step)); }
    // The first error of the steps (all of them run).
    int runEndOfRun() {
        int first = 0;
        for (auto& step : m_endOfRun)
            if (int err = step(); err && !first)
                first = err;
        return first;
    }

    // A disk changer on A: over these disks (the first is in the drive).
    void setDisks(std::vector<DriveMapping> disks) { m_disks = DiskChanger(std::move(disks)); }
    // When a prompt asks for a disk: inserts the first disk for which `wanted`
    // holds and says so in the transcript; false (the drive as it was) when none does.
    bool changeDisk(const std::function<bool()>& wanted);
    // Prompts for a disk until `present` holds, a disk changer trying its disks
    // first; false when the person cancels.
    bool waitForDisk(const std::string& prompt, const std::function<bool()>& present);

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
    int loop(Block* block);
    // Runs the statement at s.pos and any that a condition lets follow it,
    // each offered to the block first when there is one.
    int execute(StatementLine& s, Block* block);

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
    std::optional<int> m_failedParameter; // of the block line that failed, for its report
    int m_trap = 0;
    int m_show = 1;
    int m_exitRequest = -1;
    std::vector<std::function<int()>> m_endOfRun;
    DiskChanger m_disks;
    Debugger m_debugger{*this};
    std::vector<std::shared_ptr<void>> m_states;
};

} // namespace zrv::engine
