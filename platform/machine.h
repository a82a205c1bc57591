// The emulated Windows machine: a machine directory on the host that holds
// machine.ini, the drives and (later) the registry. Every file the system touches
// is reached through a Machine, by Windows path, and can never lie outside the
// host folders its drives map.
#pragma once

#include "platform/hostfs.h"
#include "platform/registry.h"
#include "platform/result.h"
#include "platform/winpath.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <unordered_map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zrv {

enum class MachineProfile { Win95, NT4 };

// One drive letter's mapping: "X=HOSTDIR[,ro][,label=L][,size=N]".
struct DriveMapping {
    char letter = 'C';
    std::string hostRoot; // absolute, or relative to the machine directory
    bool readOnly = false;
    std::string label;
    std::optional<std::uint64_t> capacity;

    static Result<DriveMapping> parse(std::string_view spec);
    std::string format() const; // the text after "X="
};

struct MachineOptions {
    bool create = true;                       // create a missing machine
    MachineProfile profile = MachineProfile::Win95; // profile of a new machine
    int version = 400;                        // version of a new machine
    std::vector<DriveMapping> drives;         // added to, or replacing, machine.ini's
};

enum class Access { Read, Write, ReadWrite };
enum class Disposition {
    OpenExisting,     // fails when missing
    CreateNew,        // fails when present
    CreateAlways,     // creates or truncates
    OpenAlways,       // opens or creates
    TruncateExisting, // fails when missing
};
enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

// Windows FILETIME: 100-nanosecond ticks since 1601-01-01 UTC.
using FileTime = std::uint64_t;
FileTime fileTimeFromUnix(std::int64_t seconds, long nanoseconds = 0);
std::int64_t unixFromFileTime(FileTime ft);

struct FileInfo {
    std::string name; // as stored, in code page 1252
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    FileTime lastWrite = 0;
    bool isDirectory() const { return attributes & FileAttribute::Directory; }
};

class Machine;
struct Drive;

// One open file. Closing happens when it goes out of scope.
class File {
public:
    File() = default;
    File(File&&) noexcept = default;
    File& operator=(File&&) noexcept = default;

    bool isOpen() const { return m_fd.valid(); }
    void close() { m_fd.reset(); }
    const WinPath& path() const { return m_path; }

    Result<std::size_t> read(void* buffer, std::size_t count);
    // Reads at an offset without moving the position.
    Result<std::size_t> readAt(void* buffer, std::size_t count, std::uint64_t offset);
    Result<std::size_t> write(const void* buffer, std::size_t count);
    // Copies from another file's position to this one's in the kernel; fails
    // with NotSupported where that cannot be done (a drive with a capacity,
    // file systems without copy_file_range).
    Result<std::size_t> copyFrom(File& source, std::size_t count);
    Result<std::uint64_t> seek(std::int64_t offset, SeekOrigin origin);
    Result<std::uint64_t> position();
    Result<std::uint64_t> size();
    // Sets the end of the file at the current position.
    Result<void> truncate();
    Result<FileTime> lastWriteTime();
    Result<void> setLastWriteTime(FileTime time);
    // The DOS attributes of the open file (read-only as the owner's write bit).
    Result<void> setAttributes(std::uint32_t attributes);
    int hostFd() const { return m_fd.get(); }

private:
    friend class Machine;
    Result<void> markArchive();

    UniqueFd m_fd;
    WinPath m_path;
    const Drive* m_drive = nullptr;
    bool m_writable = false;
    bool m_marked = false;
};

struct Drive {
    char letter = 'C';
    std::filesystem::path hostRoot; // absolute
    UniqueFd root;                  // O_PATH descriptor of hostRoot
    bool readOnly = false;
    std::string label;
    std::optional<std::uint64_t> capacity;

    std::uint64_t usedBytes() const; // walks the drive; only for drives with a capacity
};

class Machine {
public:
    static constexpr std::uint32_t kMaxReportedFreeSpace = 2147483647u;

    // Opens the machine at `dir`, creating it first when it is missing and
    // options.create is set.
    static Result<std::unique_ptr<Machine>> open(const std::filesystem::path& dir,
                                                 const MachineOptions& options = {});
    // Writes a fresh machine into `dir`, which must be missing or empty.
    static Result<void> create(const std::filesystem::path& dir, MachineProfile profile, int version);

    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;
    ~Machine();

