#include "platform/machine.h"

#include "platform/ansi.h"
#include "platform/ini.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace zrv {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Times

namespace {
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL; // 1970-01-01 in FILETIME ticks
}

FileTime fileTimeFromUnix(std::int64_t seconds, long nanoseconds) {
    return static_cast<FileTime>(kUnixEpochTicks + seconds * 10000000LL + nanoseconds / 100);
}

std::int64_t unixFromFileTime(FileTime ft) {
    return (static_cast<std::int64_t>(ft) - kUnixEpochTicks) / 10000000LL;
}

namespace {

FileTime mtimeOf(const struct stat& st) { return fileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec); }

struct timespec timespecOf(FileTime ft) {
    std::int64_t ticks = static_cast<std::int64_t>(ft) - kUnixEpochTicks;
    std::int64_t sec = ticks / 10000000LL;
    std::int64_t rem = ticks % 10000000LL;
    if (rem < 0) {
        rem += 10000000LL;
        --sec;
    }
    struct timespec ts {};
    ts.tv_sec = static_cast<time_t>(sec);
    ts.tv_nsec = static_cast<long>(rem * 100);
    return ts;
}

std::string joinRel(const std::string& rel, const std::string& name) { return rel.empty() ? name : rel + "/" + name; }

std::pair<std::string, std::string> splitRel(const std::string& rel) {
    std::size_t slash = rel.rfind('/');
    if (slash == std::string::npos)
        return {"", rel};
    return {rel.substr(0, slash), rel.substr(slash + 1)};
}

// A host name the machine can show: it converts to code page 1252 and is a
// name Windows would accept as it stands.
std::optional<std::string> windowsNameOf(const char* hostName) {
    auto ansi = utf8ToAnsi(hostName);
    if (!ansi || ansi->empty() || ansi->size() > kMaxComponentLength)
        return std::nullopt;
    for (char c : *ansi) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || std::strchr("<>:\"|?*\\", c))
            return std::nullopt;
    }
    if (ansi->back() == '.' || ansi->back() == ' ' || isDeviceName(*ansi))
        return std::nullopt;
    return ansi;
}

Result<std::string> readHostFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(WinError::FileNotFound, "cannot read " + path.string() + ": " + std::strerror(errno));
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

Result<void> writeHostFile(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (out)
        out.close();
    if (!out)
        return fail(WinError::AccessDenied, "cannot write " + path.string() + ": " + std::strerror(errno));
    return {};
}

std::optional<std::uint64_t> parseSize(std::string_view text) {
    std::uint64_t n = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || p == text.data())
        return std::nullopt;
    std::string_view unit(p, static_cast<std::size_t>(text.data() + text.size() - p));
    std::uint64_t mult = 1;
    if (unit == "K" || unit == "k")
        mult = 1024;
    else if (unit == "M" || unit == "m")
        mult = 1024 * 1024;
    else if (unit == "G" || unit == "g")
        mult = 1024ULL * 1024 * 1024;
    else if (!unit.empty())
        return std::nullopt;
    if (n > UINT64_MAX / mult)
        return std::nullopt;
    return n * mult;
}

std::optional<int> parseInt(std::string_view text, int lo, int hi) {
    int n = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || p != text.data() + text.size() || n < lo || n > hi)
        return std::nullopt;
    return n;
}

} // namespace

// ---------------------------------------------------------------------------
// Drive mappings

Result<DriveMapping> DriveMapping::parse(std::string_view spec) {
    auto bad = [&](const std::string& why) {
        return fail(WinError::InvalidParameter, "bad drive mapping \"" + std::string(spec) + "\": " + why);
    };
    if (spec.size() < 3 || spec[1] != '=')
        return bad("expected X=HOSTDIR[,ro][,label=L][,size=N]");
    char letter = toUpperAnsi(spec[0]);
    if (letter < 'A' || letter > 'Z')
        return bad("the drive must be a letter A-Z");
    DriveMapping m;
    m.letter = letter;
    std::string_view rest = spec.substr(2);
    std::size_t comma = rest.find(',');
    m.hostRoot = std::string(rest.substr(0, comma));
    if (m.hostRoot.empty())
        return bad("no host folder");
    while (comma != std::string_view::npos) {
        rest.remove_prefix(comma + 1);
        comma = rest.find(',');
        std::string_view opt = rest.substr(0, comma);
        if (opt == "ro") {
            m.readOnly = true;
        } else if (opt == "rw") {
            m.readOnly = false;
        } else if (opt.substr(0, 6) == "label=") {
            m.label = utf8ToAnsiLossy(opt.substr(6));
            if (m.label.size() > 11)
                return bad("a volume label has at most 11 characters");
        } else if (opt.substr(0, 5) == "size=") {
            auto n = parseSize(opt.substr(5));
            if (!n)
                return bad("size must be a number of bytes, optionally with K, M or G");
            m.capacity = *n;
        } else {
            return bad("unknown option \"" + std::string(opt) + "\"");
        }
    }
    return m;
}

std::string DriveMapping::format() const {
    std::string out = hostRoot;
    if (readOnly)
        out += ",ro";
    if (!label.empty())
        out += ",label=" + ansiToUtf8(label);
    if (capacity)
        out += ",size=" + std::to_string(*capacity);
    return out;
}

