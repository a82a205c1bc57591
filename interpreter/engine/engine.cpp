#include "interpreter/engine/engine.h"

#include "common/paths.h"
#include "common/system.h"
#include "common/text.h"
#include "common/trace.h"
#include "interpreter/engine/errors.h"
#include "interpreter/ui/json.h"
#include "interpreter/ui/ui.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <climits>
#include <cstdio>

namespace zrv::engine {

namespace {

unsigned char codeOf(Keyword k) {
    auto i = static_cast<std::size_t>(k);
    return static_cast<unsigned char>(0x80 + (i < kOneByteKeywords ? i : i - kOneByteKeywords));
}

bool isComparison(unsigned char b) {
    return b >= codeOf(Keyword::Equal) && b <= codeOf(Keyword::Less);
}

bool compare(unsigned char op, int c) {
    switch (static_cast<Keyword>(op - 0x80)) {
    case Keyword::Equal: return c == 0;
    case Keyword::NotEqual: return c != 0;
    case Keyword::GreaterEqual: return c >= 0;
    case Keyword::LessEqual: return c <= 0;
    case Keyword::Greater: return c > 0;
    case Keyword::Less: return c < 0;
    default: return false;
    }
}

// lstrcmpA orders words without regard to case first; only equal words are
// then told apart by case, lower case first.
int lstrcmpAnsi(std::string_view a, std::string_view b) {
    if (int c = compareNoCase(a, b))
        return c < 0 ? -1 : 1;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] == b[i])
            continue;
        bool lowerA = toLowerAnsi(a[i]) == a[i];
        return lowerA ? -1 : 1;
    }
    return 0;
}

std::string format(const char* f, long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

bool startsAsNumber(std::string_view v, bool digitAfterMinus) {
    if (v.empty())
        return false;
    if (v[0] >= '0' && v[0] <= '9')
        return true;
    if (v[0] != '-')
        return false;
    return !digitAfterMinus || (v.size() > 1 && v[1] >= '0' && v[1] <= '9');
}

} // namespace

Engine::Engine(Machine& machine, TraceLog& trace, ui::Ui& ui)
    : m_machine(machine), m_trace(trace), m_ui(ui),
      m_vars([&machine](std::string_view name) { return machine.environment(name).value_or(""); }),
      m_scripts(machine, trace), m_programManager(machine) {
    m_vars.setCaptionKeys([this](std::string_view key) -> std::optional<std::string> {
        if (auto base = Captions::baseOfKey(key))
            return caption(*base);
        return std::nullopt;
    });
    auto bind = [this](Keyword k, int (Engine::*h)(StatementLine&)) {
        registerHandler(k, [h](Engine& e, StatementLine& s) { return (e.*h)(s); });
    };
    bind(Keyword::Set, &Engine::handleSet);
    bind(Keyword::If, &Engine::handleIf);
    bind(Keyword::Goto, &Engine::handleGoto);
    bind(Keyword::Call, &Engine::handleCall);
    bind(Keyword::Exit, &Engine::handleExit);
    bind(Keyword::Stop, &Engine::handleStop);
    bind(Keyword::Skip, &Engine::handleSkip);
    bind(Keyword::TrapError, &Engine::handleTrapError);
    bind(Keyword::Release, &Engine::handleRelease);
    bind(Keyword::CheckLabel, &Engine::handleCheckLabel);
    bind(Keyword::DumpVariables, &Engine::handleDumpVariables);
    bind(Keyword::Strip, &Engine::handleStrip);
    bind(Keyword::Replace, &Engine::handleReplace);
    bind(Keyword::AddChar, &Engine::handleAddChar);
    bind(Keyword::SetLanguage, &Engine::handleSetLanguage);
    bind(Keyword::MessageBox, &Engine::handleMessageBox);
    // Block statements outside their blocks.
    for (Keyword k : {Keyword::EndCopyFile, Keyword::UpdateGauge, Keyword::SetGaugeText, Keyword::EndObject})
        registerHandler(k, [](Engine&, StatementLine&) { return 0; });
    for (Keyword k : {Keyword::CreateControl, Keyword::SetFocus})
        registerHandler(k, [](Engine&, StatementLine&) { return static_cast<int>(kErrOutsideObject); });
}

