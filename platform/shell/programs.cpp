#include "platform/shell/programs.h"

#include "platform/base/ansi.h"
#include "platform/host/process.h"
#include "platform/machine/machine.h"
#include "platform/registry/registry.h"

namespace zrv {

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
        std::string word;
        bool quoted = false;
        for (; i < line.size(); ++i) {
            char c = line[i];
            if (c == '"') {
                quoted = !quoted;
                continue;
            }
            if (!quoted && (c == ' ' || c == '\t'))
                break;
            word += c;
        }
        out.push_back(std::move(word));
    }
    return out;
}

bool isPeDll(std::string_view image) {
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z')
        return false;
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(image[at])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 1])) << 8) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 2])) << 16) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 3])) << 24);
    };
    std::uint32_t pe = u32(0x3C);
    if (pe > image.size() || image.size() - pe < 24 || image.substr(pe, 4) != std::string_view("PE\0\0", 4))
        return false;
    unsigned characteristics = static_cast<unsigned char>(image[pe + 22]) | (static_cast<unsigned char>(image[pe + 23]) << 8);
    return characteristics & 0x2000; // IMAGE_FILE_DLL
}

void ProgramRunner::tell(const std::string& caption, const std::string& text) const {
    if (m_sink)
        m_sink(caption, text);
}

std::optional<std::string> ProgramRunner::resolve(std::string_view program) const {
    if (program.empty())
        return std::nullopt;
    std::string name(program);
    std::string base = name.substr(name.find_last_of("\\/:") == std::string::npos ? 0 : name.find_last_of("\\/:") + 1);
    std::vector<std::string> names;
    if (base.find('.') == std::string::npos)
        for (const char* ext : {".EXE", ".COM", ".BAT", ".PIF"})
            names.push_back(name + ext);
    else
        names.push_back(name);
    auto found = [&](const std::string& path) -> std::optional<std::string> {
        auto st = m_machine.stat(path);
        if (st && !st->isDirectory())
            return m_machine.fullPath(path)->text();
        return std::nullopt;
    };
    bool hasPath = name.find_first_of("\\/:") != std::string::npos;
    if (hasPath) {
        for (const std::string& n : names)
            if (auto f = found(n))
                return f;
        return std::nullopt;
    }
    std::vector<std::string> dirs = {m_machine.currentDirectory(), m_machine.windowsDirectory(),
                                     m_machine.systemDirectory()};
    std::string path = m_machine.environment("PATH").value_or("");
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find(';', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            dirs.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    for (const std::string& d : dirs)
        for (const std::string& n : names)
            if (auto f = found(d + (d.empty() || d.back() == '\\' ? "" : "\\") + n))
                return f;
    return std::nullopt;
}

ProgramOutcome ProgramRunner::run(std::string_view commandLine, int /*showCommand*/, bool wait) {
    std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty())
        return {};
    std::string program = words[0];
    std::vector<std::string> args(words.begin() + 1, words.end());
    std::string base = upperAnsi(program.substr(program.find_last_of("\\/:") == std::string::npos ? 0 : program.find_last_of("\\/:") + 1));
    std::string stem = base.substr(0, base.rfind('.') == std::string::npos ? base.size() : base.rfind('.'));
    // The registry tools are part of the machine, wherever a script looks for them.
    bool toolName = base == stem || base == stem + ".EXE";
    if (toolName && (stem == "REGEDIT" || stem == "REGEDT32"))
        return regedit(stem, args);
    if (toolName && stem == "REGSVR32")
        return regsvr32(args);

    auto resolved = resolve(program);
    if (!resolved)
        return {};
    // Only what machine.ini names may start: by full path or by file name.
    std::string rbase = resolved->substr(resolved->rfind('\\') + 1);
    std::optional<std::string> hostCommand;
    if (auto reg = m_machine.allowedProgram(*resolved))
        hostCommand = reg;
    else if (auto byName = m_machine.allowedProgram(rbase))
        hostCommand = byName;
    std::vector<std::string> command;
    if (hostCommand) {
        command = splitCommandLine(*hostCommand);
    } else if (auto runner = m_machine.peRunner()) {
        auto head = m_machine.readFile(*resolved);
        if (!head || head->size() < 2 || (*head)[0] != 'M' || (*head)[1] != 'Z')
            return {};
        auto hostFile = m_machine.hostPath(*resolved);
        if (!hostFile)
            return {};
        command = splitCommandLine(*runner);
        command.push_back(hostFile->string());
    } else {
        return {};
    }
    if (command.empty())
        return {};
    return host(*resolved, command, args, wait);
}

