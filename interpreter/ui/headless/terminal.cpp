#include "interpreter/ui/headless/terminal.h"

#include "platform/base/ansi.h"

#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <sstream>

namespace zrv::ui {

namespace {

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t'))
        s.pop_back();
    std::size_t start = s.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : s.substr(start);
}

// A line number after a command letter, or `fallback` when none is given.
std::optional<std::uint32_t> number(std::istringstream& words, std::optional<std::uint32_t> fallback) {
    std::string word;
    if (!(words >> word))
        return fallback;
    char* end = nullptr;
    unsigned long n = std::strtoul(word.c_str(), &end, 10);
    if (word.empty() || *end != 0 || n == 0 || n > 0xFFFFFFFFul)
        return std::nullopt;
    return static_cast<std::uint32_t>(n);
}

} // namespace

TerminalDebugger::TerminalDebugger(std::istream& in, std::ostream& out, bool terminal, const LineEditor* editor)
    : m_out(out) {
    if (terminal && editor && editor->readline && editor->addHistory) {
        m_read = [editor = *editor](const std::string& prompt) -> std::optional<std::string> {
            char* line = editor.readline(prompt.c_str());
            if (!line)
                return std::nullopt;
            std::string text(line);
            std::free(line);
            if (!trimmed(text).empty())
                editor.addHistory(text.c_str());
            return text;
        };
    } else {
        // At a terminal the person's typing shows already; elsewhere the
        // line read is echoed so the output reads as a session.
        m_read = [&in, &out, echo = !terminal](const std::string& prompt) -> std::optional<std::string> {
            out << prompt << std::flush;
            std::string line;
            if (!std::getline(in, line))
                return std::nullopt;
            if (echo)
                out << line << "\n";
            return line;
        };
    }
}

const char* TerminalDebugger::help() {
    return "  s          step: run this statement and stop at the next\n"
           "  r          run on to the next breakpoint\n"
           "  b N        set or clear the breakpoint of line N (default: this line)\n"
           "  B          clear all breakpoints\n"
           "  n N        Set Next: line N is the next statement to run\n"
           "  l [N]      list the lines around N (default: this line)\n"
           "  p [NAME]   the statement's parameters and the variables (or one)\n"
           "  q          cancel: end the run here; this statement does not run\n"
           "  h          this help; Enter repeats the last command\n";
}

void TerminalDebugger::list(const DebugView& view, std::uint32_t around) {
    const std::uint32_t first = around > 5 ? around - 5 : 1;
    const std::uint32_t last = std::min<std::uint32_t>(view.lines, first + 10);
    for (std::uint32_t n = first; n <= last; ++n) {
        const DebugView::LineState s = view.state(n);
        const char* mark = n == view.current ? (s == DebugView::LineState::Breakpoint ? "*>" : "=>")
                           : s == DebugView::LineState::Breakpoint ? "* "
                                                                   : "  ";
        m_out << mark << " " << ansiToUtf8(view.text(n)) << "\n";
    }
}

void TerminalDebugger::variables(const DebugView& view, const std::string& name) {
    const std::string wanted = upperAnsi(name);
    for (const std::string& c : view.commands()) {
        if (!wanted.empty()) {
            // "  NAME = 'value'" lines only, the one asked for.
            const std::string t = trimmed(c);
            if (upperAnsi(t.substr(0, t.find(' '))) != wanted)
                continue;
        }
        m_out << ansiToUtf8(c) << "\n";
    }
}

void TerminalDebugger::show(const DebugView& view) {
    m_out << ansiToUtf8(view.title) << "   line " << view.current << " of " << view.lines << "\n";
    list(view, view.current);
}

int TerminalDebugger::run(DebugView& view) {
    show(view);
    for (;;) {
        auto line = m_read("debug> ");
        if (!line) {
            m_out << "\n(end of input: run)\n";
            return kDebugRun;
        }
        std::string command = trimmed(*line);
        if (command.empty())
            command = m_last;
        m_last = command;
        std::istringstream words(command);
        std::string verb;
        words >> verb;
        if (verb == "s" || verb == "step")
            return kDebugStep;
        if (verb == "r" || verb == "run")
            return kDebugRun;
        if (verb == "q" || verb == "quit" || verb == "cancel")
            return kDebugCancel;
        if (verb == "h" || verb == "help" || verb == "?") {
            m_out << help();
        } else if (verb == "b") {
            auto n = number(words, view.current);
            if (!n || *n > view.lines) {
                m_out << "no such line (1 to " << view.lines << ")\n";
                continue;
            }
            view.toggleBreakpoint(*n);
            m_out << "breakpoint " << (view.state(*n) == DebugView::LineState::Breakpoint ? "set" : "cleared")
                  << " at line " << *n << "\n";
        } else if (verb == "B") {
            view.clearAll();
            m_out << "all breakpoints cleared\n";
        } else if (verb == "n") {
            auto n = number(words, std::nullopt);
            if (!n) {
                m_out << "n takes a line number\n";
                continue;
            }
            if (view.setNext(*n))
                list(view, view.current);
            else
                m_out << ansiToUtf8(view.message) << "\n";
        } else if (verb == "l") {
            auto n = number(words, view.current);
            if (!n)
                m_out << "l takes a line number\n";
            else
                list(view, *n);
        } else if (verb == "p") {
            std::string name;
            words >> name;
            variables(view, name);
        } else {
            m_out << "unknown command '" << command << "'; h lists them\n";
        }
    }
}

} // namespace zrv::ui