std::string Engine::caption(int base) { return m_captions.lookup(base, m_machine.countryCode()); }

void Engine::registerHandler(Keyword keyword, Handler handler) {
    m_handlers[static_cast<std::size_t>(keyword)] = std::move(handler);
}

// ---------------------------------------------------------------------------
// Tokenizing, dispatch and the loop

int Engine::tokenize(std::string_view line, TokenLine& out) {
    return Tokenize(out, line, m_strings, m_numbers, [this](std::string_view name) { return m_vars.GetVariable(name); });
}

int Engine::statementKeyword(StatementLine& s) {
    unsigned char b = s.at(s.pos++);
    std::size_t index;
    if (b == kTokenEscape) {
        unsigned char next = s.at(s.pos++);
        if (next < 0x80)
            return -1;
        index = kOneByteKeywords + (next - 0x80);
    } else if (b >= 0x80 && b < kTokenLabel) {
        index = b - 0x80;
    } else {
        return -1;
    }
    return index < kKeywordCount ? static_cast<int>(index) : -1;
}

int Engine::statement(StatementLine& s) {
    int keyword = statementKeyword(s);
    if (keyword < 0 || !m_handlers[static_cast<std::size_t>(keyword)])
        return kErrInvalidCommand;
    int result = m_handlers[static_cast<std::size_t>(keyword)](*this, s);
    if (keyword == static_cast<int>(Keyword::If))
        m_trace.WriteTrace(s.continueFlag ? "IF Successful\r\n" : "IF Unsuccessful\r\n");
    return result;
}

int Engine::execute(StatementLine& s, Block* block) {
    int result = 0;
    s.continueFlag = true;
    while (s.continueFlag) {
        s.continueFlag = false;
        result = block ? block->statement(*this, s) : statement(s);
    }
    return result;
}

int Engine::run() { return loop(nullptr); }

int Engine::runBlock(Block& block) { return loop(&block); }

// The one loop every line of a script passes through. A block's lines get a
// statement line of their own, so the statement that opened the block keeps
// its own (an error it reports names its parameter).
int Engine::loop(Block* block) {
    TokenLine blockLine;
    TokenLine& tokens = block ? blockLine : m_tokenLine;
    while (!m_scripts.empty()) {
        if (m_scripts.ReadNextLine() != 0) {
            if (block)
                return 0; // the end of the script ends a block too
            m_scripts.CloseScript(); // the end of a called file returns to its caller
            continue;
        }
        std::string line = m_scripts.currentLine();
        const bool goOn = !block || block->prepare(line);
        if (m_trace.enabled())
            m_trace.WriteTrace(std::string(block ? block->lineName() : "MLine") + ": '" + line + "'\r\n");
        if (!goOn)
            return 0;
        if (int err = tokenize(line, tokens)) {
            if (block)
                return err;
            reportError(err);
            return err;
        }
        if (block) {
            StatementLine s;
            s.load(tokens, m_strings, m_numbers, m_vars);
            int result = execute(s, block);
            if (result != 0 || block->ended())
                return result;
            continue;
        }
        StatementLine& s = m_statement;
        s.load(tokens, m_strings, m_numbers, m_vars);
        // An empty line and a label line do nothing.
        int result = s.tokens[0] == 0 || s.tokens[0] == kTokenLabel ? 0 : execute(s, nullptr);
        if (result == 0)
            continue;
        if (m_show)
            reportError(result);
        if (m_trap) {
            (void)m_vars.SetVariableNumber("ERROR", result - 9999);
            continue;
        }
        return result;
    }
    return 0;
}

int Engine::gotoLabel(std::string_view name) { return m_scripts.FindLabel(":" + std::string(name)); }

std::string Engine::errorMessage(int number) {
    std::string text(errorText(number).substr(0, 500));
    ReplaceAll(text, "%1", format("%02ld", number - 9999));
    ReplaceAll(text, "%2", format("%lu", static_cast<long>(m_scripts.CurrentLineNumber())));
    ReplaceAll(text, "%3", lowerAnsi(m_scripts.CurrentScriptPath()));
    ReplaceAll(text, "%4", format("%ld", m_statement.paramNumber));
    return text + "\n\n" + m_scripts.currentLine();
}

