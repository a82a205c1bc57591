#include "platform/machine/machine.h"

#include "platform/base/ansi.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zrv {

namespace fs = std::filesystem;

namespace {

Result<std::string> readHostFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(WinError::FileNotFound, "cannot read " + path.string() + ": " + std::strerror(errno));
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

Machine::Machine() : m_files([this](const WinPath& path) { return isInUse(path); }) {}

Machine::~Machine() = default;

Result<void> Machine::create(const fs::path& dir, MachineProfile profile, int version) {
    return createMachineFolder(dir, profile, version);
}

Result<std::unique_ptr<Machine>> Machine::open(const fs::path& dir, const MachineOptions& options) {
    std::error_code ec;
    if (!fs::exists(dir / "machine.ini", ec)) {
        if (!options.create)
            return fail(WinError::PathNotFound, "no machine at " + dir.string() + " (machine.ini missing)");
        ZRV_TRY(create(dir, options.profile, options.version));
    }
    std::unique_ptr<Machine> m(new Machine());
    m->m_dir = fs::absolute(dir, ec);
    ZRV_TRY(m->load(options));
    return m;
}

Result<void> Machine::load(const MachineOptions& options) {
    fs::path iniFile = iniPath();
    ZRV_TRY_ASSIGN(auto text, readHostFile(iniFile));
    const std::string name = iniFile.string();
    ZRV_TRY_ASSIGN(auto settings, MachineSettings::parse(text, name, options.drives));
    m_settings = std::move(settings);
    m_settings.programs.insert(m_settings.programs.end(), options.programs.begin(), options.programs.end());
    for (const DriveMapping& mapping : m_settings.drives)
        if (auto r = mapDrive(mapping); !r)
            return fail(r.code(), name + ": " + r.error().message);
    m_run.setEnvironmentBlock(m_settings.environment);
    // What runs killed on this machine left behind goes before this one starts.
    host::ScratchJournal::removeDead(temporariesPath());
    m_files.journalTemporariesIn(temporariesPath());
    return {};
}

std::optional<std::string> Machine::allowedProgram(std::string_view windowsName) const {
    for (const auto& [name, command] : m_settings.programs) {
        if (name.find_first_of("\\:") != std::string::npos) {
            auto a = fullPath(name);
            auto b = fullPath(windowsName);
            if (a && b && equalNoCase(a->text(), b->text()))
                return command;
        } else if (equalNoCase(name, windowsName)) {
            return command;
        }
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Registry

Result<Registry*> Machine::registry() {
    if (m_registry)
        return m_registry.get();
    std::error_code ec;
    bool fresh = !fs::exists(registryPath(), ec);
    ZRV_TRY_ASSIGN(auto opened, Registry::open(registryPath()));
    m_registry = std::move(opened);
    if (fresh) {
        // What installers look for on a freshly installed system.
        Registry& r = *m_registry;
        std::string cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
        auto sz = [](const std::string& text) { return text + std::string(1, '\0'); };
        std::vector<Result<void>> steps;
        steps.push_back(r.setValue(RegRoot::LocalMachine, cv, "ProgramFilesDir", RegType::Sz, sz("C:\\Program Files")));
        steps.push_back(r.setValue(RegRoot::LocalMachine, cv, "CommonFilesDir", RegType::Sz,
                                   sz("C:\\Program Files\\Common Files")));
        steps.push_back(r.setValue(RegRoot::LocalMachine, cv, "SystemRoot", RegType::Sz, sz(m_settings.windowsDir)));
        steps.push_back(r.setValue(RegRoot::LocalMachine, cv, "VersionNumber", RegType::Sz,
                                   sz(m_settings.versionText())));
        steps.push_back(r.createKey(RegRoot::LocalMachine, cv + "\\SharedDlls"));
        steps.push_back(r.createKey(RegRoot::LocalMachine, "SOFTWARE\\Classes"));
        steps.push_back(r.createKey(RegRoot::LocalMachine, "Config\\0001"));
        steps.push_back(r.createKey(RegRoot::Users, ".DEFAULT\\Software"));
        for (auto& step : steps)
            if (!step)
                return step.error();
    }
    return m_registry.get();
}

std::string Machine::describe() const {
    std::string out;
    out += "Machine     " + m_dir.string() + "\n";
    out += std::string("Profile     ") + (m_settings.profile == MachineProfile::NT4 ? "Windows NT 4" : "Windows 95") +
           ", version " + m_settings.versionText() + "\n";
    out += "Windows     " + ansiToUtf8(m_settings.windowsDir) + "\n";
    out += "System      " + ansiToUtf8(m_settings.systemDir) + "\n";
    out += "Screen      " + std::to_string(m_settings.screenWidth) + " x " + std::to_string(m_settings.screenHeight) + "\n";
    out += "Country     " + std::to_string(m_settings.country) + "\n";
    out += std::string("Shell       ") + (m_settings.programManager ? "Program Manager running" : "no Program Manager") + "\n";
    out += "Drives\n";
    for (char l : driveLetters()) {
        const Drive* d = drive(l);
        out += std::string("  ") + l + ":  " + d->hostRoot.string();
        if (d->readOnly)
            out += "  (read-only)";
        if (!d->label.empty())
            out += "  label " + ansiToUtf8(d->label);
        if (d->capacity)
            out += "  capacity " + std::to_string(*d->capacity);
        auto free = freeSpace(l);
        if (free)
            out += "  free " + std::to_string(*free);
        out += "\n";
    }
    out += "Environment\n";
    for (const auto& [k, v] : m_run.environmentBlock())
        out += "  " + ansiToUtf8(k) + "=" + ansiToUtf8(v) + "\n";
    if (!m_settings.modules.empty()) {
        out += "Loaded modules\n";
        for (const auto& mod : m_settings.modules)
            out += "  " + ansiToUtf8(mod) + "\n";
    }
    return out;
}

// ---------------------------------------------------------------------------
// Modules in use

bool Machine::isModuleLoaded(std::string_view name) const {
    std::string wanted(name);
    bool hasPath = wanted.find_first_of("\\/:") != std::string::npos;
    std::string base = hasPath ? wanted.substr(wanted.find_last_of("\\/:") + 1) : wanted;
    if (base.find('.') == std::string::npos)
        base += ".DLL"; // the loader's default extension
    for (const std::string& mod : m_settings.modules) {
        if (hasPath) {
            auto a = fullPath(wanted);
            auto b = fullPath(mod);
            if (a && b && equalNoCase(a->text(), b->text()))
                return true;
            continue;
        }
        std::string modBase = mod.substr(mod.find_last_of("\\/:") == std::string::npos ? 0 : mod.find_last_of("\\/:") + 1);
        if (equalNoCase(modBase, base))
            return true;
    }
    return false;
}

bool Machine::isInUse(const WinPath& path) const {
    if (path.isRoot())
        return false;
    for (const std::string& mod : m_settings.modules) {
        if (mod.find_first_of("\\/:") != std::string::npos) {
            auto p = fullPath(mod);
            if (p && equalNoCase(p->text(), path.text()))
                return true;
            continue;
        }
        // A module known only by name was loaded from the Windows or system directory.
        if (!equalNoCase(mod, path.name()))
            continue;
        std::string dir = path.parent().text();
        if (equalNoCase(dir, m_settings.windowsDir) || equalNoCase(dir, m_settings.systemDir))
            return true;
    }
    return false;
}

} // namespace zrv
