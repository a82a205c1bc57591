// The script debugger: with a debug data file named at start-up (/DEBUG), it
// stops before the first statement and at every breakpoint, shows the debug
// window through the interface, and steps, runs on, moves the next statement
// or abandons the run as the person chooses. Breakpoints and the window's
// place live in the debug data file, an INI file.
#pragma once

#include "interpreter/engine/tokenizer.h"
#include "interpreter/ui/debugview.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zrv::engine {

class Engine;

class Debugger {
public:
    explicit Debugger(Engine& engine) : m_engine(engine) {}

    // The debug data file; a name without a folder lies in the current
    // directory, and an empty one is SETUP.DDB there. Turns the debugger on.
    void SetDebugFile(std::string_view name);
    bool enabled() const { return !m_file.empty(); }
    const std::string& debugFile() const { return m_file; }

    enum Check { kGoOn = 1, kAbandoned = 2 };
    // Before the statement in `tokens` (the line the file stack just read)
    // runs: stops when stepping or at a breakpoint. Set Next may put another
    // line's statement into `tokens`. kAbandoned: the person cancelled, every
    // script file is closed and the statement must not run. Set Next is only
    // offered outside blocks (`inBlock`), whose lines the block prepares.
    Check DebugCheck(TokenLine& tokens, bool inBlock);

    // The key of a breakpoint: the file as the file stack holds it, and the line.
    static std::string breakpointKey(const std::string& file, std::uint32_t line);
    bool breakpoint(const std::string& file, std::uint32_t line);

private:
    std::vector<std::string> commandList(const TokenLine& tokens);
    void write(const char* section, const std::string& key, const char* value);

    Engine& m_engine;
    std::string m_file;
    bool m_stepping = true;
    bool m_writeFailed = false;
};

} // namespace zrv::engine