void Engine::reportError(int number) {
    m_ui.endWaitCursor();
    m_machine.closeWindow("Setup");
    m_lastError = number;
    ui::MessageBoxRequest box;
    box.kind = "error";
    box.title = "Setup";
    box.text = errorMessage(number);
    box.style = ui::Mb::Ok | ui::Mb::IconExclamation;
    box.errorNumber = number;
    (void)m_ui.messageBox(box);
    m_ui.beginWaitCursor();
}

void Engine::reportStartupError(int number, std::string_view scriptName) {
    std::string text(errorText(number).substr(0, 255));
    ReplaceAll(text, "%1", format("%ld", number - 9999));
    ReplaceAll(text, "%2", "0");
    ReplaceAll(text, "%3", scriptName);
    ui::MessageBoxRequest box;
    box.kind = "error";
    box.title = "Setup";
    box.text = text;
    box.style = ui::Mb::Ok;
    box.errorNumber = number;
    (void)m_ui.messageBox(box);
}

// ---------------------------------------------------------------------------
// Control flow

int Engine::handleGoto(StatementLine& s) {
    s.paramNumber = 1;
    if (s.param(1) != kTokenLabel)
        return kErrInvalidLabel;
    return gotoLabel(s.name(1));
}

int Engine::handleCall(StatementLine& s) {
    if (int e = s.expectString(1))
        return e;
    std::string name = s.GetStringParam(1);
    int r = m_scripts.OpenScript(name);
    if (r == 0)
        r = m_vars.SetVariable("SCRIPTFILE", m_scripts.CurrentScriptPath());
    return r;
}

int Engine::handleExit(StatementLine&) {
    m_scripts.CloseScript();
    if (!m_scripts.empty())
        return m_vars.SetVariable("SCRIPTFILE", m_scripts.CurrentScriptPath());
    return 0;
}

int Engine::handleStop(StatementLine&) {
    m_scripts.CloseAllScripts();
    return 0;
}

int Engine::handleSkip(StatementLine& s) {
    if (int e = s.expectNumeric(1))
        return e;
    auto n = s.GetNumericParam(1);
    if (!n)
        return n.error();
    for (std::int32_t i = 0; i < *n; ++i)
        if (m_scripts.ReadNextLine() != 0)
            break;
    return 0;
}

int Engine::handleTrapError(StatementLine& s) {
    if (int e = s.expectNumeric(1))
        return e;
    if (int e = s.expectNumeric(2))
        return e;
    s.paramNumber = 1;
    auto trap = s.GetNumericParam(1);
    if (!trap)
        return trap.error();
    s.paramNumber = 2;
    auto show = s.GetNumericParam(2);
    if (!show)
        return show.error();
    m_trap = *trap;
    m_show = *show;
    return 0;
}

int Engine::handleRelease(StatementLine&) {
    m_ui.endWaitCursor();
    PumpMessages();
    m_ui.beginWaitCursor();
    return 0;
}

bool Engine::changeDisk(const std::function<bool()>& wanted) {
    auto disk = m_disks.insert(m_machine, wanted);
    if (!disk)
        return false;
    m_ui.record(ui::transcriptLine("disk", "A:", "", ansiToUtf8(disk->label)).number("result", 1).str());
    return true;
}

int Engine::handleCheckLabel(StatementLine& s) {
    for (int k = 1; k <= 3; ++k)
        if (int e = s.expectString(k))
            return e;
    std::string drive = s.GetStringParam(1);
    std::string label = upperAnsi(s.GetStringParam(2));
    std::string prompt = s.GetStringParam(3);
    auto present = [&] {
        std::string found;
        std::string root = drive.empty() ? std::string() : std::string(1, drive[0]) + ":\\";
        return VolumeLabel(m_machine, root, found) == 0 && found == label;
    };
    for (;;) {
        if (present() || changeDisk(present))
            return m_vars.SetVariableNumber("ERROR", 1);
        ui::MessageBoxRequest box;
        box.kind = "prompt";
        box.title = m_vars.GetVariable("CAPTION");
        box.text = prompt;
        box.style = ui::Mb::OkCancel | ui::Mb::IconExclamation;
        m_ui.endWaitCursor();
        int answer = m_ui.messageBox(box);
        m_ui.beginWaitCursor();
        if (answer != ui::Id::Ok)
            return m_vars.SetVariableNumber("ERROR", 2);
    }
}

