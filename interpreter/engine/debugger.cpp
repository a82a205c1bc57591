#include "interpreter/engine/debugger.h"

#include "common/paths.h"
#include "common/trace.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/keywords.h"
#include "interpreter/ui/ui.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

#include <cstdio>

namespace zrv::engine {

void Debugger::SetDebugFile(std::string_view name) {
    std::string file = name.empty() ? std::string("SETUP.DDB") : std::string(name);
    // The profile functions would look for a bare name in the Windows
    // directory; the debug data file belongs where the run starts.
    if (file.find_first_of("\\:") == std::string::npos)
        file = AddBackslash(m_engine.machine().currentDirectory()) + file;
    m_file = std::move(file);
    m_stepping = true;
}

std::string Debugger::breakpointKey(const std::string& file, std::uint32_t line) {
    return file + ":" + std::to_string(line);
}

bool Debugger::breakpoint(const std::string& file, std::uint32_t line) {
    return getPrivateProfileInt(m_engine.machine(), "BreakPoints", breakpointKey(file, line), 0, m_file) != 0;
}

void Debugger::write(const char* section, const std::string& key, const char* value) {
    auto r = writePrivateProfileString(m_engine.machine(), section,
                                       key.empty() ? std::nullopt : std::optional<std::string_view>(key),
                                       value ? std::optional<std::string_view>(value) : std::nullopt, m_file);
    // The run goes on without what could not be stored; the trace says so once.
    if (!r && !m_writeFailed) {
        m_writeFailed = true;
        m_engine.trace().WriteTrace("Debug data file not written: '" + m_file + "': " + r.error().describe() + "\r\n");
    }
}

std::vector<std::string> Debugger::commandList(const TokenLine& tokens) {
    // The pools are read by slot, so listing takes nothing from the statement.
    std::vector<std::string> out{"Parameters"};
    const StringPool& strings = m_engine.strings();
    const NumberPool& numbers = m_engine.numbers();
    for (std::size_t i = 0; i < tokens.length; ++i) {
        const unsigned char t = tokens.tokens[i];
        if (t == kTokenEscape) {
            ++i; // a keyword of two bytes
        } else if (t == kTokenVariable) {
            const std::string& name = strings.at(tokens.slots[i]);
            out.push_back("  " + name + " = '" + m_engine.variables().GetVariable(name) + "'");
        } else if (t == kTokenString) {
            out.push_back("  '" + strings.at(tokens.slots[i]) + "'");
        } else if (t == kTokenNumber) {
            out.push_back("  " + std::to_string(numbers.at(tokens.slots[i])));
        }
    }
    out.push_back("Variables");
    for (std::string& v : m_engine.variables().ListVariables())
        out.push_back(std::move(v));
    return out;
}

Debugger::Check Debugger::DebugCheck(TokenLine& tokens, bool inBlock) {
    if (!enabled())
        return kGoOn;
    ScriptStack& scripts = m_engine.scripts();
    const std::string file = scripts.CurrentScriptPath();
    if (breakpoint(file, scripts.CurrentLineNumber()))
        m_stepping = true;
    if (!m_stepping)
        return kGoOn;
    Machine& machine = m_engine.machine();

    ui::DebugView view;
    view.file = file;
    view.title = "Debug - " + file;
    view.lines = scripts.LineCount();
    view.current = scripts.CurrentLineNumber();
    view.statement = scripts.currentLine();
    int rect[4];
    bool placed = true;
    const char* sides[4] = {"Left", "Top", "Right", "Bottom"};
    for (int k = 0; k < 4; ++k) {
        rect[k] = getPrivateProfileInt(machine, "Window", sides[k], -1, m_file);
        placed = placed && rect[k] >= 0;
    }
    if (placed && rect[2] > rect[0] && rect[3] > rect[1])
        view.rect = ui::Rect{rect[0], rect[1], rect[2], rect[3]};

    ui::DebugView::Source& s = view.source;
    s.text = [&scripts](std::uint32_t n) {
        std::string listed = scripts.ListLine(n);
        if (listed.empty()) {
            char head[16];
            std::snprintf(head, sizeof head, "%04lu  ", static_cast<unsigned long>(n));
            listed = head + scripts.LineText(n).value_or("");
        }
        return listed;
    };
    s.breakpoint = [this, file](std::uint32_t n) { return breakpoint(file, n); };
    s.toggleBreakpoint = [this, file](std::uint32_t n) {
        const std::string key = breakpointKey(file, n);
        write("BreakPoints", key, breakpoint(file, n) ? nullptr : "1");
    };
    s.clearAll = [this] { write("BreakPoints", "", nullptr); };
    s.commands = [this, &tokens] { return commandList(tokens); };
    s.moved = [this](const ui::Rect& r) {
        write("Window", "Top", std::to_string(r.top).c_str());
        write("Window", "Left", std::to_string(r.left).c_str());
        write("Window", "Bottom", std::to_string(r.bottom).c_str());
        write("Window", "Right", std::to_string(r.right).c_str());
    };
    s.setNext = [this, &scripts, &tokens, inBlock](std::uint32_t n) -> std::string {
        if (inBlock)
            return "Set Next works outside copy and object blocks only.";
        auto text = scripts.LineText(n);
        if (!text)
            return "Line " + std::to_string(n) + " is past the end of the script.";
        std::string_view t = *text;
        while (!t.empty() && t.front() == ' ')
            t.remove_prefix(1);
        if (t.empty() || t.front() == ':' || t.substr(0, 2) == "//")
            return "Line " + std::to_string(n) + " holds no statement to run.";
        if (!scripts.GotoLine(n) || scripts.ReadNextLine() != 0)
            return "Line " + std::to_string(n) + " cannot be read.";
        m_engine.trace().WriteTrace("Debug: next line " + std::to_string(n) + ": '" + scripts.currentLine() + "'\r\n");
        if (int err = m_engine.tokenize(scripts.currentLine(), tokens))
            m_engine.setLastError(err);
        return {};
    };

    const int result = m_engine.ui().runDebugger(view);
    if (result == ui::kDebugCancel) {
        m_engine.trace().WriteTrace("Debug: run abandoned at line " + std::to_string(view.current) + " of '" + file +
                                    "'\r\n");
        scripts.CloseAllScripts();
        return kAbandoned;
    }
    if (result == ui::kDebugRun)
        m_stepping = false;
    return kGoOn;
}

} // namespace zrv::engine