std::uint64_t Drive::usedBytes() const {
    std::uint64_t total = 0;
    // Links are not followed: the count stays inside the drive.
    auto walk = [&](auto&& self, int dirfd, int depth) -> void {
        if (depth > 64)
            return;
        DIR* d = ::fdopendir(dirfd);
        if (!d) {
            ::close(dirfd);
            return;
        }
        while (dirent* e = ::readdir(d)) {
            if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
                continue;
            struct stat st {};
            if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISREG(st.st_mode)) {
                total += static_cast<std::uint64_t>(st.st_size);
            } else if (S_ISDIR(st.st_mode)) {
                int sub = ::openat(::dirfd(d), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (sub >= 0)
                    self(self, sub, depth + 1);
            }
        }
        ::closedir(d);
    };
    int fd = ::openat(root.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        walk(walk, fd, 0);
    return total;
}

// ---------------------------------------------------------------------------
// Creating and loading a machine

namespace {

struct ProfileDefaults {
    const char* name;
    const char* windowsDir;
    const char* systemDir;
    std::vector<std::pair<std::string, std::string>> env;
    std::vector<std::string> folders; // below drive_c, '/' separated
};

ProfileDefaults defaultsFor(MachineProfile profile) {
    if (profile == MachineProfile::NT4)
        return {"NT4",
                "C:\\WINNT",
                "C:\\WINNT\\SYSTEM32",
                {{"PATH", "C:\\WINNT\\system32;C:\\WINNT"},
                 {"TEMP", "C:\\TEMP"},
                 {"TMP", "C:\\TEMP"},
                 {"windir", "C:\\WINNT"},
                 {"SystemRoot", "C:\\WINNT"},
                 {"OS", "Windows_NT"},
                 {"COMSPEC", "C:\\WINNT\\system32\\cmd.exe"}},
                {"WINNT", "WINNT/SYSTEM32", "WINNT/SYSTEM", "WINNT/Start Menu", "WINNT/Start Menu/Programs",
                 "WINNT/Desktop", "TEMP", "Program Files"}};
    return {"Win95",
            "C:\\WINDOWS",
            "C:\\WINDOWS\\SYSTEM",
            {{"PATH", "C:\\WINDOWS;C:\\WINDOWS\\COMMAND"},
             {"TEMP", "C:\\WINDOWS\\TEMP"},
             {"TMP", "C:\\WINDOWS\\TEMP"},
             {"windir", "C:\\WINDOWS"},
             {"COMSPEC", "C:\\WINDOWS\\COMMAND.COM"},
             {"PROMPT", "$p$g"}},
            {"WINDOWS", "WINDOWS/SYSTEM", "WINDOWS/TEMP", "WINDOWS/COMMAND", "WINDOWS/Start Menu",
             "WINDOWS/Start Menu/Programs", "WINDOWS/Desktop", "Program Files"}};
}

std::string crlf(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

} // namespace

Result<void> Machine::create(const fs::path& dir, MachineProfile profile, int version) {
    std::error_code ec;
    bool existed = fs::exists(dir, ec);
    if (existed) {
        if (!fs::is_directory(dir, ec))
            return fail(WinError::AlreadyExists, dir.string() + " exists and is not a directory");
        if (!fs::is_empty(dir, ec))
            return fail(WinError::AlreadyExists,
                        dir.string() + " is not empty and holds no machine.ini: not a machine directory");
    } else if (!fs::create_directories(dir, ec)) {
        return fail(WinError::AccessDenied, "cannot create " + dir.string() + ": " + ec.message());
    }
    // On any failure below, leave the folder as it was found.
    auto undo = [&](Error e) -> Result<void> {
        std::error_code ignored;
        if (existed) {
            for (auto& entry : fs::directory_iterator(dir, ignored))
                fs::remove_all(entry.path(), ignored);
        } else {
            fs::remove_all(dir, ignored);
        }
        return e;
    };

    ProfileDefaults d = defaultsFor(profile);
    fs::path c = dir / "drive_c";
    if (!fs::create_directory(c, ec))
        return undo(fail(WinError::AccessDenied, "cannot create " + c.string() + ": " + ec.message()));
    for (const std::string& f : d.folders)
        if (!fs::create_directories(c / f, ec) && ec)
            return undo(fail(WinError::AccessDenied, "cannot create " + (c / f).string() + ": " + ec.message()));

    std::string winFolder = std::string(d.windowsDir).substr(3);
    struct Seed {
        fs::path path;
        std::string text;
    };
    std::vector<Seed> seeds = {
        {c / winFolder / "WIN.INI",
         crlf({"[windows]", "load=", "run=", "NullPort=None", "", "[Desktop]", "Wallpaper=(None)", "",
               "[Intl]", "iCountry=44", "sCountry=United Kingdom", "sLanguage=eng", "sShortDate=dd/MM/yyyy",
               "sDate=/", "sTime=:", "iTime=1", "", "[Fonts]", "", "[Extensions]"})},
        {c / winFolder / "SYSTEM.INI",
         crlf({"[boot]", "shell=Explorer.exe", "system.drv=system.drv", "", "[386Enh]", "device=*vshare", "",
               "[drivers]", "wave=mmdrv.dll", "timer=timer.drv"})},
        {c / "CONFIG.SYS", crlf({"DEVICE=C:\\WINDOWS\\HIMEM.SYS", "FILES=30", "BUFFERS=20"})},
        {c / "AUTOEXEC.BAT", crlf({"@ECHO OFF", "PROMPT $p$g", "SET TEMP=C:\\WINDOWS\\TEMP"})},
    };
    for (const Seed& s : seeds)
        if (auto r = writeHostFile(s.path, s.text); !r)
            return undo(r.error());

    std::string ini;
    ini += "; An emulated Windows machine. zrvx32 reads this file at every start.\n";
    ini += "; Drives: X=HOSTDIR[,ro][,label=L][,size=N]; HOSTDIR may be relative to this folder.\n";
    ini += "[Machine]\n";
    ini += std::string("Profile=") + d.name + "\n";
    ini += "Version=" + std::to_string(version) + "\n";
    ini += std::string("WindowsDirectory=") + d.windowsDir + "\n";
    ini += std::string("SystemDirectory=") + d.systemDir + "\n";
    ini += "ScreenWidth=800\nScreenHeight=600\nCountry=44\n\n";
    ini += "[Drives]\nC=drive_c\n\n[Environment]\n";
    for (const auto& [k, v] : d.env)
        ini += k + "=" + v + "\n";
    ini += "\n[Shell]\n; 0: no Program Manager answers DDE conversations\nProgramManager=1\n\n";
    ini += "[Modules]\n; Files of loaded modules are in use: N=C:\\WINDOWS\\SYSTEM\\NAME.DLL\n\n";
    ini += "[Programs]\n; Programs allowed to start, each mapped to a host command line:\n"
           "; NOTEPAD.EXE=/usr/bin/true   or   C:\\APP\\SETUP.EXE=/usr/bin/env\n"
           "; PeRunner=wine runs other PE programs (none by default)\n";
    // machine.ini is written last and by rename, so a half-made machine is never taken for one.
    fs::path tmp = dir / "machine.ini.new";
    if (auto r = writeHostFile(tmp, ini); !r)
        return undo(r.error());
    fs::rename(tmp, dir / "machine.ini", ec);
    if (ec)
        return undo(fail(WinError::AccessDenied, "cannot write " + (dir / "machine.ini").string()));
    return {};
}

Machine::~Machine() = default;

Result<std::unique_ptr<Machine>> Machine::open(const fs::path& dir, const MachineOptions& options) {
    std::error_code ec;
    if (!fs::exists(dir / "machine.ini", ec)) {
        if (!options.create)
            return fail(WinError::PathNotFound, "no machine at " + dir.string() + " (machine.ini missing)");
        if (auto r = create(dir, options.profile, options.version); !r)
            return r.error();
    }
    std::unique_ptr<Machine> m(new Machine());
    m->m_dir = fs::absolute(dir, ec);
    if (auto r = m->load(options); !r)
        return r.error();
    return m;
}

Result<void> Machine::load(const MachineOptions& options) {
    fs::path iniFile = iniPath();
    auto text = readHostFile(iniFile);
    if (!text)
        return text.error();
    const std::string name = iniFile.string();
    for (unsigned char c : *text)
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n')
            return fail(WinError::BadFormat, name + ": not a text file");
    IniDocument ini = IniDocument::parse(*text);
    auto bad = [&](const std::string& why) { return fail(WinError::BadFormat, name + ": " + why); };
    if (!ini.hasSection("Machine"))
        return bad("no [Machine] section; not a machine file");

    std::string profile = ini.get("Machine", "Profile").value_or("Win95");
    if (equalNoCase(profile, "Win95"))
        m_profile = MachineProfile::Win95;
    else if (equalNoCase(profile, "NT4"))
        m_profile = MachineProfile::NT4;
    else
        return bad("[Machine] Profile must be Win95 or NT4, not \"" + profile + "\"");
    ProfileDefaults d = defaultsFor(m_profile);

    auto number = [&](const char* key, int def, int lo, int hi) -> Result<int> {
        auto v = ini.get("Machine", key);
        if (!v)
            return def;
        auto n = parseInt(*v, lo, hi);
        if (!n)
            return bad("[Machine] " + std::string(key) + " must be a number from " + std::to_string(lo) +
                       " to " + std::to_string(hi) + ", not \"" + *v + "\"");
        return *n;
    };
    auto version = number("Version", 400, 300, 1000);
    auto width = number("ScreenWidth", 800, 320, 16384);
    auto height = number("ScreenHeight", 600, 200, 16384);
    auto country = number("Country", 44, 1, 999);
    for (auto* r : {&version, &width, &height, &country})
        if (!*r)
            return r->error();
    m_version = *version;
    m_screenWidth = *width;
    m_screenHeight = *height;
    m_country = *country;

    DirectoryState root; // every drive at its root
    auto directory = [&](const char* key, const char* def) -> Result<std::string> {
        std::string v = utf8ToAnsiLossy(ini.get("Machine", key).value_or(def));
        auto p = zrv::fullPath(v, root);
        if (!p || v.size() < 3 || v[1] != ':' || (v[2] != '\\' && v[2] != '/'))
            return bad("[Machine] " + std::string(key) + " must be a full Windows path, not \"" + v + "\"");
        return p->text();
    };
    auto windows = directory("WindowsDirectory", d.windowsDir);
    if (!windows)
        return windows.error();
    auto system = directory("SystemDirectory", d.systemDir);
    if (!system)
        return system.error();
    m_windowsDir = upperAnsi(*windows);
    m_systemDir = upperAnsi(*system);

    std::vector<DriveMapping> mappings;
    for (const auto& [key, value] : ini.entries("Drives")) {
        auto mapping = DriveMapping::parse(key + "=" + value);
        if (!mapping || key.size() != 1)
            return bad("[Drives] " + key + ": " + (mapping ? "the key must be one drive letter" : mapping.error().message));
        mappings.push_back(*mapping);
    }
    for (const DriveMapping& o : options.drives) {
        std::erase_if(mappings, [&](const DriveMapping& x) { return x.letter == o.letter; });
        mappings.push_back(o);
    }
    if (std::none_of(mappings.begin(), mappings.end(), [](const DriveMapping& x) { return x.letter == 'C'; }))
        return bad("[Drives] has no drive C");
    for (const DriveMapping& mapping : mappings)
        if (auto r = mapDrive(mapping); !r)
            return fail(r.code(), name + ": " + r.error().message);

    for (const auto& [k, v] : ini.entries("Environment"))
        m_env.emplace_back(utf8ToAnsiLossy(k), utf8ToAnsiLossy(v));
    auto pm = ini.get("Shell", "ProgramManager").value_or("1");
    m_programManager = pm != "0";
    for (const auto& kv : ini.entries("Modules"))
        m_modules.push_back(utf8ToAnsiLossy(kv.second));
    for (const auto& [k, v] : ini.entries("Programs")) {
        if (equalNoCase(k, "PeRunner"))
            m_peRunner = v.empty() ? std::nullopt : std::optional<std::string>(v);
        else
            m_programs.emplace_back(utf8ToAnsiLossy(k), v);
    }
    m_dirs = DirectoryState{};
    return {};
}

std::optional<std::string> Machine::allowedProgram(std::string_view windowsName) const {
    for (const auto& [name, command] : m_programs) {
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

bool Machine::closeWindow(std::string_view title) {
    for (auto it = m_windows.begin(); it != m_windows.end(); ++it) {
        if (*it == title) {
            m_windows.erase(it);
            return true;
        }
    }
    return false;
}

bool Machine::hasWindow(std::string_view title) const {
    for (const std::string& w : m_windows)
        if (w == title)
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Registry

Result<Registry*> Machine::registry() {
    if (m_registry)
        return m_registry.get();
    std::error_code ec;
    bool fresh = !fs::exists(registryPath(), ec);
    auto opened = Registry::open(registryPath());
    if (!opened)
        return opened.error();
    m_registry = std::move(*opened);
    if (fresh) {
        // What installers look for on a freshly installed system.
        Registry& r = *m_registry;
        std::string cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
        auto sz = [](const std::string& text) { return text + std::string(1, '\0'); };
        std::vector<Result<void>> steps;
        steps.push_back(r.setValue(RegRoot::LocalMachine, cv, "ProgramFilesDir", RegType::Sz, sz("C:\\Program Files")));
        steps.push_back(r.setValue(RegRoot::LocalMachine, cv, "CommonFilesDir", RegType::Sz,
                                   sz("C:\\Program Files\\Common Files")));
        steps.push_back(r.setValue(RegRoot::LocalMachine, cv, "SystemRoot", RegType::Sz, sz(m_windowsDir)));
        steps.push_back(r.setValue(RegRoot::LocalMachine, cv, "VersionNumber", RegType::Sz,
                                   sz(std::to_string(m_version / 100) + "." + (m_version % 100 < 10 ? "0" : "") +
                                      std::to_string(m_version % 100))));
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

Result<void> Machine::mapDrive(const DriveMapping& mapping) {
    auto drive = std::make_unique<Drive>();
    drive->letter = toUpperAnsi(mapping.letter);
    if (drive->letter < 'A' || drive->letter > 'Z')
        return fail(WinError::InvalidDrive, "a drive must be a letter A-Z");
    fs::path host = mapping.hostRoot;
    drive->hostRoot = host.is_absolute() ? host : m_dir / host;
    int fd = ::open(drive->hostRoot.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fail(WinError::PathNotFound, "drive " + std::string(1, drive->letter) + ": maps to " +
                                                drive->hostRoot.string() + ": " + std::strerror(errno));
    drive->root = UniqueFd(fd);
    drive->readOnly = mapping.readOnly;
    drive->label = mapping.label;
    drive->capacity = mapping.capacity;
    m_drives[static_cast<std::size_t>(drive->letter - 'A')] = std::move(drive);
    letFoldersGo();
    return {};
}

// ---------------------------------------------------------------------------
// Settings

std::optional<std::string> Machine::environment(std::string_view name) const {
    for (const auto& [k, v] : m_env)
        if (equalNoCase(k, name))
            return v;
    return std::nullopt;
}

void Machine::setEnvironment(std::string_view name, std::optional<std::string_view> value) {
    auto it = std::find_if(m_env.begin(), m_env.end(), [&](const auto& kv) { return equalNoCase(kv.first, name); });
    if (!value) {
        if (it != m_env.end())
            m_env.erase(it);
        return;
    }
    if (it != m_env.end())
        it->second = std::string(*value);
    else
        m_env.emplace_back(std::string(name), std::string(*value));
}

std::vector<char> Machine::driveLetters() const {
    std::vector<char> out;
    for (std::size_t i = 0; i < m_drives.size(); ++i)
        if (m_drives[i])
            out.push_back(static_cast<char>('A' + i));
    return out;
}

const Drive* Machine::drive(char letter) const {
    char d = toUpperAnsi(letter);
    if (d < 'A' || d > 'Z')
        return nullptr;
    return m_drives[static_cast<std::size_t>(d - 'A')].get();
}

std::string Machine::describe() const {
    std::string out;
    out += "Machine     " + m_dir.string() + "\n";
    out += std::string("Profile     ") + (m_profile == MachineProfile::NT4 ? "Windows NT 4" : "Windows 95") +
           ", version " + std::to_string(m_version / 100) + "." +
           (m_version % 100 < 10 ? "0" : "") + std::to_string(m_version % 100) + "\n";
    out += "Windows     " + ansiToUtf8(m_windowsDir) + "\n";
    out += "System      " + ansiToUtf8(m_systemDir) + "\n";
    out += "Screen      " + std::to_string(m_screenWidth) + " x " + std::to_string(m_screenHeight) + "\n";
    out += "Country     " + std::to_string(m_country) + "\n";
    out += std::string("Shell       ") + (m_programManager ? "Program Manager running" : "no Program Manager") + "\n";
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
    for (const auto& [k, v] : m_env)
        out += "  " + ansiToUtf8(k) + "=" + ansiToUtf8(v) + "\n";
    if (!m_modules.empty()) {
        out += "Loaded modules\n";
        for (const auto& mod : m_modules)
            out += "  " + ansiToUtf8(mod) + "\n";
    }
    return out;
}

// ---------------------------------------------------------------------------
// Paths

Result<WinPath> Machine::fullPath(std::string_view path, PathUse use) const {
    return zrv::fullPath(path, m_dirs, use);
}

Result<void> Machine::setCurrentDirectory(std::string_view path) {
    auto located = locate(path);
    if (!located)
        return located.error();
    const WinPath* p = &located->path;
    Resolved* r = &located->where;
    if (!r->exists())
        return fail(WinError::PathNotFound, "no such directory: " + p->text());
    auto fd = openInRoot(r->drive->root.get(), r->rel, O_PATH | O_DIRECTORY);
    if (!fd)
        return fail(WinError::InvalidDirectory, "not a directory: " + p->text());
    m_dirs.currentDrive = p->drive;
    m_dirs.perDrive[static_cast<std::size_t>(p->drive - 'A')] = p->text();
    return {};
}

Result<Machine::Resolved> Machine::resolve(const WinPath& path) const {
    const Drive* d = drive(path.drive);
    if (!d)
        return fail(WinError::PathNotFound, std::string("drive ") + path.drive + ": is not mapped");
    Resolved r;
    r.drive = d;
    r.total = path.components.size();
    std::vector<std::string> host;
    host.reserve(r.total);
    for (const std::string& c : path.components)
        host.push_back(ansiToUtf8(c));

    // Names given exactly as stored need no directory scan.
    std::string exact = exactRel(path);
    if (r.total == 0) {
        r.matched = 0;
        return r;
    }
    // A kept folder finds the names in it without a walk from the root.
    std::string keptKey;
    if (m_keepDepth > 0) {
        keptKey = std::string(1, d->letter) + upperAnsi(path.parent().text());
        auto kept = m_keptFolders.find(keptKey);
        if (kept != m_keptFolders.end() && lookInKept(path, kept->second, r))
            return r;
    }
    auto handle = openInRoot(d->root.get(), exact, O_PATH);
    if (handle) {
        r.handle = std::move(*handle);
        r.rel = exact;
        r.matched = r.total;
        return r;
    }

    std::string rel;
    std::size_t i = 0;
    // Most misses are a new last name in a folder named exactly: start there
    // instead of walking down from the root. There the exact name is known to
    // be missing, so only its other spellings are left to look for.
    std::optional<UniqueFd> dir;
    bool exactMissing = false;
    if (r.total > 1) {
        std::string parent = splitRel(exact).first;
        if (auto opened = openInRoot(d->root.get(), parent, O_RDONLY | O_DIRECTORY)) {
            dir = std::move(*opened);
            rel = std::move(parent);
            i = r.total - 1;
            exactMissing = handle.code() == WinError::FileNotFound;
        }
    }
    for (; i < r.total; ++i) {
        if (!dir) {
            auto opened = openInRoot(d->root.get(), rel, O_RDONLY | O_DIRECTORY);
            if (!opened)
                break;
            dir = std::move(*opened);
        }
        struct stat st {};
        std::string match;
        if (!exactMissing && ::fstatat(dir->get(), host[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            match = host[i];
        } else if (const std::string* found = findCaseFolded(dir->get(), path.components[i])) {
            match = *found;
        }
        // The folder of the last name serves whatever is done there next.
        if (i + 1 == r.total)
            r.parent = keep(keptKey, rel, std::move(*dir));
        dir.reset();
        if (match.empty())
            break;
        rel = joinRel(rel, match);
    }
    r.matched = i;
    for (; i < r.total; ++i)
        rel = joinRel(rel, host[i]);
    r.rel = rel;
    return r;
}

bool Machine::lookInKept(const WinPath& path, const KeptFolder& kept, Resolved& r) const {
    const std::string& name = path.components.back();
    int dir = kept.fd->get();
    std::string host = ansiToUtf8(name);
    r.matched = r.total;
    auto found = openBelow(dir, host, O_PATH);
    if (found) {
        r.handle = std::move(*found);
    } else if (found.code() != WinError::FileNotFound) {
        return false; // a link, or something odd: the walk from the root decides
    } else if (const std::string* other = findCaseFolded(dir, name)) {
        host = *other;
    } else {
        r.matched = r.total - 1;
    }
    r.rel = joinRel(kept.rel, host);
    r.parent.shared = kept.fd;
    r.parent.fd = dir;
    return true;
}

Machine::Folder Machine::keep(const std::string& key, const std::string& rel, UniqueFd fd) const {
    Folder f;
    f.fd = fd.get();
    if (key.empty()) {
        f.owned = std::move(fd);
        return f;
    }
    if (m_keptFolders.size() >= 64)
        m_keptFolders.clear();
    KeptFolder& slot = m_keptFolders[key];
    slot.rel = rel;
    slot.fd = std::make_shared<const UniqueFd>(std::move(fd));
    f.shared = slot.fd;
    return f;
}

Result<UniqueFd> Machine::pathHandle(Resolved& r) {
    if (r.handle.valid())
        return std::move(r.handle);
    return openInRoot(r.drive->root.get(), r.rel, O_PATH);
}

const std::string* Machine::findCaseFolded(int dirfd, const std::string& component) const {
    struct stat dst {};
    if (::fstat(dirfd, &dst) != 0)
        return nullptr;
    auto key = std::make_pair(static_cast<std::uint64_t>(dst.st_dev), static_cast<std::uint64_t>(dst.st_ino));
    std::string wanted = upperAnsi(component);
    auto cached = m_dirIndex.find(key);
    if (cached != m_dirIndex.end()) {
        if (cached->second.ctimeSec == dst.st_ctim.tv_sec && cached->second.ctimeNsec == dst.st_ctim.tv_nsec) {
            auto it = cached->second.hostNameOf.find(wanted);
            return it == cached->second.hostNameOf.end() ? nullptr : &it->second;
        }
        m_dirIndex.erase(cached);
    }
    int listfd = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dp = listfd >= 0 ? ::fdopendir(listfd) : nullptr;
    if (!dp) {
        if (listfd >= 0)
            ::close(listfd);
        return nullptr;
    }
    // Of several names that differ only in case, the smallest wins, so the choice
    // does not depend on the order the host lists them.
    DirectoryIndex index;
    index.ctimeSec = dst.st_ctim.tv_sec;
    index.ctimeNsec = dst.st_ctim.tv_nsec;
    while (dirent* e = ::readdir(dp)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        auto ansi = utf8ToAnsi(e->d_name);
        if (!ansi)
            continue;
        auto [it, inserted] = index.hostNameOf.try_emplace(upperAnsi(*ansi), e->d_name);
        if (!inserted && it->second > e->d_name)
            it->second = e->d_name;
    }
    ::closedir(dp);
    if (m_dirIndex.size() >= 64)
        m_dirIndex.clear();
    auto& slot = m_dirIndex[key] = std::move(index);
    auto it = slot.hostNameOf.find(wanted);
    return it == slot.hostNameOf.end() ? nullptr : &it->second;
}

// The machine's own changes keep a folder's index current, so filling a folder
// does not rescan it for every name. A change by another program moves the
// folder's change time and the index is built again.
std::optional<std::pair<std::uint64_t, std::uint64_t>> Machine::beginChange(int dirfd) const {
    if (m_dirIndex.empty())
        return std::nullopt;
    struct stat dst {};
    if (::fstat(dirfd, &dst) != 0)
        return std::nullopt;
    auto key = std::make_pair(static_cast<std::uint64_t>(dst.st_dev), static_cast<std::uint64_t>(dst.st_ino));
    auto it = m_dirIndex.find(key);
    if (it == m_dirIndex.end())
        return std::nullopt;
    if (it->second.ctimeSec != dst.st_ctim.tv_sec || it->second.ctimeNsec != dst.st_ctim.tv_nsec) {
        m_dirIndex.erase(it);
        return std::nullopt;
    }
    return key;
}

void Machine::endChange(int dirfd, const std::optional<std::pair<std::uint64_t, std::uint64_t>>& key,
                        const std::string& hostName, bool added) const {
    if (!key)
        return;
    auto it = m_dirIndex.find(*key);
    struct stat dst {};
    auto ansi = utf8ToAnsi(hostName);
    if (it == m_dirIndex.end() || !ansi || ::fstat(dirfd, &dst) != 0) {
        if (it != m_dirIndex.end())
            m_dirIndex.erase(it);
        return;
    }
    std::string upper = upperAnsi(*ansi);
    if (added) {
        auto [entry, inserted] = it->second.hostNameOf.try_emplace(upper, hostName);
        if (!inserted && entry->second > hostName)
            entry->second = hostName;
    } else {
        auto entry = it->second.hostNameOf.find(upper);
        // Another spelling of the name may remain: only that one scan can tell.
        if (entry != it->second.hostNameOf.end() && entry->second != hostName) {
            m_dirIndex.erase(it);
            return;
        }
        if (entry != it->second.hostNameOf.end())
            it->second.hostNameOf.erase(entry);
    }
    it->second.ctimeSec = dst.st_ctim.tv_sec;
    it->second.ctimeNsec = dst.st_ctim.tv_nsec;
}

Result<Machine::Located> Machine::locate(std::string_view path, PathUse use) const {
    auto p = fullPath(path, use);
    if (!p)
        return p.error();
    auto r = resolve(*p);
    if (!r)
        return r.error();
    return Located{std::move(*p), std::move(*r)};
}

Error Machine::missing(const WinPath& path, const Resolved& r, const char* what) {
    // Windows tells a missing folder on the way from a missing last name.
    return fail(r.matched + 1 < r.total ? WinError::PathNotFound : WinError::FileNotFound, what + path.text());
}

Result<fs::path> Machine::hostPath(std::string_view path) const {
    auto located = locate(path);
    if (!located)
        return located.error();
    Resolved* r = &located->where;
    // The existing part is reported as the host resolved it, links included, so
    // the answer names the real file.
    std::string rel = r->rel;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < rel.size()) {
        std::size_t end = rel.find('/', start);
        if (end == std::string::npos)
            end = rel.size();
        parts.push_back(rel.substr(start, end - start));
        start = end + 1;
    }
    std::string existing;
    for (std::size_t i = 0; i < r->matched; ++i)
        existing = joinRel(existing, parts[i]);
    auto fd = openInRoot(r->drive->root.get(), existing, O_PATH);
    fs::path out = r->drive->hostRoot;
    if (fd) {
        char buf[PATH_MAX];
        ssize_t n = ::readlink(fdPath(fd->get()).c_str(), buf, sizeof buf - 1);
        if (n > 0)
            out = fs::path(std::string(buf, static_cast<std::size_t>(n)));
    } else if (!existing.empty()) {
        out /= existing;
    }
    for (std::size_t i = r->matched; i < parts.size(); ++i)
        out /= parts[i];
    return out;
}

Result<Machine::Folder> Machine::openParent(Resolved& r) const {
    if (r.parent.valid())
        return std::move(r.parent);
    auto fd = openInRoot(r.drive->root.get(), splitRel(r.rel).first, O_PATH | O_DIRECTORY);
    if (!fd)
        return fd.error();
    Folder f;
    f.fd = fd->get();
    f.owned = std::move(*fd);
    return f;
}

Result<void> Machine::checkWritable(const WinPath& path, const Resolved& r) const {
    if (r.drive->readOnly)
        return fail(WinError::WriteProtect, std::string("drive ") + path.drive + ": is read-only");
    if (isInUse(path))
        return fail(WinError::SharingViolation, path.text() + " is in use");
    return {};
}

// ---------------------------------------------------------------------------
// Modules in use

bool Machine::isModuleLoaded(std::string_view name) const {
    std::string wanted(name);
    bool hasPath = wanted.find_first_of("\\/:") != std::string::npos;
    std::string base = hasPath ? wanted.substr(wanted.find_last_of("\\/:") + 1) : wanted;
    if (base.find('.') == std::string::npos)
        base += ".DLL"; // the loader's default extension
    for (const std::string& mod : m_modules) {
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
    for (const std::string& mod : m_modules) {
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
        if (equalNoCase(dir, m_windowsDir) || equalNoCase(dir, m_systemDir))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Files

Result<File> Machine::openFile(std::string_view path, Access access, Disposition disposition) {
    // Most reads name a file as it is stored: one open, no lookup first.
    if (access == Access::Read && disposition == Disposition::OpenExisting) {
        auto p = fullPath(path);
        const Drive* d = p && !p->isRoot() ? drive(p->drive) : nullptr;
        if (d) {
            if (auto fd = openInRoot(d->root.get(), exactRel(*p), O_RDONLY | O_NOCTTY | O_NONBLOCK))
                return openedFile(std::move(*fd), *p, d, false, false);
        }
    }
    auto located = locate(path);
    if (!located)
        return located.error();
    const WinPath* p = &located->path;
    Resolved* r = &located->where;
    if (p->isRoot())
        return fail(WinError::AccessDenied, p->text() + " is a directory");
    if (r->matched + 1 < r->total)
        return fail(WinError::PathNotFound, "no such directory: " + p->parent().text());

    bool exists = r->exists();
    bool truncating = disposition == Disposition::CreateAlways || disposition == Disposition::TruncateExisting;
    bool writing = access != Access::Read || truncating || !exists;
    if (exists) {
        if (disposition == Disposition::CreateNew)
            return fail(WinError::FileExists, p->text() + " exists");
        // Only a write needs this look before opening (root could open a
        // read-only file for writing); a read checks the opened file below.
        if (writing) {
            auto probe = pathHandle(*r);
            struct stat st {};
            if (probe && ::fstat(probe->get(), &st) == 0) {
                if (S_ISDIR(st.st_mode))
                    return fail(WinError::AccessDenied, p->text() + " is a directory");
                if (!(st.st_mode & S_IWUSR))
                    return fail(WinError::AccessDenied, p->text() + " is read-only");
            }
        }
    } else if (disposition == Disposition::OpenExisting || disposition == Disposition::TruncateExisting) {
        return fail(WinError::FileNotFound, "no such file: " + p->text());
    }
    if (writing)
        if (auto w = checkWritable(*p, *r); !w)
            return w.error();

    int flags = O_NOCTTY | O_NONBLOCK;
    flags |= access == Access::Read ? O_RDONLY : access == Access::Write ? O_WRONLY : O_RDWR;
    switch (disposition) {
    case Disposition::OpenExisting: break;
    case Disposition::CreateNew: flags |= O_CREAT | O_EXCL; break;
    case Disposition::CreateAlways: flags |= O_CREAT | O_TRUNC; break;
    case Disposition::OpenAlways: flags |= O_CREAT; break;
    case Disposition::TruncateExisting: flags |= O_TRUNC; break;
    }
    if ((flags & O_TRUNC) && access == Access::Read)
        flags = (flags & ~O_ACCMODE) | O_WRONLY;
    // A new name is made in the folder resolving found, when it has it open
    // or the folder's index is to be kept current.
    Folder parent;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> indexKey;
    std::string leaf = splitRel(r->rel).second;
    if (!exists && (r->parent.valid() || !m_dirIndex.empty())) {
        if (auto pf = openParent(*r)) {
            parent = std::move(*pf);
            indexKey = beginChange(parent.get());
        }
    }
    auto fd = parent.valid() ? openBelow(parent.get(), leaf, flags, 0644)
                             : openInRoot(r->drive->root.get(), r->rel, flags, 0644);
    if (!fd)
        return fail(fd.code(), p->text() + ": " + fd.error().message);
    if (parent.valid())
        endChange(parent.get(), indexKey, leaf, true);
    // A file made here is a regular file with no stored attributes, which reads
    // as archived already.
    bool made = disposition == Disposition::CreateNew;
    auto f = openedFile(std::move(*fd), *p, r->drive, access != Access::Read, made);
    if (!f)
        return f;
    if (made) {
        f->m_marked = true;
    } else if (!exists || truncating) {
        if (auto a = f->markArchive(); !a && a.code() != WinError::NotSupported)
            return a.error();
    }
    return f;
}

std::string Machine::exactRel(const WinPath& path) {
    std::string rel;
    for (const std::string& c : path.components)
        rel = joinRel(rel, ansiToUtf8(c));
    return rel;
}

Result<File> Machine::openedFile(UniqueFd fd, const WinPath& path, const Drive* drive, bool writable, bool made) {
    // Opened without blocking so a FIFO cannot hang the open; only regular files
    // are kept, and for those the flag changes nothing.
    struct stat st {};
    if (!made && (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)))
        return fail(WinError::AccessDenied, path.text() + (S_ISDIR(st.st_mode) ? " is a directory" : " is not a file"));
    File f;
    f.m_fd = std::move(fd);
    f.m_path = path;
    f.m_drive = drive;
    f.m_writable = writable;
    return f;
}

Result<std::string> Machine::readFile(std::string_view path) {
    auto f = openFile(path, Access::Read, Disposition::OpenExisting);
    if (!f)
        return f.error();
    std::string out;
    char buf[65536];
    for (;;) {
        auto n = f->read(buf, sizeof buf);
        if (!n)
            return n.error();
        if (*n == 0)
            break;
        out.append(buf, *n);
    }
    return out;
}

Result<void> Machine::writeFileAtomic(std::string_view path, std::string_view bytes) {
    auto located = locate(path);
    if (!located)
        return located.error();
    const WinPath* p = &located->path;
    Resolved* r = &located->where;
    if (p->isRoot())
        return fail(WinError::AccessDenied, p->text() + " is a directory");
    if (r->matched + 1 < r->total)
        return fail(WinError::PathNotFound, "no such directory: " + p->parent().text());
    if (auto w = checkWritable(*p, *r); !w)
        return w.error();
    struct stat old {};
    bool exists = false;
    if (r->exists()) {
        auto probe = pathHandle(*r);
        if (probe && ::fstat(probe->get(), &old) == 0) {
            exists = true;
            if (S_ISDIR(old.st_mode))
                return fail(WinError::AccessDenied, p->text() + " is a directory");
            if (!(old.st_mode & S_IWUSR))
                return fail(WinError::AccessDenied, p->text() + " is read-only");
        }
    }
    if (r->drive->capacity) {
        std::uint64_t used = r->drive->usedBytes() - (exists ? static_cast<std::uint64_t>(old.st_size) : 0);
        if (used + bytes.size() > *r->drive->capacity)
            return fail(WinError::DiskFull, std::string("drive ") + p->drive + ": is full");
    }
    auto parent = openParent(*r);
    if (!parent)
        return fail(WinError::PathNotFound, "no such directory: " + p->parent().text());
    std::string leaf = splitRel(r->rel).second;

    auto indexKey = beginChange(parent->get());
    static unsigned counter = 0;
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = ".zrv-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
        fd = ::openat(parent->get(), tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      exists ? (old.st_mode & 07777) : 0644);
        if (fd < 0 && errno != EEXIST)
            return errnoError(errno, p->text());
    }
    if (fd < 0)
        return fail(WinError::AccessDenied, p->text() + ": no temporary name free");
    UniqueFd out(fd);
    auto cleanup = [&](Error e) -> Result<void> {
        ::unlinkat(parent->get(), tmp.c_str(), 0);
        return e;
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(out.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return cleanup(errnoError(errno, p->text()));
        done += static_cast<std::size_t>(n);
    }
    if (::fdatasync(out.get()) != 0)
        return cleanup(errnoError(errno, p->text()));
    std::uint32_t attr = FileAttribute::Archive;
    if (exists)
        attr |= readAttributes(fdPath(parent->get(), leaf), old, false) & FileAttribute::Stored;
    (void)writeStoredAttributes(out.get(), attr);
    if (::renameat(parent->get(), tmp.c_str(), parent->get(), leaf.c_str()) != 0)
        return cleanup(errnoError(errno, p->text()));
    endChange(parent->get(), indexKey, leaf, true);
    return {};
}

Result<void> Machine::deleteFile(std::string_view path) {
    auto located = locate(path);
    if (!located)
        return located.error();
    const WinPath* p = &located->path;
    Resolved* r = &located->where;
    if (p->isRoot())
        return fail(WinError::AccessDenied, p->text() + " is a directory");
    if (!r->exists())
        return missing(*p, *r, "no such file: ");
    if (auto w = checkWritable(*p, *r); !w)
        return w.error();
    auto parent = openParent(*r);
    if (!parent)
        return parent.error();
    std::string leaf = splitRel(r->rel).second;
    struct stat st {};
    if (::fstatat(parent->get(), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errnoError(errno, p->text());
    if (S_ISDIR(st.st_mode))
        return fail(WinError::AccessDenied, p->text() + " is a directory");
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        return fail(WinError::AccessDenied, p->text() + " is read-only");
    auto key = beginChange(parent->get());
    if (::unlinkat(parent->get(), leaf.c_str(), 0) != 0)
        return errnoError(errno, p->text());
    endChange(parent->get(), key, leaf, false);
    return {};
}

Result<void> Machine::moveFile(std::string_view from, std::string_view to) {
    auto a = fullPath(from);
    if (!a)
        return a.error();
    auto b = fullPath(to);
    if (!b)
        return b.error();
    if (a->isRoot() || b->isRoot())
        return fail(WinError::AccessDenied, "a drive's root cannot be moved");
    if (a->drive != b->drive)
        return fail(WinError::NotSameDevice, "cannot move between drives");
    auto ra = resolve(*a);
    if (!ra)
        return ra.error();
    auto rb = resolve(*b);
    if (!rb)
        return rb.error();
    if (!ra->exists())
        return missing(*a, *ra, "no such file: ");
    bool sameEntry = rb->exists() && ra->rel == rb->rel;
    if (rb->exists() && !sameEntry)
        return fail(WinError::AlreadyExists, b->text() + " exists");
    if (rb->matched + 1 < rb->total)
        return fail(WinError::PathNotFound, "no such directory: " + b->parent().text());
    if (auto w = checkWritable(*a, *ra); !w)
        return w.error();
    if (auto w = checkWritable(*b, *rb); !w)
        return w.error();
    auto pa = openParent(*ra);
    if (!pa)
        return pa.error();
    std::string leafA = splitRel(ra->rel).second;
    struct stat st {};
    if (::fstatat(pa->get(), leafA.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errnoError(errno, a->text());
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        return fail(WinError::AccessDenied, a->text() + " is read-only");
    if (S_ISDIR(st.st_mode) && (rb->rel == ra->rel || rb->rel.rfind(ra->rel + "/", 0) == 0) && !sameEntry)
        return fail(WinError::AccessDenied, "cannot move a directory into itself");
    auto pb = openParent(*rb);
    if (!pb)
        return pb.error();
    // A change of case only renames the entry to the new spelling.
    std::string leafB = sameEntry ? ansiToUtf8(b->name()) : splitRel(rb->rel).second;
    if (sameEntry && leafA == leafB)
        return {};
    auto keyA = beginChange(pa->get());
    auto keyB = beginChange(pb->get());
    if (::renameat2(pa->get(), leafA.c_str(), pb->get(), leafB.c_str(), RENAME_NOREPLACE) != 0)
        return errnoError(errno, a->text());
    if (S_ISDIR(st.st_mode))
        letFoldersGo(); // kept ones may be below the moved folder
    endChange(pa->get(), keyA, leafA, false);
    endChange(pb->get(), keyA == keyB ? beginChange(pb->get()) : keyB, leafB, true);
    return {};
}

Result<void> Machine::replaceFile(std::string_view from, std::string_view to) {
    auto a = locate(from);
    if (!a)
        return a.error();
    auto b = locate(to);
    if (!b)
        return b.error();
    if (a->path.drive != b->path.drive)
        return fail(WinError::NotSameDevice, "cannot move between drives");
    if (!a->where.exists())
        return missing(a->path, a->where, "no such file: ");
    if (!b->where.exists())
        return moveFile(from, to);
    for (Located* l : {&*a, &*b}) {
        if (auto w = checkWritable(l->path, l->where); !w)
            return w;
        auto parent = openParent(l->where);
        if (!parent)
            return parent.error();
        struct stat st {};
        if (::fstatat(parent->get(), splitRel(l->where.rel).second.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errnoError(errno, l->path.text());
        if (!S_ISREG(st.st_mode))
            return fail(WinError::AccessDenied, l->path.text() + " is not a file");
        if (!(st.st_mode & S_IWUSR))
            return fail(WinError::AccessDenied, l->path.text() + " is read-only");
    }
    auto pa = openParent(a->where);
    auto pb = openParent(b->where);
    if (!pa || !pb)
        return fail(WinError::PathNotFound, "no such directory");
    auto keyA = beginChange(pa->get());
    auto keyB = beginChange(pb->get());
    if (::renameat(pa->get(), splitRel(a->where.rel).second.c_str(), pb->get(),
                   splitRel(b->where.rel).second.c_str()) != 0)
        return errnoError(errno, a->path.text());
    endChange(pa->get(), keyA, splitRel(a->where.rel).second, false);
    endChange(pb->get(), keyA == keyB ? beginChange(pb->get()) : keyB, splitRel(b->where.rel).second, true);
    return {};
}

Result<void> Machine::createDirectory(std::string_view path) {
    auto located = locate(path);
    if (!located)
        return located.error();
    const WinPath* p = &located->path;
    Resolved* r = &located->where;
    if (r->exists())
        return fail(WinError::AlreadyExists, p->text() + " exists");
    if (r->matched + 1 < r->total)
        return fail(WinError::PathNotFound, "no such directory: " + p->parent().text());
    if (auto w = checkWritable(*p, *r); !w)
        return w.error();
    auto parent = openParent(*r);
    if (!parent)
        return fail(WinError::PathNotFound, "no such directory: " + p->parent().text());
    auto key = beginChange(parent->get());
    if (::mkdirat(parent->get(), splitRel(r->rel).second.c_str(), 0755) != 0)
        return errnoError(errno, p->text());
    endChange(parent->get(), key, splitRel(r->rel).second, true);
    return {};
}

Result<void> Machine::removeDirectory(std::string_view path) {
    auto located = locate(path);
    if (!located)
        return located.error();
    const WinPath* p = &located->path;
    Resolved* r = &located->where;
    if (p->isRoot())
        return fail(WinError::AccessDenied, "a drive's root cannot be removed");
    if (!r->exists())
        return missing(*p, *r, "no such directory: ");
    if (auto w = checkWritable(*p, *r); !w)
        return w.error();
    for (char l = 'A'; l <= 'Z'; ++l) {
        if (!m_dirs.perDrive[static_cast<std::size_t>(l - 'A')].empty() &&
            equalNoCase(m_dirs.directoryOf(l).text(), p->text()))
            return fail(WinError::SharingViolation, p->text() + " is a current directory");
    }
    auto parent = openParent(*r);
    if (!parent)
        return parent.error();
    std::string leaf = splitRel(r->rel).second;
    struct stat st {};
    if (::fstatat(parent->get(), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errnoError(errno, p->text());
    if (!S_ISDIR(st.st_mode))
        return fail(WinError::InvalidDirectory, p->text() + " is not a directory");
    auto key = beginChange(parent->get());
    if (::unlinkat(parent->get(), leaf.c_str(), AT_REMOVEDIR) != 0)
        return errnoError(errno, p->text());
    letFoldersGo();
    endChange(parent->get(), key, leaf, false);
    return {};
}

Result<FileInfo> Machine::stat(std::string_view path, Detail detail) {
    auto located = locate(path);
    if (!located)
        return located.error();
    const WinPath* p = &located->path;
    Resolved* r = &located->where;
    if (!r->exists())
        return missing(*p, *r, "no such file: ");
    auto fd = pathHandle(*r);
    if (!fd)
        return fail(fd.code(), p->text() + ": " + fd.error().message);
    struct stat st {};
    if (::fstat(fd->get(), &st) != 0)
        return errnoError(errno, p->text());
    FileInfo info;
    info.name = p->isRoot() ? std::string() : utf8ToAnsiLossy(splitRel(r->rel).second);
    if (detail == Detail::Brief)
        info.attributes = S_ISDIR(st.st_mode) ? FileAttribute::Directory : FileAttribute::Normal;
    else
        info.attributes = readAttributes(fdPath(fd->get()), st, true);
    info.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    info.lastWrite = mtimeOf(st);
    return info;
}

bool Machine::exists(std::string_view path) { return stat(path, Detail::Brief).ok(); }

bool Machine::isDirectory(std::string_view path) {
    auto s = stat(path, Detail::Brief);
    return s && s->isDirectory();
}

Result<std::uint32_t> Machine::attributes(std::string_view path) {
    auto s = stat(path);
    if (!s)
        return s.error();
    return s->attributes;
}

Result<void> Machine::setAttributes(std::string_view path, std::uint32_t attributes) {
    auto located = locate(path);
    if (!located)
        return located.error();
    const WinPath* p = &located->path;
    Resolved* r = &located->where;
    if (!r->exists())
        return missing(*p, *r, "no such file: ");
    if (r->drive->readOnly)
        return fail(WinError::WriteProtect, std::string("drive ") + p->drive + ": is read-only");
    auto fd = pathHandle(*r);
    if (!fd)
        return fd.error();
    struct stat st {};
    if (::fstat(fd->get(), &st) != 0)
        return errnoError(errno, p->text());
    std::string proc = fdPath(fd->get());
    if (auto w = writeStoredAttributes(proc, attributes); !w)
        return w;
    // Read-only is the owner's write bit; on directories Windows ignores it.
    if (S_ISREG(st.st_mode)) {
        mode_t mode = st.st_mode & 07777;
        mode = (attributes & FileAttribute::ReadOnly) ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
        if (::chmod(proc.c_str(), mode) != 0)
            return errnoError(errno, p->text());
    }
    return {};
}

Result<void> Machine::setLastWriteTime(std::string_view path, FileTime time) {
    auto f = openFile(path, Access::Write, Disposition::OpenExisting);
    if (!f)
        return f.error();
    return f->setLastWriteTime(time);
}

Result<std::vector<FileInfo>> Machine::findFiles(std::string_view pattern, Detail detail) {
    auto p = fullPath(pattern, PathUse::Pattern);
    if (!p)
        return p.error();
    if (p->isRoot())
        return fail(WinError::FileNotFound, "a search needs a name or pattern");
    const std::string leafPattern = p->name();
    const WildcardPattern matcher(leafPattern);
    std::vector<FileInfo> out;
    if (!hasWildcards(leafPattern)) {
        auto s = stat(p->text(), detail);
        if (s)
            out.push_back(*s);
        else if (s.code() == WinError::PathNotFound)
            return s.error();
        return out;
    }
    WinPath dir = p->parent();
    auto r = resolve(dir);
    if (!r)
        return r.error();
    if (!r->exists())
        return fail(WinError::PathNotFound, "no such directory: " + dir.text());
    auto dirfd = openInRoot(r->drive->root.get(), r->rel, O_RDONLY | O_DIRECTORY);
    if (!dirfd)
        return fail(WinError::PathNotFound, "not a directory: " + dir.text());
    struct stat dirst {};
    ::fstat(dirfd->get(), &dirst);
    int listfd = ::openat(dirfd->get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dp = listfd >= 0 ? ::fdopendir(listfd) : nullptr;
    if (!dp) {
        if (listfd >= 0)
            ::close(listfd);
        return errnoError(errno, dir.text());
    }
    while (dirent* e = ::readdir(dp)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        auto name = windowsNameOf(e->d_name);
        if (!name || !matcher.matches(*name))
            continue;
        // The listing's own entry type tells files from folders without a look.
        if (detail == Detail::Brief && (e->d_type == DT_REG || e->d_type == DT_DIR)) {
            FileInfo info;
            info.name = *name;
            info.attributes = e->d_type == DT_DIR ? FileAttribute::Directory : FileAttribute::Normal;
            out.push_back(std::move(info));
            continue;
        }
        struct stat st {};
        if (::fstatat(dirfd->get(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        std::string attrPath = fdPath(dirfd->get(), e->d_name);
        bool follow = false;
        UniqueFd target;
        if (S_ISLNK(st.st_mode)) {
            // A link shows what it points at inside the drive, or nothing.
            auto t = openInRoot(r->drive->root.get(), joinRel(r->rel, e->d_name), O_PATH);
            if (!t || ::fstat(t->get(), &st) != 0)
                continue;
            target = std::move(*t);
            attrPath = fdPath(target.get());
            follow = true;
        }
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            continue;
        FileInfo info;
        info.name = *name;
        info.attributes = readAttributes(attrPath, st, follow);
        info.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
        info.lastWrite = mtimeOf(st);
        out.push_back(std::move(info));
    }
    ::closedir(dp);
    std::sort(out.begin(), out.end(), [](const FileInfo& x, const FileInfo& y) {
        int c = compareNoCase(x.name, y.name);
        return c != 0 ? c < 0 : x.name < y.name;
    });
    if (!dir.isRoot()) {
        // Windows lists "." and ".." first in every directory but a root.
        std::vector<FileInfo> dots;
        for (const char* dot : {".", ".."}) {
            if (!matcher.matches(dot))
                continue;
            FileInfo info;
            info.name = dot;
            info.attributes = FileAttribute::Directory;
            info.lastWrite = mtimeOf(dirst);
            dots.push_back(info);
        }
        out.insert(out.begin(), dots.begin(), dots.end());
    }
    return out;
}

Result<std::uint64_t> Machine::freeSpace(char letter) const {
    const Drive* d = drive(letter);
    if (!d)
        return fail(WinError::InvalidDrive, std::string("drive ") + letter + ": is not mapped");
    std::uint64_t free = 0;
    if (d->capacity) {
        std::uint64_t used = d->usedBytes();
        free = used < *d->capacity ? *d->capacity - used : 0;
    } else {
        struct statvfs vfs {};
        if (::fstatvfs(d->root.get(), &vfs) != 0)
            return errnoError(errno, std::string("drive ") + letter + ":");
        free = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    }
    // Windows 95 reports at most 2 GB, and scripts compare it as a signed number.
    return std::min<std::uint64_t>(free, kMaxReportedFreeSpace);
}

Result<std::string> Machine::volumeLabel(char letter) const {
    const Drive* d = drive(letter);
    if (!d)
        return fail(WinError::InvalidDrive, std::string("drive ") + letter + ": is not mapped");
    return d->label;
}

// ---------------------------------------------------------------------------
// File

Result<std::size_t> File::read(void* buffer, std::size_t count) {
    if (!isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    for (;;) {
        ssize_t n = ::read(m_fd.get(), buffer, count);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return errnoError(errno, m_path.text());
    }
}

Result<std::size_t> File::readAt(void* buffer, std::size_t count, std::uint64_t offset) {
    if (!isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    for (;;) {
        ssize_t n = ::pread(m_fd.get(), buffer, count, static_cast<off_t>(offset));
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return errnoError(errno, m_path.text());
    }
}

Result<std::size_t> File::write(const void* buffer, std::size_t count) {
    if (!isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    if (!m_writable)
        return fail(WinError::AccessDenied, m_path.text() + " is open for reading");
    if (m_drive && m_drive->capacity && count > 0) {
        struct stat st {};
        off_t pos = ::lseek(m_fd.get(), 0, SEEK_CUR);
        if (::fstat(m_fd.get(), &st) == 0 && pos >= 0) {
            std::uint64_t end = static_cast<std::uint64_t>(pos) + count;
            std::uint64_t growth = end > static_cast<std::uint64_t>(st.st_size) ? end - static_cast<std::uint64_t>(st.st_size) : 0;
            if (growth > 0) {
                std::uint64_t used = m_drive->usedBytes();
                std::uint64_t room = used < *m_drive->capacity ? *m_drive->capacity - used : 0;
                if (growth > room)
                    count -= static_cast<std::size_t>(growth - room);
                if (count == 0)
                    return fail(WinError::DiskFull, std::string("drive ") + m_path.drive + ": is full");
            }
        }
    }
    if (auto a = markArchive(); !a && a.code() != WinError::NotSupported)
        return a.error();
    std::size_t done = 0;
    const char* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = ::write(m_fd.get(), p + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (done > 0)
                break;
            return errnoError(errno, m_path.text());
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Result<std::size_t> File::copyFrom(File& source, std::size_t count) {
    if (!isOpen() || !source.isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    if (!m_writable)
        return fail(WinError::AccessDenied, m_path.text() + " is open for reading");
    if (m_drive && m_drive->capacity)
        return fail(WinError::NotSupported, "a drive with a capacity counts every write");
    if (auto a = markArchive(); !a && a.code() != WinError::NotSupported)
        return a.error();
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::copy_file_range(source.m_fd.get(), nullptr, m_fd.get(), nullptr, count - done, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
                return fail(WinError::NotSupported, "copy_file_range");
            return errnoError(errno, m_path.text());
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Result<std::uint64_t> File::seek(std::int64_t offset, SeekOrigin origin) {
    if (!isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(m_fd.get(), static_cast<off_t>(offset), whence);
    if (pos < 0)
        return fail(WinError::InvalidParameter, m_path.text() + ": seek before the start");
    return static_cast<std::uint64_t>(pos);
}

Result<std::uint64_t> File::position() { return seek(0, SeekOrigin::Current); }

Result<std::uint64_t> File::size() {
    if (!isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0)
        return errnoError(errno, m_path.text());
    return static_cast<std::uint64_t>(st.st_size);
}

Result<void> File::truncate() {
    if (!isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    if (!m_writable)
        return fail(WinError::AccessDenied, m_path.text() + " is open for reading");
    off_t pos = ::lseek(m_fd.get(), 0, SEEK_CUR);
    if (pos < 0 || ::ftruncate(m_fd.get(), pos) != 0)
        return errnoError(errno, m_path.text());
    return markArchive();
}

Result<FileTime> File::lastWriteTime() {
    if (!isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0)
        return errnoError(errno, m_path.text());
    return mtimeOf(st);
}

Result<void> File::setLastWriteTime(FileTime time) {
    if (!isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    if (!m_writable)
        return fail(WinError::AccessDenied, m_path.text() + " is open for reading");
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = timespecOf(time);
    if (::futimens(m_fd.get(), times) != 0)
        return errnoError(errno, m_path.text());
    return {};
}

Result<void> File::setAttributes(std::uint32_t attributes) {
    if (!m_fd.valid())
        return fail(WinError::InvalidParameter, "the file is not open");
    if (m_drive && m_drive->readOnly)
        return fail(WinError::WriteProtect, m_path.text() + ": the drive is read-only");
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0)
        return errnoError(errno, m_path.text());
    if (auto w = writeStoredAttributes(m_fd.get(), attributes); !w)
        return w;
    m_marked = false; // a later write marks the file for archiving again
    if (S_ISREG(st.st_mode)) {
        mode_t mode = st.st_mode & 07777;
        mode_t wanted = (attributes & FileAttribute::ReadOnly) ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
        if (wanted != mode && ::fchmod(m_fd.get(), wanted) != 0)
            return errnoError(errno, m_path.text());
    }
    return {};
}

Result<void> File::markArchive() {
    if (m_marked)
        return {};
    m_marked = true;
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0)
        return errnoError(errno, m_path.text());
    return writeStoredAttributes(m_fd.get(), readAttributes(m_fd.get(), st) | FileAttribute::Archive);
}

// ---------------------------------------------------------------------------
// Wildcards

namespace {

bool matchUpper(std::string_view p, std::string_view n) {
    std::size_t pi = 0, ni = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (ni < n.size() || pi < p.size()) {
        if (pi < p.size()) {
            char pc = p[pi];
            if (pc == '*') {
                starP = pi++;
                starN = ni;
                continue;
            }
            if (pc == '?') {
                // '?' may match nothing where the name has ended or reached its dot,
                // provided the pattern also continues with a dot or ends.
                std::size_t run = pi;
                while (run < p.size() && p[run] == '?')
                    ++run;
                bool atBoundary = ni == n.size() || n[ni] == '.';
                if (atBoundary && (run == p.size() || p[run] == '.')) {
                    pi = run;
                    continue;
                }
                if (ni < n.size()) {
                    ++pi;
                    ++ni;
                    continue;
                }
            } else if (ni < n.size() && pc == n[ni]) {
                ++pi;
                ++ni;
                continue;
            }
        }
        if (starP != std::string_view::npos && starN < n.size()) {
            pi = starP + 1;
            ni = ++starN;
            continue;
        }
        return false;
    }
    return true;
}

} // namespace

WildcardPattern::WildcardPattern(std::string_view pattern)
    : m_upper(upperAnsi(pattern)), m_all(m_upper == "*" || m_upper == "*.*") {}

bool WildcardPattern::matches(std::string_view name) const {
    if (m_all)
        return true;
    m_scratch.assign(name);
    for (char& c : m_scratch)
        c = toUpperAnsi(c);
    if (matchUpper(m_upper, m_scratch))
        return true;
    // A name without a dot behaves as if it ended in one: "*.*" and "README.*"
    // find "README", and "*." finds only such names.
    if (m_scratch.find('.') != std::string::npos)
        return false;
    m_scratch += '.';
    return matchUpper(m_upper, m_scratch);
}

bool matchesPattern(std::string_view pattern, std::string_view name) { return WildcardPattern(pattern).matches(name); }

} // namespace zrv