int Engine::handleDumpVariables(StatementLine&) {
    m_trace.WriteTrace(m_vars.dump());
    return 0;
}

// ---------------------------------------------------------------------------
// Expressions

int Engine::textFunction(StatementLine& s, Keyword function, const std::string& target) {
    std::size_t p = s.pos + 3; // the first argument, after V, '=' and the function
    auto numberAt = [&](std::size_t at, int param, int lo, int hi, std::int32_t& out) -> int {
        s.paramNumber = param;
        auto v = s.numberAt(at);
        if (!v)
            return v.error();
        out = *v;
        if (out < lo || out > hi)
            return kErrSubscript;
        return 0;
    };
    auto stringAt = [&](std::size_t at, int param, std::string& out) -> int {
        s.paramNumber = param;
        // A string written as such is taken as written.
        unsigned char t = s.at(at);
        if (!StatementLine::isStringToken(t))
            return static_cast<int>(kErrStringParam);
        out = s.stringAt(at, t == kTokenString ? Expand::No : Expand::Names);
        return 0;
    };
    std::string text;
    std::int32_t n = 0, start = 0;
    switch (function) {
    case Keyword::Left:
    case Keyword::Right: {
        if (int e = stringAt(p, 3, text))
            return e;
        if (int e = numberAt(p + 2, 4, 0, 254, n))
            return e;
        std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), text.size());
        return m_vars.SetVariable(target, function == Keyword::Left ? text.substr(0, count)
                                                                    : text.substr(text.size() - count));
    }
    case Keyword::Mid: {
        if (int e = stringAt(p, 3, text))
            return e;
        if (int e = numberAt(p + 2, 4, 0, 254, start))
            return e;
        if (int e = numberAt(p + 4, 5, 0, 254, n))
            return e;
        std::size_t from = static_cast<std::size_t>(start == 0 ? 0 : start - 1);
        return m_vars.SetVariable(target, from >= text.size() ? std::string() : text.substr(from, static_cast<std::size_t>(n)));
    }
    case Keyword::Ucase:
    case Keyword::Lcase:
        if (int e = stringAt(p, 3, text))
            return e;
        return m_vars.SetVariable(target, function == Keyword::Ucase ? upperAnsi(text) : lowerAnsi(text));
    case Keyword::Instr: {
        if (int e = numberAt(p, 3, 1, 255, start))
            return e;
        std::string find;
        if (int e = stringAt(p + 2, 4, text))
            return e;
        if (int e = stringAt(p + 4, 5, find))
            return e;
        std::int32_t at = 0;
        if (static_cast<std::size_t>(start) <= text.size()) {
            std::size_t hit = text.find(find, static_cast<std::size_t>(start - 1));
            at = hit == std::string::npos ? 0 : static_cast<std::int32_t>(hit + 1);
        }
        return m_vars.SetVariableNumber(target, at);
    }
    case Keyword::Len:
        if (int e = stringAt(p, 3, text))
            return e;
        return m_vars.SetVariableNumber(target, static_cast<std::int32_t>(text.size()));
    case Keyword::Not: {
        s.paramNumber = 3;
        auto v = s.numberAt(p);
        if (!v)
            return v.error();
        return m_vars.SetVariableNumber(target, *v == 0 ? 1 : 0);
    }
    default: return kErrInvalidParameters;
    }
}