ProgramOutcome ProgramRunner::host(const std::string& resolved, const std::vector<std::string>& hostCommand,
                                   const std::vector<std::string>& args, bool wait) {
    std::vector<std::string> argv = hostCommand;
    for (const std::string& a : args)
        argv.push_back(ansiToUtf8(a));
    // What the run wrote so far is on stable storage before another program reads it.
    (void)m_machine.files().syncWrites();
    File::noteChangesInPlace(); // the program may change any file
    auto cwd = m_machine.hostPath(m_machine.currentDirectory());
    zrv::host::Started started = zrv::host::runProgram(argv, cwd ? cwd->string() : std::string("/"),
                                                          wait ? zrv::host::Wait::Yes : zrv::host::Wait::No);
    ProgramOutcome out;
    out.started = started.started;
    out.exitCode = started.exitCode;
    out.resolved = resolved;
    return out;
}

ProgramOutcome ProgramRunner::regedit(const std::string& name, const std::vector<std::string>& args) {
    ProgramOutcome out{true, 0, name};
    bool silent = false;
    std::string file;
    for (const std::string& a : args) {
        if (equalNoCase(a, "/s") || equalNoCase(a, "-s"))
            silent = true;
        else if (file.empty())
            file = a;
    }
    const std::string caption = "Registry Editor";
    if (file.empty()) {
        out.exitCode = 1;
        return out;
    }
    auto reg = m_machine.registry();
    auto text = m_machine.readFile(file);
    if (!text || !reg) {
        out.exitCode = 1;
        if (!silent)
            tell(caption, "Cannot import " + file + ": Error opening the file.");
        return out;
    }
    auto merged = (*reg)->importText(*text);
    if (!merged) {
        out.exitCode = 1;
        if (!silent)
            tell(caption, "Cannot import " + file + ": " + merged.error().describe());
        return out;
    }
    if (!silent)
        tell(caption, "Information in " + file + " has been successfully entered into the registry.");
    return out;
}

ProgramOutcome ProgramRunner::regsvr32(const std::vector<std::string>& args) {
    ProgramOutcome out{true, 0, "REGSVR32"};
    bool silent = false, unregister = false;
    std::string file;
    for (const std::string& a : args) {
        if (equalNoCase(a, "/s") || equalNoCase(a, "-s"))
            silent = true;
        else if (equalNoCase(a, "/u") || equalNoCase(a, "-u"))
            unregister = true;
        else if (file.empty())
            file = a;
    }
    const std::string caption = "RegSvr32";
    if (file.empty()) {
        out.exitCode = 1;
        return out;
    }
    auto image = m_machine.readFile(file);
    auto full = m_machine.fullPath(file);
    if (!image || !full || !isPeDll(*image)) {
        out.exitCode = 3;
        if (!silent)
            tell(caption, "LoadLibrary(\"" + file + "\") failed.");
        return out;
    }
    auto reg = m_machine.registry();
    if (!reg) {
        out.exitCode = 5;
        return out;
    }
    std::string name = upperAnsi(full->text());
    if (unregister) {
        auto r = (*reg)->deleteValue(RegRoot::LocalMachine, kSelfRegisteredKey, name);
        out.exitCode = r || r.code() == WinError::FileNotFound ? 0 : 5;
        if (!silent && out.exitCode == 0)
            tell(caption, "DllUnregisterServer in " + file + " succeeded.");
        return out;
    }
    auto r = (*reg)->setValue(RegRoot::LocalMachine, kSelfRegisteredKey, name, RegType::Dword, std::string("\1\0\0\0", 4));
    out.exitCode = r ? 0 : 5;
    if (!silent && r)
        tell(caption, "DllRegisterServer in " + file + " succeeded.");
    return out;
}

} // namespace zrv
