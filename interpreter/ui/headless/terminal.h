// The script debugger on a terminal: the debug window's contents as text and
// a command line (step, run, breakpoints, Set Next, listing, variables,
// cancel), for a person running zrvx32 headless over SSH.
#pragma once

#include "interpreter/ui/debugview.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace zrv::ui {

// Line editing and history at a terminal: libedit's readline and add_history,
// where the program has them.
struct LineEditor {
    char* (*readline)(const char* prompt) = nullptr;
    int (*addHistory)(const char* line) = nullptr;
};

class TerminalDebugger {
public:
    // Reads a line after showing a prompt; nullopt at the end of the input.
    using ReadLine = std::function<std::optional<std::string>(const std::string& prompt)>;
    // Lines from `in`, written to `out`, and echoed there unless `in` is a
    // terminal (where the typing shows); at a terminal with an `editor`, the
    // lines come from it.
    TerminalDebugger(std::istream& in, std::ostream& out, bool terminal, const LineEditor* editor = nullptr);

    // Shows the stop and reads commands until one ends it: Step, Run or Cancel.
    // The end of the input is Run, so a closed terminal never stops a run.
    int run(DebugView& view);

    static const char* help();

private:
    void show(const DebugView& view);
    void list(const DebugView& view, std::uint32_t around);
    void variables(const DebugView& view, const std::string& name);

    std::ostream& m_out;
    ReadLine m_read;
    std::string m_last = "s";
};

} // namespace zrv::ui