int Engine::handleSet(StatementLine& s) {
    s.paramNumber = 1;
    if (s.at(s.pos) != kTokenVariable || s.at(s.pos + 1) != '=')
        return kErrMissingVariable;
    s.paramNumber = 2;
    const std::string name = s.nameAt(s.pos);
    std::size_t p = s.pos + 2;
    unsigned char first = s.at(p);
    int r = 0;
    if (first == kTokenString) {
        r = m_vars.SetVariable(name, s.nameAt(p));
    } else if (first == kTokenVariable) {
        r = m_vars.SetVariable(name, s.stringAt(p));
    } else if (first == kTokenNumber) {
        r = m_vars.SetVariableNumber(name, *s.numberAt(p));
    } else if (first >= codeOf(Keyword::Left) && first <= codeOf(Keyword::Len)) {
        return textFunction(s, static_cast<Keyword>(first - 0x80), name);
    } else if (first == codeOf(Keyword::Not)) {
        return textFunction(s, Keyword::Not, name);
    } else {
        return kErrInvalidParameters;
    }
    if (r)
        return r;
    ++p;
    auto operand = [&](std::size_t at, std::int32_t& out) -> int {
        auto v = s.numberAt(at);
        out = v.value();
        return v.error();
    };
    unsigned char op = s.at(p);
    if ((first == kTokenNumber || first == kTokenVariable) &&
        (op == codeOf(Keyword::And) || op == codeOf(Keyword::Or) || op == codeOf(Keyword::Xor))) {
        std::string stored = m_vars.GetVariable(name);
        if (!startsAsNumber(stored, false))
            return kErrNumericParam;
        std::int32_t rhs = 0;
        if (int e = operand(p + 1, rhs))
            return e;
        std::uint32_t a = static_cast<std::uint32_t>(toNumber(stored)), b = static_cast<std::uint32_t>(rhs);
        std::uint32_t v = op == codeOf(Keyword::And) ? (a & b) : op == codeOf(Keyword::Or) ? (a | b) : (a ^ b);
        if (int e = m_vars.SetVariableNumber(name, static_cast<std::int32_t>(v)))
            return e;
        p += 2;
        op = s.at(p);
    }
    if (op == 0)
        return 0;
    ++s.paramNumber;
    std::string stored = m_vars.GetVariable(name);
    if (!startsAsNumber(stored, true))
        return kErrNumericParam;
    std::int64_t a = toNumber(stored);
    std::int32_t rhs = 0;
    if (int e = operand(p + 1, rhs))
        return e;
    std::int64_t v;
    switch (op) {
    case '*': v = a * rhs; break;
    case '+': v = a + rhs; break;
    case '-': v = a - rhs; break;
    case '/':
        // A zero divisor, or the one quotient that does not fit, is reported as
        // an invalid numeric parameter rather than ending the program.
        if (rhs == 0 || (a == INT32_MIN && rhs == -1))
            return kErrNumericParam;
        v = a / rhs;
        break;
    default: return kErrArithmeticOperator;
    }
    return m_vars.SetVariableNumber(name, static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
}

int Engine::handleIf(StatementLine& s) {
    unsigned char t = s.at(s.pos);
    bool holds = false;
    std::size_t next = 0;
    auto numeric = [&](std::size_t at, std::int32_t& out) -> int {
        auto v = s.numberAt(at);
        out = v.value();
        return v.error();
    };
    auto par = [](long a, long b) { return "Par1: " + format("%ld", a) + "  Par2: " + format("%ld", b) + "\r\n"; };
    if (t == kTokenNumber || t == kTokenVariable) {
        std::int32_t a = 0, b = 0;
        s.paramNumber = 1;
        if (int e = numeric(s.pos, a))
            return e;
        unsigned char op = s.at(s.pos + 1);
        s.paramNumber = 2;
        if (int e = numeric(s.pos + 2, b))
            return e;
        const bool tracing = m_trace.enabled();
        if (tracing)
            m_trace.WriteTrace("Numeric Comparision\r\n" + par(a, b));
        unsigned char cmp = op;
        std::int32_t left = a, right = b;
        next = s.pos + 3;
        if (op == codeOf(Keyword::And) || op == codeOf(Keyword::Or) || op == codeOf(Keyword::Xor)) {
            std::uint32_t ua = static_cast<std::uint32_t>(a), ub = static_cast<std::uint32_t>(b);
            left = static_cast<std::int32_t>(op == codeOf(Keyword::And) ? (ua & ub) : op == codeOf(Keyword::Or) ? (ua | ub) : (ua ^ ub));
            s.paramNumber = 3;
            cmp = s.at(s.pos + 3);
            if (int e = numeric(s.pos + 4, right))
                return e;
            if (tracing)
                m_trace.WriteTrace("Logical op\r\n" + par(left, right));
            next = s.pos + 5;
        }
        if (!isComparison(cmp))
            return kErrComparisonOperator;
        holds = compare(cmp, left < right ? -1 : left > right ? 1 : 0);
    } else if (t == kTokenString) {
        s.paramNumber = 1;
        std::string a = s.stringAt(s.pos);
        unsigned char cmp = s.at(s.pos + 1);
        s.paramNumber = 2;
        if (!StatementLine::isStringToken(s.at(s.pos + 2)))
            return kErrStringParam;
        std::string b = s.stringAt(s.pos + 2);
        if (!isComparison(cmp))
            return kErrComparisonOperator;
        if (m_trace.enabled())
            m_trace.WriteTrace("String Comparision\r\nPar1: '" + a + "'  Par2: '" + b + "'\r\n");
        holds = compare(cmp, lstrcmpAnsi(a, b));
        next = s.pos + 3;
    } else {
        s.paramNumber = 1;
        return kErrComparisonValue;
    }
    if (m_trace.enabled())
        m_trace.WriteTrace(holds ? "Result: True\r\n" : "Result: False\r\n");
    if (!holds)
        return 0;
    s.continueFlag = true;
    s.pos = next;
    return 0;
}

int Engine::handleStrip(StatementLine& s) {
    if (int e = s.expectVariable(1))
        return e;
    if (int e = s.expectString(2))
        return e;
    const std::string name = s.name(1);
    std::string strip = s.GetStringParam(2);
    std::string mode = "R";
    if (StatementLine::isStringToken(s.param(3))) {
        s.paramNumber = 3;
        mode = s.GetStringParam(3);
    }
    std::string value = m_vars.GetVariable(name);
    if (!mode.empty())
        StripText(value, mode[0], strip);
    return m_vars.SetVariable(name, value);
}

int Engine::handleReplace(StatementLine& s) {
    if (int e = s.expectVariable(1))
        return e;
    if (int e = s.expectString(2))
        return e;
    if (int e = s.expectString(3))
        return e;
    const std::string name = s.name(1);
    std::string find = s.GetStringParam(2);
    std::string with = s.GetStringParam(3);
    std::string value = m_vars.GetVariable(name);
    ReplaceAll(value, find, with);
    return m_vars.SetVariable(name, value);
}

int Engine::handleAddChar(StatementLine& s) {
    if (int e = s.expectVariable(1))
        return e;
    if (int e = s.expectString(2))
        return e;
    const std::string name = s.name(1);
    std::string text = s.GetStringParam(2);
    std::string value = m_vars.GetVariable(name);
    if (value.size() >= text.size() && value.compare(value.size() - text.size(), text.size(), text) == 0)
        return 0;
    return m_vars.SetVariable(name, value + text);
}

int Engine::handleSetLanguage(StatementLine& s) {
    if (int e = s.expectString(1))
        return e;
    return m_captions.setLanguage(upperAnsi(s.GetStringParam(1))) ? 0 : kErrUnsupportedLanguage;
}

int Engine::handleMessageBox(StatementLine& s) {
    if (int e = s.expectString(1))
        return e;
    if (int e = s.expectString(2))
        return e;
    for (int k = 3; k <= 4; ++k) {
        s.paramNumber = k;
        if (s.param(k) != kTokenNumber)
            return kErrNumericParam;
    }
    ui::MessageBoxRequest box;
    box.text = s.GetStringParam(1);
    box.title = s.GetStringParam(2);
    auto buttons = static_cast<std::uint32_t>(s.GetNumericParam(3).value());
    auto icon = static_cast<std::uint32_t>(s.GetNumericParam(4).value());
    box.style = buttons | icon;
    m_ui.endWaitCursor();
    int answer = m_ui.messageBox(box);
    m_ui.beginWaitCursor();
    return m_vars.SetVariableNumber("ERROR", answer);
}

} // namespace zrv::engine
