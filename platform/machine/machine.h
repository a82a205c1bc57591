// The emulated Windows machine: a machine directory on the host that holds
// machine.ini, the drives and the registry. Every file the system touches is
// reached through a Machine, by Windows path, and can never lie outside the
// host folders its drives map. The Machine ties the services together: its
// settings, its files, what runs on it, and its registry.
#pragma once

#include "platform/base/result.h"
#include "platform/base/winpath.h"
#include "platform/files/filesystem.h"
#include "platform/machine/runstate.h"
#include "platform/machine/settings.h"
#include "platform/registry/registry.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {

struct MachineOptions {
    bool create = true;                             // create a missing machine
    MachineProfile profile = MachineProfile::Win95; // profile of a new machine
    int version = 400;                              // version of a new machine
    std::vector<DriveMapping> drives;               // added to, or replacing, machine.ini's
    // Programs allowed to start in this run (Windows name -> host command),
    // after machine.ini's [Programs]: the file's own mapping of a name wins.
    std::vector<std::pair<std::string, std::string>> programs;
};

class Machine {
public:
    static constexpr std::uint32_t kMaxReportedFreeSpace = FileSystem::kMaxReportedFreeSpace;
    using Detail = FileSystem::Detail;

    // Opens the machine at `dir`, creating it first when it is missing and
    // options.create is set.
    static Result<std::unique_ptr<Machine>> open(const std::filesystem::path& dir,
                                                 const MachineOptions& options = {});
    // Writes a fresh machine into `dir`, which must be missing or empty.
    static Result<void> create(const std::filesystem::path& dir, MachineProfile profile, int version);

    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;
    ~Machine();

    // The services.
    const MachineSettings& settings() const { return m_settings; }
    FileSystem& files() { return m_files; }
    const FileSystem& files() const { return m_files; }
    RunState& running() { return m_run; }
    const RunState& running() const { return m_run; }
    // The registry, opened (and on first use created and seeded) on demand, so a
    // damaged registry.db stops only what needs the registry.
    Result<Registry*> registry();

    // Settings.
    const std::filesystem::path& directory() const { return m_dir; }
    std::filesystem::path iniPath() const { return m_dir / "machine.ini"; }
    std::filesystem::path registryPath() const { return m_dir / "registry.db"; }
    // The journals of the temporary files of the processes using the machine.
    std::filesystem::path temporariesPath() const { return m_dir / "temp"; }

    // One run changes a machine at a time: the lock is held until the
    // descriptor returned goes (or its process dies). `waiting` is called
    // while another run makes this one wait; SharingViolation after `timeout`.
    Result<UniqueFd> lockChanges(std::chrono::milliseconds timeout, const std::function<void(bool first)>& waiting) {
        return host::lockExclusive(m_dir / "lock", timeout, waiting);
    }
    MachineProfile profile() const { return m_settings.profile; }
    int version() const { return m_settings.version; }
    const std::string& windowsDirectory() const { return m_settings.windowsDir; }
    const std::string& systemDirectory() const { return m_settings.systemDir; }
    int screenWidth() const { return m_settings.screenWidth; }
    int screenHeight() const { return m_settings.screenHeight; }
    int countryCode() const { return m_settings.country; }
    bool programManagerRunning() const { return m_settings.programManager; }
    // The host command line machine.ini's [Programs] gives a Windows program (by
    // full path or file name), and the runner for other PE programs, if any.
    std::optional<std::string> allowedProgram(std::string_view windowsName) const;
    std::optional<std::string> peRunner() const { return m_settings.peRunner; }
    // A report of the machine's settings for people.
    std::string describe() const;

    // What runs on the machine.
    void openWindow(std::string title) { m_run.openWindow(std::move(title)); }
    bool closeWindow(std::string_view title) { return m_run.closeWindow(title); }
    bool hasWindow(std::string_view title) const { return m_run.hasWindow(title); }
    const std::vector<std::string>& windows() const { return m_run.windows(); }
    std::optional<std::string> environment(std::string_view name) const { return m_run.environment(name); }
    void setEnvironment(std::string_view name, std::optional<std::string_view> value) {
        m_run.setEnvironment(name, value);
    }
    const std::vector<std::pair<std::string, std::string>>& environmentBlock() const { return m_run.environmentBlock(); }
    // Modules listed as loaded in machine.ini: their files are in use.
    bool isModuleLoaded(std::string_view name) const;
    bool isInUse(const WinPath& path) const;

    // Files, by Windows path (see FileSystem).
    const DirectoryState& directories() const { return m_files.directories(); }
    std::string currentDirectory() const { return m_files.currentDirectory(); }
    Result<void> setCurrentDirectory(std::string_view path) { return m_files.setCurrentDirectory(path); }
    Result<WinPath> fullPath(std::string_view path, PathUse use = PathUse::Name) const {
        return m_files.fullPath(path, use);
    }
    Result<std::filesystem::path> hostPath(std::string_view path) const { return m_files.hostPath(path); }
    std::vector<char> driveLetters() const { return m_files.driveLetters(); }
    Result<void> mapDrive(const DriveMapping& mapping) { return m_files.mapDrive(mapping, m_dir); }
    const Drive* drive(char letter) const { return m_files.drive(letter); }
    Result<std::uint64_t> freeSpace(char letter) const { return m_files.freeSpace(letter); }
    Result<std::string> volumeLabel(char letter) const { return m_files.volumeLabel(letter); }
    Result<File> openFile(std::string_view path, Access access, Disposition disposition) {
        return m_files.openFile(path, access, disposition);
    }
    Result<std::string> readFile(std::string_view path) { return m_files.readFile(path); }
    Result<void> writeFileAtomic(std::string_view path, std::string_view bytes,
                                 FileSystem::Durable durable = FileSystem::Durable::Now) {
        return m_files.writeFileAtomic(path, bytes, durable);
    }
    Result<void> deleteFile(std::string_view path) { return m_files.deleteFile(path); }
    Result<void> moveFile(std::string_view from, std::string_view to) { return m_files.moveFile(from, to); }
    Result<void> replaceFile(std::string_view from, std::string_view to) { return m_files.replaceFile(from, to); }
    Result<void> createDirectory(std::string_view path) { return m_files.createDirectory(path); }
    Result<void> removeDirectory(std::string_view path) { return m_files.removeDirectory(path); }
    Result<FileInfo> stat(std::string_view path, Detail detail = Detail::Full) { return m_files.stat(path, detail); }
    bool exists(std::string_view path) { return m_files.exists(path); }
    bool isDirectory(std::string_view path) { return m_files.isDirectory(path); }
    Result<std::uint32_t> attributes(std::string_view path) { return m_files.attributes(path); }
    Result<void> setAttributes(std::string_view path, std::uint32_t attributes) {
        return m_files.setAttributes(path, attributes);
    }
    Result<void> setLastWriteTime(std::string_view path, FileTime time) { return m_files.setLastWriteTime(path, time); }
    Result<std::vector<FileInfo>> findFiles(std::string_view pattern, Detail detail = Detail::Full) {
        return m_files.findFiles(pattern, detail);
    }

    // See FileSystem::KeepFolders.
    class KeepFolders : public FileSystem::KeepFolders {
    public:
        explicit KeepFolders(const Machine& m) : FileSystem::KeepFolders(m.files()) {}
    };

private:
    Machine();
    Result<void> load(const MachineOptions& options);

    std::filesystem::path m_dir;
    MachineSettings m_settings;
    FileSystem m_files;
    RunState m_run;
    std::unique_ptr<Registry> m_registry;
};

} // namespace zrv
