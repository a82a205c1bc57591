#include "common/paths.h"

#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace zrv {

std::string AddBackslash(std::string_view path) {
    std::string out(path);
    if (out.empty() || out.back() != '\\')
        out += '\\';
    return out;
}

std::string DirectoryOf(std::string_view path) {
    std::size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos)
        return {};
    return std::string(path.substr(0, slash + 1));
}

bool FileExists(Machine& machine, std::string_view path) {
    auto found = machine.findFiles(path);
    return found && !found->empty();
}

std::string CurrentDirectory(const Machine& machine) { return machine.currentDirectory(); }

bool ChangeDirectory(Machine& machine, std::string_view path) {
    std::string p = upperAnsi(path);
    if (p.size() > 3 && p.back() == '\\')
        p.pop_back();
    return machine.setCurrentDirectory(p).ok();
}

namespace {
char driveOf(const Machine& machine, std::string_view path) {
    if (path.size() >= 2 && path[1] == ':')
        return toUpperAnsi(path[0]);
    return machine.directories().currentDrive;
}
} // namespace

std::uint32_t FreeSpace(Machine& machine, std::string_view path) {
    auto free = machine.freeSpace(driveOf(machine, path));
    return free ? static_cast<std::uint32_t>(*free) : 0;
}

int VolumeLabel(Machine& machine, std::string_view drive, std::string& out) {
    char letter = drive.empty() ? machine.directories().currentDrive : toUpperAnsi(drive[0]);
    auto label = machine.volumeLabel(letter);
    if (!label)
        return 1;
    out = *label;
    return 0;
}

int MakeDirectoryPath(Machine& machine, std::string_view path) {
    auto writeTest = [&]() {
        std::string probe = AddBackslash(path) + kProbeFileName;
        auto f = machine.openFile(probe, Access::ReadWrite, Disposition::CreateAlways);
        if (!f)
            return false;
        f->close();
        (void)machine.deleteFile(probe);
        return true;
    };
    if (writeTest())
        return kDirExisted;

    std::string p(path);
    if (!p.empty() && p.back() == '\\')
        p.pop_back();
    std::vector<std::string> trailing;
    while (true) {
        std::size_t slash = p.rfind('\\');
        if (slash == std::string::npos)
            break;
        std::string component = p.substr(slash + 1);
        if (component.size() >= kPathBuffer)
            return kDirNameTooLong;
        trailing.push_back(component);
        p.erase(slash);
        if (trailing.size() > 6)
            return kDirTooDeep;
    }
    if (p.size() >= kPathBuffer)
        return kDirNameTooLong;
    bool onlyDrive = p.size() == 2 && p[1] == ':';
    if (!onlyDrive && !p.empty())
        (void)machine.createDirectory(p);
    std::string built = p;
    for (auto it = trailing.rbegin(); it != trailing.rend(); ++it) {
        built += '\\';
        built += *it;
        (void)machine.createDirectory(built); // failures show in the write test
    }
    return writeTest() ? kDirCreated : kDirNotWritable;
}

int DeleteFiles(Machine& machine, std::string_view pattern) {
    auto found = machine.findFiles(pattern);
    if (!found)
        return 1;
    auto dir = machine.fullPath(pattern, PathUse::Pattern);
    if (!dir)
        return 1;
    std::string base = AddBackslash(dir->parent().text());
    bool any = false;
    for (const FileInfo& f : *found) {
        if (f.isDirectory())
            continue;
        any = true;
        (void)machine.deleteFile(base + f.name);
    }
    return any ? 0 : 1;
}

int BackupName(Machine& machine, std::string_view path, std::string& out) {
    // The extension is looked for in the name only: a dot in a directory name
    // must not move the backup into another directory.
    std::size_t slash = path.find_last_of("\\/:");
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return 1;
    std::string stem(path.substr(0, dot));
    for (int n = 1; n <= 999; ++n) {
        char ext[8];
        std::snprintf(ext, sizeof ext, ".%03d", n);
        std::string candidate = stem + ext;
        if (!FileExists(machine, candidate)) {
            out = candidate;
            return 0;
        }
    }
    return 1;
}

