#include "platform/machine/settings.h"

#include "platform/base/ansi.h"
#include "platform/base/ini.h"
#include "platform/base/winpath.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>

namespace zrv {

namespace fs = std::filesystem;

namespace {

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

std::optional<int> parseInt(std::string_view text, int lo, int hi) {
    int n = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || p != text.data() + text.size() || n < lo || n > hi)
        return std::nullopt;
    return n;
}

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

Result<void> createMachineFolder(const fs::path& dir, MachineProfile profile, int version) {
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


std::string MachineSettings::versionText() const {
    return std::to_string(version / 100) + "." + (version % 100 < 10 ? "0" : "") + std::to_string(version % 100);
}

Result<MachineSettings> MachineSettings::parse(std::string_view text, const std::string& name,
                                               const std::vector<DriveMapping>& overrides) {
    for (unsigned char c : text)
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n')
            return fail(WinError::BadFormat, name + ": not a text file");
    IniDocument ini = IniDocument::parse(text);
    auto bad = [&](const std::string& why) { return fail(WinError::BadFormat, name + ": " + why); };
    if (!ini.hasSection("Machine"))
        return bad("no [Machine] section; not a machine file");

    MachineSettings s;
    std::string profile = ini.get("Machine", "Profile").value_or("Win95");
    if (equalNoCase(profile, "Win95"))
        s.profile = MachineProfile::Win95;
    else if (equalNoCase(profile, "NT4"))
        s.profile = MachineProfile::NT4;
    else
        return bad("[Machine] Profile must be Win95 or NT4, not \"" + profile + "\"");
    ProfileDefaults d = defaultsFor(s.profile);

    auto number = [&](const char* key, int def, int lo, int hi) -> Result<int> {
        auto v = ini.get("Machine", key);
        if (!v)
            return def;
        auto n = parseInt(*v, lo, hi);
        if (!n)
            return bad("[Machine] " + std::string(key) + " must be a number from " + std::to_string(lo) + " to " +
                       std::to_string(hi) + ", not \"" + *v + "\"");
        return *n;
    };
    auto version = number("Version", 400, 300, 1000);
    auto width = number("ScreenWidth", 800, 320, 16384);
    auto height = number("ScreenHeight", 600, 200, 16384);
    auto country = number("Country", 44, 1, 999);
    for (auto* r : {&version, &width, &height, &country})
        if (!*r)
            return r->error();
    s.version = *version;
    s.screenWidth = *width;
    s.screenHeight = *height;
    s.country = *country;

    DirectoryState root; // every drive at its root
    auto directory = [&](const char* key, const char* def) -> Result<std::string> {
        std::string v = utf8ToAnsiLossy(ini.get("Machine", key).value_or(def));
        auto p = zrv::fullPath(v, root);
        if (!p || v.size() < 3 || v[1] != ':' || (v[2] != '\\' && v[2] != '/'))
            return bad("[Machine] " + std::string(key) + " must be a full Windows path, not \"" + v + "\"");
        return p->text();
    };
    ZRV_TRY_ASSIGN(auto windows, directory("WindowsDirectory", d.windowsDir));
    ZRV_TRY_ASSIGN(auto system, directory("SystemDirectory", d.systemDir));
    s.windowsDir = upperAnsi(windows);
    s.systemDir = upperAnsi(system);

    for (const auto& [key, value] : ini.entries("Drives")) {
        auto mapping = DriveMapping::parse(key + "=" + value);
        if (!mapping || key.size() != 1)
            return bad("[Drives] " + key + ": " + (mapping ? "the key must be one drive letter" : mapping.error().message));
        s.drives.push_back(*mapping);
    }
    for (const DriveMapping& o : overrides) {
        std::erase_if(s.drives, [&](const DriveMapping& x) { return x.letter == o.letter; });
        s.drives.push_back(o);
    }
    if (std::none_of(s.drives.begin(), s.drives.end(), [](const DriveMapping& x) { return x.letter == 'C'; }))
        return bad("[Drives] has no drive C");

    for (const auto& [k, v] : ini.entries("Environment"))
        s.environment.emplace_back(utf8ToAnsiLossy(k), utf8ToAnsiLossy(v));
    s.programManager = ini.get("Shell", "ProgramManager").value_or("1") != "0";
    for (const auto& kv : ini.entries("Modules"))
        s.modules.push_back(utf8ToAnsiLossy(kv.second));
    for (const auto& [k, v] : ini.entries("Programs")) {
        if (equalNoCase(k, "PeRunner"))
            s.peRunner = v.empty() ? std::nullopt : std::optional<std::string>(v);
        else
            s.programs.emplace_back(utf8ToAnsiLossy(k), v);
    }
    return s;
}

} // namespace zrv
