// A whole run of the interpreter: start-up from the command line, the script,
// and the end of the run in reverse order.
#pragma once

#include "common/trace.h"
#include "interpreter/engine/engine.h"

#include <memory>
#include <string>
#include <string_view>

namespace zrv::engine {

// What the command line says, split as the interpreter splits it.
struct CommandLine {
    std::string script = "SETUP.SCR";
    std::string directory;  // empty when none was given
    bool debug = false;
    std::string breakpoints; // the debugger's file, when debugging
    std::string parameters;
};
// `launcherWindow`: a top-level window titled "Setup" exists.
CommandLine splitCommandLine(std::string_view line, bool launcherWindow);

inline constexpr const char* kProfile = "ZRVX32.INI";

class Interpreter {
public:
    enum Status : int { kEnded = 0, kErrorEnded = 2, kNoScript = 3 };

    Interpreter(Machine& machine, ui::Ui& ui);
    int run(std::string_view commandLine);

    Engine& engine() { return m_engine; }
    TraceLog& trace() { return m_trace; }

private:
    // Closes what the run left open; 0, or the error number of what could not be finished.
    int endOfRun(std::string_view scriptName);

    Machine& m_machine;
    ui::Ui& m_ui;
    TraceLog m_trace;
    Engine m_engine;
};

} // namespace zrv::engine
