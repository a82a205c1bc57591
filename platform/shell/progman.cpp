#include "platform/shell/progman.h"

#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/shell/programs.h"

#include <cstdlib>

namespace zrv {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

DdeArgument argument(std::string_view raw) {
    raw = trim(raw);
    DdeArgument a{std::string(raw), std::string(raw)};
    // Quotes inside a quoted name stay part of it: MAKEGROUP( and DELETEGROUP(
    // of the same name then meet the same group.
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
        a.text = std::string(raw.substr(1, raw.size() - 2));
    return a;
}

constexpr std::size_t kMaxCommandText = 64 * 1024;

} // namespace

Result<std::vector<DdeCommand>> parseDdeCommands(std::string_view text) {
    if (text.size() > kMaxCommandText)
        return fail(WinError::InvalidParameter, "command string too long");
    std::vector<DdeCommand> out;
    std::size_t i = 0;
    auto bad = [](const std::string& why) { return fail(WinError::BadFormat, why); };
    while (true) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
            ++i;
        if (i >= text.size())
            break;
        if (text[i] != '[')
            return bad("'[' expected");
        ++i;
        std::size_t nameStart = i;
        while (i < text.size() && text[i] != '(' && text[i] != ']')
            ++i;
        DdeCommand cmd;
        cmd.name = std::string(trim(text.substr(nameStart, i - nameStart)));
        if (cmd.name.empty())
            return bad("a command needs a name");
        if (i < text.size() && text[i] == '(') {
            ++i;
            std::size_t argStart = i;
            bool quoted = false;
            bool closed = false;
            for (; i < text.size(); ++i) {
                char c = text[i];
                if (c == '"') {
                    quoted = !quoted;
                } else if (!quoted && c == ',') {
                    cmd.args.push_back(argument(text.substr(argStart, i - argStart)));
                    argStart = i + 1;
                } else if (!quoted && c == ')') {
                    std::string_view last = text.substr(argStart, i - argStart);
                    if (!cmd.args.empty() || !trim(last).empty())
                        cmd.args.push_back(argument(last));
                    closed = true;
                    ++i;
                    break;
                }
            }
            if (!closed)
                return bad(quoted ? "unterminated quotes" : "')' expected");
        }
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size() || text[i] != ']')
            return bad("']' expected");
        ++i;
        out.push_back(std::move(cmd));
    }
    if (out.empty())
        return bad("no command");
    return out;
}

std::string fileNameFor(std::string_view title) {
    std::string out;
    for (char c : title) {
        auto u = static_cast<unsigned char>(c);
        out += (u < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) ? '_' : c;
    }
    while (!out.empty() && (out.back() == '.' || out.back() == ' '))
        out.pop_back();
    return out.empty() ? std::string("_") : out;
}

std::string ProgramManager::programsFolder() const { return m_machine.windowsDirectory() + "\\Start Menu\\Programs"; }

std::string ProgramManager::groupFolder(const std::string& name) const {
    return programsFolder() + "\\" + fileNameFor(name);
}

DdeOutcome ProgramManager::execute(std::string_view command) {
    if (!m_machine.programManagerRunning())
        return DdeOutcome::NotConnected;
    auto commands = parseDdeCommands(command);
    if (!commands)
        return DdeOutcome::Failed;
    for (const DdeCommand& c : *commands)
        if (!run(c))
            return DdeOutcome::Failed;
    return DdeOutcome::Ok;
}