    const std::filesystem::path& directory() const { return m_dir; }
    std::filesystem::path iniPath() const { return m_dir / "machine.ini"; }
    MachineProfile profile() const { return m_profile; }
    int version() const { return m_version; }
    const std::string& windowsDirectory() const { return m_windowsDir; }
    const std::string& systemDirectory() const { return m_systemDir; }
    int screenWidth() const { return m_screenWidth; }
    int screenHeight() const { return m_screenHeight; }
    int countryCode() const { return m_country; }
    bool programManagerRunning() const { return m_programManager; }
    // The host command line machine.ini's [Programs] gives a Windows program (by
    // full path or file name), and the runner for other PE programs, if any.
    std::optional<std::string> allowedProgram(std::string_view windowsName) const;
    std::optional<std::string> peRunner() const { return m_peRunner; }

    // Top-level windows known to the machine, by title.
    void openWindow(std::string title) { m_windows.push_back(std::move(title)); }
    bool closeWindow(std::string_view title);
    bool hasWindow(std::string_view title) const;
    const std::vector<std::string>& windows() const { return m_windows; }

    // The machine's environment, not the host's; names compare without case.
    std::optional<std::string> environment(std::string_view name) const;
    void setEnvironment(std::string_view name, std::optional<std::string_view> value);
    const std::vector<std::pair<std::string, std::string>>& environmentBlock() const { return m_env; }

    // Directories and paths.
    const DirectoryState& directories() const { return m_dirs; }
    std::string currentDirectory() const { return m_dirs.currentDirectory(); }
    Result<void> setCurrentDirectory(std::string_view path);
    Result<WinPath> fullPath(std::string_view path, PathUse use = PathUse::Name) const;
    // The host path a Windows path resolves to, or would be created at.
    Result<std::filesystem::path> hostPath(std::string_view path) const;

    // Drives.
    std::vector<char> driveLetters() const;
    // Maps (or re-maps) a drive while the machine is open: a disk changer
    // inserts a disk this way.
    Result<void> mapDrive(const DriveMapping& mapping);
    const Drive* drive(char letter) const;
    Result<std::uint64_t> freeSpace(char letter) const;
    Result<std::string> volumeLabel(char letter) const;

    // Files.
    Result<File> openFile(std::string_view path, Access access, Disposition disposition);
    Result<std::string> readFile(std::string_view path);
    // Writes through a temporary file renamed over the target, so a reader sees the
    // old text or the new one, never a part.
    Result<void> writeFileAtomic(std::string_view path, std::string_view bytes);
    Result<void> deleteFile(std::string_view path);
    // MoveFile: within one drive; fails when the target exists.
    Result<void> moveFile(std::string_view from, std::string_view to);
    // Renames a file over another one on the same drive in one step.
    Result<void> replaceFile(std::string_view from, std::string_view to);
    Result<void> createDirectory(std::string_view path);
    Result<void> removeDirectory(std::string_view path);
    // How much a look at files fills in. Brief gets the name and the directory
    // bit right and leaves out the stored attributes (and, in searches, size
    // and time), which saves a look at each file.
    enum class Detail { Full, Brief };
    Result<FileInfo> stat(std::string_view path, Detail detail = Detail::Full);
    bool exists(std::string_view path);
    bool isDirectory(std::string_view path);
    Result<std::uint32_t> attributes(std::string_view path);
    Result<void> setAttributes(std::string_view path, std::uint32_t attributes);
    Result<void> setLastWriteTime(std::string_view path, FileTime time);
    // FindFirstFile/FindNextFile over a pattern, "." and ".." included below a root.
    Result<std::vector<FileInfo>> findFiles(std::string_view pattern, Detail detail = Detail::Full);

    // Modules listed as loaded in machine.ini: their files are in use.
    bool isModuleLoaded(std::string_view name) const;
    bool isInUse(const WinPath& path) const;

    // The registry, opened (and on first use created and seeded) on demand, so a
    // damaged registry.db stops only what needs the registry.
    Result<Registry*> registry();
    std::filesystem::path registryPath() const { return m_dir / "registry.db"; }

    // A report of the machine's settings for people.
    std::string describe() const;

    // While one of these lives, folders that resolving opens stay open and
    // serve the next names looked up in them, so the many files of one
    // statement are not each found by walking from the drive root. Kept
    // folders are let go when it ends and whenever the machine moves or
    // removes a folder or maps a drive.
    class KeepFolders {
    public:
        explicit KeepFolders(const Machine& m) : m_m(&m) { ++m.m_keepDepth; }
        KeepFolders(const KeepFolders&) = delete;
        KeepFolders& operator=(const KeepFolders&) = delete;
        ~KeepFolders() {
            if (--m_m->m_keepDepth == 0)
                m_m->m_keptFolders.clear();
        }

