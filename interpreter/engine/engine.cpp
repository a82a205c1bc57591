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

std::string format(const char* f, long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

} // namespace

Engine::Engine(Machine& machine, TraceLog& trace, ui::Ui& ui)
    : m_machine(machine), m_trace(trace), m_ui(ui),
      m_vars([&machine](std::string_view name) { return machine.environment(name).value_or(""); }),
      m_scripts(machine, trace), m_programManager(machine) {
    m_scripts.setWarning([this](const std::string& text) { m_ui.warning(text); });
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

std::string Engine::caption(int base) {
    // The country decides the language once, when no SETLANGUAGE( did.
    return m_captions.lookup(base, m_captions.index() < 0 ? CountryCode(m_machine) : 0);
}

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
    std::string blockText;
    while (!m_scripts.empty()) {
        if (m_scripts.ReadNextLine() != 0) {
            if (block)
                return 0; // the end of the script ends a block too
            m_scripts.CloseScript(); // the end of a called file returns to its caller
            continue;
        }
        // A block may change its line (a copy block strips it); the main loop
        // reads the script's own.
        const std::string* line = &m_scripts.currentLine();
        bool goOn = true;
        if (block) {
            blockText = *line;
            goOn = block->prepare(blockText);
            line = &blockText;
        }
        if (m_trace.enabled())
            m_trace.WriteTrace(std::string(block ? block->lineName() : "MLine") + ": '" + *line + "'\r\n");
        if (!goOn)
            return 0;
        if (int err = tokenize(*line, tokens)) {
            if (block)
                return err;
            reportError(err);
            return err;
        }
        // The debugger looks before each statement (not at empty or label lines).
        if (m_debugger.enabled() && tokens.tokens[0] != 0 && tokens.tokens[0] != kTokenLabel &&
            m_debugger.DebugCheck(tokens, block != nullptr) == Debugger::kAbandoned)
            return 0;
        if (block) {
            StatementLine s;
            s.load(tokens, m_strings, m_numbers, m_vars);
            int result = execute(s, block);
            // The report names the block line's parameter, not the statement that opened the block.
            if (result != 0)
                m_failedParameter = s.paramNumber;
            if (result != 0 || block->ended())
                return result;
            continue;
        }
        StatementLine& s = m_statement;
        s.load(tokens, m_strings, m_numbers, m_vars);
        m_failedParameter.reset();
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
    ReplaceAll(text, "%4", format("%ld", m_failedParameter.value_or(m_statement.paramNumber)));
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
    return m_vars.SetVariableNumber("ERROR", waitForDisk(prompt, present) ? 1 : 2);
}

bool Engine::waitForDisk(const std::string& prompt, const std::function<bool()>& present) {
    while (!present() && !changeDisk(present)) {
        ui::MessageBoxRequest box;
        box.kind = "prompt";
        box.title = m_vars.GetVariable("CAPTION");
        box.text = prompt;
        box.style = ui::Mb::OkCancel | ui::Mb::IconExclamation;
        m_ui.endWaitCursor();
        int answer = m_ui.messageBox(box);
        m_ui.beginWaitCursor();
        if (answer != ui::Id::Ok)
            return false;
    }
    return true;
}

int Engine::handleDumpVariables(StatementLine&) {
    m_trace.WriteTrace(m_vars.dump());
    return 0;
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