bool ProgramManager::run(const DdeCommand& c) {
    auto arg = [&](std::size_t i) -> const std::string& {
        static const std::string empty;
        return i < c.args.size() ? c.args[i].text : empty;
    };
    if (equalNoCase(c.name, "CreateGroup")) {
        if (arg(0).empty())
            return false;
        std::string folder = groupFolder(arg(0));
        if (!m_machine.isDirectory(folder)) {
            if (!m_machine.isDirectory(programsFolder()) && !m_machine.createDirectory(programsFolder()))
                return false;
            if (!m_machine.createDirectory(folder))
                return false;
        }
        m_active = arg(0);
        return true;
    }
    if (equalNoCase(c.name, "ShowGroup")) {
        if (arg(0).empty() || !m_machine.isDirectory(groupFolder(arg(0))))
            return false;
        m_active = arg(0);
        return true;
    }
    if (equalNoCase(c.name, "DeleteGroup")) {
        std::string folder = groupFolder(arg(0));
        if (arg(0).empty() || !m_machine.isDirectory(folder))
            return false;
        auto entries = m_machine.findFiles(folder + "\\*.*");
        if (entries)
            for (const FileInfo& f : *entries)
                if (!f.isDirectory())
                    (void)m_machine.deleteFile(folder + "\\" + f.name);
        if (!m_machine.removeDirectory(folder))
            return false;
        if (equalNoCase(m_active, arg(0)))
            m_active.clear();
        return true;
    }
    if (equalNoCase(c.name, "AddItem")) {
        if (m_active.empty() || c.args.empty() || c.args[0].raw.empty())
            return false;
        // The command line: a program (quoted when it holds blanks), then arguments.
        std::string_view line = c.args[0].raw;
        ShellLink link;
        if (line.front() == '"') {
            std::size_t close = line.find('"', 1);
            if (close == std::string_view::npos)
                return false;
            link.target = std::string(line.substr(1, close - 1));
            link.arguments = std::string(trim(line.substr(close + 1)));
        } else {
            std::size_t blank = line.find(' ');
            link.target = std::string(line.substr(0, blank));
            if (blank != std::string_view::npos)
                link.arguments = std::string(trim(line.substr(blank + 1)));
        }
        // A bare program name is stored as the full path the shell finds it at,
        // as Windows links hold it (the program starter's search order).
        if (link.target.find_first_of("\\:") == std::string::npos)
            if (auto found = ProgramRunner(m_machine).resolve(link.target))
                link.target = *found;
        std::string title = arg(1);
        if (title.empty()) {
            std::string base = link.target.substr(link.target.find_last_of("\\:") == std::string::npos
                                                      ? 0
                                                      : link.target.find_last_of("\\:") + 1);
            title = base.substr(0, base.rfind('.'));
        }
        link.description = title;
        link.iconFile = arg(2);
        link.iconIndex = arg(3).empty() ? 0 : std::atoi(arg(3).c_str());
        link.workingDirectory = arg(6);
        if (arg(8) == "1")
            link.showCommand = 7; // minimised
        std::string folder = groupFolder(m_active);
        if (!m_machine.isDirectory(folder))
            return false;
        return m_machine.writeFileAtomic(folder + "\\" + fileNameFor(title) + ".lnk", writeShellLink(link)).ok();
    }
    if (equalNoCase(c.name, "DeleteItem")) {
        if (m_active.empty() || arg(0).empty())
            return false;
        std::string folder = groupFolder(m_active);
        std::string file = folder + "\\" + fileNameFor(arg(0)) + ".lnk";
        if (m_machine.deleteFile(file))
            return true;
        // Items made elsewhere may be named differently: match their titles too.
        for (const Group& g : groups()) {
            if (!equalNoCase(g.name, fileNameFor(m_active)))
                continue;
            for (const Item& item : g.items)
                if (equalNoCase(item.link.description, arg(0)))
                    return m_machine.deleteFile(folder + "\\" + item.title + ".lnk").ok();
        }
        return false;
    }
    if (equalNoCase(c.name, "Reload"))
        return arg(0).empty() || m_machine.isDirectory(groupFolder(arg(0)));
    return false;
}

std::vector<ProgramManager::Group> ProgramManager::groups() {
    std::vector<Group> out;
    auto folders = m_machine.findFiles(programsFolder() + "\\*.*");
    if (!folders)
        return out;
    for (const FileInfo& f : *folders) {
        if (!f.isDirectory() || f.name == "." || f.name == "..")
            continue;
        Group g;
        g.name = f.name;
        auto items = m_machine.findFiles(programsFolder() + "\\" + f.name + "\\*.lnk");
        if (items) {
            for (const FileInfo& i : *items) {
                auto bytes = m_machine.readFile(programsFolder() + "\\" + f.name + "\\" + i.name);
                if (!bytes)
                    continue;
                auto link = readShellLink(*bytes);
                if (link)
                    g.items.push_back({i.name.substr(0, i.name.size() - 4), *link});
            }
        }
        out.push_back(std::move(g));
    }
    return out;
}

} // namespace zrv