    private:
        const Machine* m_m;
    };

private:
    Machine() = default;
    // An open folder descriptor, its own or shared with the kept folders (which
    // may let it go while this still uses it).
    struct Folder {
        UniqueFd owned;
        std::shared_ptr<const UniqueFd> shared;
        int fd = -1;
        int get() const { return fd; }
        bool valid() const { return fd >= 0; }
    };
    struct Resolved {
        const Drive* drive = nullptr;
        std::string rel;         // host path below the drive root, matched case
        std::size_t matched = 0; // leading components that exist
        std::size_t total = 0;
        UniqueFd handle; // O_PATH descriptor of the whole path, when resolving opened it
        Folder parent;   // the folder of the last name, when resolving opened or kept it
        bool exists() const { return matched == total; }
    };
    Result<void> load(const MachineOptions& options);
    Result<Resolved> resolve(const WinPath& path) const;
    // The O_PATH descriptor of an existing resolved path, reusing the one
    // resolving opened.
    static Result<UniqueFd> pathHandle(Resolved& r);
    struct Located {
        WinPath path;
        Resolved where;
    };
    Result<Located> locate(std::string_view path, PathUse use = PathUse::Name) const;
    // The host path below the drive root with each name exactly as given.
    static std::string exactRel(const WinPath& path);
    static Result<File> openedFile(UniqueFd fd, const WinPath& path, const Drive* drive, bool writable, bool made);
    static Error missing(const WinPath& path, const Resolved& r, const char* what);
    Result<Folder> openParent(Resolved& r) const;
    Result<void> checkWritable(const WinPath& path, const Resolved& r) const;

    std::filesystem::path m_dir;
    MachineProfile m_profile = MachineProfile::Win95;
    int m_version = 400;
    std::string m_windowsDir;
    std::string m_systemDir;
    int m_screenWidth = 800;
    int m_screenHeight = 600;
    int m_country = 44;
    bool m_programManager = true;
    std::vector<std::pair<std::string, std::string>> m_env;
    std::vector<std::string> m_modules; // full Windows paths or bare names
    std::vector<std::pair<std::string, std::string>> m_programs; // Windows name -> host command
    std::optional<std::string> m_peRunner;
    std::vector<std::string> m_windows;
    std::array<std::unique_ptr<Drive>, 26> m_drives;
    DirectoryState m_dirs;
    std::unique_ptr<Registry> m_registry;

    mutable int m_keepDepth = 0;
    struct KeptFolder {
        std::string rel; // host path below the drive root
        std::shared_ptr<const UniqueFd> fd;
    };
    mutable std::map<std::string, KeptFolder> m_keptFolders; // drive letter + upper-cased folder
    // Resolves the last name of `path` in its kept folder; false leaves it to the walk.
    bool lookInKept(const WinPath& path, const KeptFolder& kept, Resolved& r) const;
    // The folder a resolve opened: kept under `key` while folders are kept, else owned.
    Folder keep(const std::string& key, const std::string& rel, UniqueFd fd) const;
    void letFoldersGo() const { m_keptFolders.clear(); }

    // Upper-cased names of folders, so a name given in another case does not cost
    // a scan each time. An index is trusted only while the folder's change time is
    // the one it was built or last updated at.
    struct DirectoryIndex {
        std::int64_t ctimeSec = 0;
        long ctimeNsec = 0;
        std::unordered_map<std::string, std::string> hostNameOf; // upper-cased ANSI -> host name
    };
    const std::string* findCaseFolded(int dirfd, const std::string& component) const;
    mutable std::map<std::pair<std::uint64_t, std::uint64_t>, DirectoryIndex> m_dirIndex;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> beginChange(int dirfd) const;
    void endChange(int dirfd, const std::optional<std::pair<std::uint64_t, std::uint64_t>>& key,
                   const std::string& hostName, bool added) const;
};

// Windows wildcard matching of one name: '*' and '?', "*.*" matching names
// without a dot, "*." matching only those, '?' matching nothing at a name's end.
class WildcardPattern {
public:
    explicit WildcardPattern(std::string_view pattern);
    bool matches(std::string_view name) const;

private:
    std::string m_upper;
    bool m_all = false;
    mutable std::string m_scratch;
};
bool matchesPattern(std::string_view pattern, std::string_view name);

} // namespace zrv