std::string TempNameNow(std::string_view directory) {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char name[32];
    std::snprintf(name, sizeof name, "%02d%02d%02d%02d.TMP", utc.tm_hour, utc.tm_min, utc.tm_sec, ms);
    return AddBackslash(directory) + name;
}

std::string UniqueTempName(Machine& machine, std::string_view directory) {
    for (;;) {
        std::string candidate = TempNameNow(directory);
        if (!FileExists(machine, candidate))
            return candidate;
    }
}

std::string TempFileName(Machine& machine, std::string_view profileFile) {
    std::string dir =
        getPrivateProfileString(machine, "Install", "TempPath", machine.windowsDirectory(), profileFile);
    return UniqueTempName(machine, dir);
}

std::optional<std::string> FindInPath(Machine& machine, std::string_view name) {
    if (name.find('\\') != std::string_view::npos) {
        if (FileExists(machine, name))
            return std::string(name);
        return std::nullopt;
    }
    std::string here = AddBackslash(machine.currentDirectory()) + std::string(name);
    if (FileExists(machine, here))
        return here;
    std::string path = machine.environment("PATH").value_or("");
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(';', start);
        if (end == std::string::npos)
            end = path.size();
        std::string dir = path.substr(start, end - start);
        if (!dir.empty()) {
            std::string candidate = AddBackslash(dir) + std::string(name);
            if (FileExists(machine, candidate))
                return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

ListBoxContents FillDriveCombo(Machine& machine, bool selectCurrent) {
    ListBoxContents out;
    for (char letter : machine.driveLetters()) {
        if (selectCurrent && letter == machine.directories().currentDrive)
            out.selected = static_cast<int>(out.entries.size());
        out.entries.push_back(std::string("[-") + toLowerAnsi(letter) + "-]");
    }
    return out;
}

ListBoxContents FillDirectoryList(Machine& machine) {
    ListBoxContents out;
    std::string cwd = machine.currentDirectory();
    out.label = cwd;
    auto found = machine.findFiles(AddBackslash(cwd) + "*.*");
    if (found)
        for (const FileInfo& f : *found)
            if (f.isDirectory() && f.name != ".")
                out.entries.push_back("[" + f.name + "]");
    if (cwd.size() > 3 && std::find(out.entries.begin(), out.entries.end(), "[..]") == out.entries.end())
        out.entries.push_back("[..]");
    return out;
}

} // namespace zrv

#include "common/regaccess.h"

namespace zrv {

namespace {
constexpr const char* kDaoKey = "SOFTWARE\\Microsoft\\Shared Tools\\DAO";
constexpr int kLocalMachine = 3;
} // namespace

std::string DaoDirectory(Machine& machine) {
    std::string path;
    ReadRegString(machine, kLocalMachine, kDaoKey, "Path", "", path, kPathBuffer);
    if (!path.empty()) {
        std::size_t slash = path.rfind('\\');
        if (slash != std::string::npos)
            path.erase(slash < 3 ? 3 : slash);
        return path;
    }
    std::string fallback = upperAnsi(machine.windowsDirectory()) + "\\MSAPPS\\DAO";
    if (machine.version() < 395)
        return fallback;
    std::string common;
    ReadRegString(machine, kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir", "",
                  common, kPathBuffer);
    return common.empty() ? fallback : common + "\\Microsoft Shared\\DAO";
}

int RegisterDaoDirectory(Machine& machine) {
    std::string dir = DaoDirectory(machine);
    // Every run registers it: a folder there already is left as it is, and a
    // value already right is not written again.
    int status = machine.isDirectory(dir) ? kDirExisted : MakeDirectoryPath(machine, dir);
    // With the separator: without it the next run would find the directory one
    // level up, and move it again on every run.
    const std::string value = AddBackslash(dir) + "DAO3032.DLL";
    std::string stored;
    ReadRegString(machine, kLocalMachine, kDaoKey, "Path", "", stored, kPathBuffer);
    if (stored != value)
        WriteRegString(machine, kLocalMachine, kDaoKey, "Path", value);
    return status;
}

} // namespace zrv
