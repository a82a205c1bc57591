#include "interpreter/engine/interpreter.h"

#include "common/paths.h"
#include "common/system.h"
#include "common/text.h"
#include "interpreter/engine/errors.h"
#include "interpreter/ui/json.h"
#include "interpreter/ui/ui.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

namespace zrv::engine {

CommandLine splitCommandLine(std::string_view line, bool launcherWindow) {
    CommandLine out;
    // Three words at blanks, the rest as the fourth.
    std::array<std::string, 4> words;
    std::size_t i = 0;
    for (int w = 0; w < 4; ++w) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        if (w == 3) {
            words[3] = std::string(line.substr(i));
            break;
        }
        std::size_t end = line.find(' ', i);
        if (end == std::string_view::npos)
            end = line.size();
        words[static_cast<std::size_t>(w)] = std::string(line.substr(i, end - i));
        i = end;
    }
    if (words[0].empty())
        return out;
    out.script = words[0];
    int used = 1;
    if (startsWithNoCase(words[1], "/DIR:")) {
        out.directory = words[1].substr(5);
        ++used;
    } else if (launcherWindow && !words[1].empty()) {
        out.directory = words[1];
        ++used;
    }
    for (int w = 0; w < 3; ++w) {
        const std::string& word = words[static_cast<std::size_t>(w)];
        if (w == 1 && used > 1)
            continue; // word 2 was the directory
        if (!startsWithNoCase(word, "/DEBUG"))
            continue;
        if (!out.debug)
            ++used;
        out.debug = true;
        out.breakpoints = word.size() <= 7 ? std::string("SETUP.DDB") : word.substr(7);
    }
    std::string params;
    for (int w = used; w < 4; ++w)
        params += words[static_cast<std::size_t>(w)] + " ";
    StripText(params, 'R', " ");
    out.parameters = params;
    return out;
}

Interpreter::Interpreter(Machine& machine, ui::Ui& ui)
    : m_machine(machine), m_ui(ui), m_trace(machine), m_engine(machine, m_trace, ui) {
    m_trace.setApplication(kProfile, "Setup");
    m_trace.setFailureHandler([this](const std::string& message) {
        ui::MessageBoxRequest box;
        box.title = "Setup";
        box.text = message;
        (void)m_ui.messageBox(box);
    });
    setMessagePump([this] { m_ui.pumpMessages(); });
    m_ui.setExpander([this](const std::string& text) { return m_engine.variables().ExpandNames(text); });
}

int Interpreter::run(std::string_view commandLine) {
    m_engine.setExitRequest(-1);
    (void)getPrivateProfileInt(m_machine, "Application", "3dControls", 1, kProfile);
    m_ui.setScreenSize(m_machine.screenWidth(), m_machine.screenHeight());
    m_ui.createMainWindow("Setup");
    CommandLine cmd = splitCommandLine(commandLine, m_machine.hasWindow("Setup"));
    if (!cmd.directory.empty())
        (void)ChangeDirectory(m_machine, cmd.directory);
    m_trace.WriteTrace("Running: '" + cmd.script + "'  Directory: '" + cmd.directory + "'  Debug: '" +
                       cmd.breakpoints + "'  Params: '" + cmd.parameters + "'\r\n");
    m_ui.beginWaitCursor();
    ScriptStack& scripts = m_engine.scripts();
    scripts.setDebugging(cmd.debug, kProfile);
    if (cmd.debug)
        m_engine.debugger().SetDebugFile(cmd.breakpoints);
    if (int err = scripts.OpenScript(cmd.script)) {
        m_machine.closeWindow("Setup");
        m_ui.endWaitCursor();
        m_engine.reportStartupError(err == kErrOpenScript ? kErrOpenMainScript : err, cmd.script);
        (void)endOfRun(cmd.script);
        return kNoScript;
    }
    (void)RegisterDaoDirectory(m_machine);

    VariableTable& v = m_engine.variables();
    std::string cwd = AddBackslash(m_machine.currentDirectory());
    std::string system = AddBackslash(upperAnsi(m_machine.systemDirectory()));
    std::string system16 = system;
    std::size_t at = upperAnsi(system16).find("\\SYSTEM32\\");
    if (at != std::string::npos) {
        std::string candidate = system16;
        candidate.replace(at, 10, "\\SYSTEM\\");
        auto files = m_machine.findFiles(candidate + "*.*");
        bool hasFile = false;
        if (files)
            for (const FileInfo& f : *files)
                hasFile = hasFile || !f.isDirectory();
        if (hasFile)
            system16 = candidate;
    }
    (void)v.SetVariable("ERROR", "0");
    (void)v.SetVariable("CAPTION", "Setup");
    (void)v.SetVariable("WINDOWSDIRECTORY", AddBackslash(m_machine.windowsDirectory()));
    (void)v.SetVariable("CURRENTDIRECTORY", cwd);
    (void)v.SetVariable("CURRENTDRIVE", cwd.substr(0, 2));
    (void)v.SetVariable("SYSTEMDIRECTORY", system16);
    (void)v.SetVariable("SYSTEM32DIRECTORY", system);
    // Where a start program would have placed the interpreter on the machine.
    (void)v.SetVariable("PROGRAMFILE", AddBackslash(m_machine.windowsDirectory()) + "ZRVX32.EXE");
    (void)v.SetVariable("DAOPATH", AddBackslash(DaoDirectory(m_machine)));
    (void)v.SetVariable("SCRIPTFILE", scripts.CurrentScriptPath());
    (void)v.SetVariable("PARAMETERS", cmd.parameters);

    int result = m_engine.run();
    if (int unfinished = endOfRun(cmd.script))
        result = unfinished;
    return result == 0 ? kEnded : kErrorEnded;
}

int Interpreter::endOfRun(std::string_view scriptName) {
    m_engine.scripts().CloseAllScripts();
    // What the run left open and could not finish (a de-install script that
    // could not be written) fails the run: it is not a success.
    int unfinished = m_engine.runEndOfRun();
    if (unfinished)
        m_engine.reportStartupError(unfinished, scriptName);
    m_ui.endWaitCursor();
    m_ui.destroyMainWindow();
    m_machine.closeWindow("Setup");
    if (m_engine.exitRequested()) {
        // Never carried out on the host: recorded for whoever runs the machine.
        int mode = m_engine.exitRequest();
        const char* what = mode == 0 ? "log off" : "restart";
        m_trace.WriteTrace(std::string("Exit request: ") + what + "\r\n");
        m_ui.record(ui::transcriptLine("exitwindows", "", "", what).number("result", mode).str());
    }
    return unfinished;
}

} // namespace zrv::engine
