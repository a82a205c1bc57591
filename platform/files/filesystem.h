// The machine's files: drives, current directories and every operation on
// files and folders, by Windows path. Nothing it does can reach a host file
// outside the folders its drives map.
#pragma once

#include "platform/base/fileinfo.h"
#include "platform/base/result.h"
#include "platform/base/winpath.h"
#include "platform/files/drive.h"
#include "platform/files/file.h"
#include "platform/files/resolver.h"
#include "platform/host/scratch.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {

class FileSystem {
public:
    static constexpr std::uint32_t kMaxReportedFreeSpace = 2147483647u;

    // Whether a file is held open by a loaded module: such files cannot change.
    using InUse = std::function<bool(const WinPath&)>;
    explicit FileSystem(InUse inUse) : m_inUse(std::move(inUse)) {}
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    // Directories and paths.
    const DirectoryState& directories() const { return m_dirs; }
    std::string currentDirectory() const { return m_dirs.currentDirectory(); }
    Result<void> setCurrentDirectory(std::string_view path);
    Result<WinPath> fullPath(std::string_view path, PathUse use = PathUse::Name) const;
    // The host path a Windows path resolves to, or would be created at.
    Result<std::filesystem::path> hostPath(std::string_view path) const;
    // The same without asking the host what links inside the drive lead to:
    // one name of the file, cheap enough to key a cache by (two names of one
    // file are two keys), with what the look on the way saw of the file when
    // it looked (in a kept folder), so the caller needs no second look.
    Result<std::pair<std::filesystem::path, std::optional<host::Stat>>> hostLook(std::string_view path) const;

    // Drives. Mapping (or re-mapping) works while the machine is open: a disk
    // changer inserts a disk this way. A relative host root is taken below `base`.
    std::vector<char> driveLetters() const;
    Result<void> mapDrive(const DriveMapping& mapping, const std::filesystem::path& base);
    const Drive* drive(char letter) const { return m_resolver.drive(letter); }
    Result<std::uint64_t> freeSpace(char letter) const;
    Result<std::string> volumeLabel(char letter) const;

    // Files.
    Result<File> openFile(std::string_view path, Access access, Disposition disposition);
    Result<std::string> readFile(std::string_view path);
    // Writes through a temporary file renamed over the target, so a reader sees the
    // old text or the new one, never a part. `Now` has the bytes on stable
    // storage before the rename; `Later` leaves that to syncWrites(), for files
    // a run rewrites again and again (a killed process still leaves the old
    // text or the new one; a power cut may leave an empty file).
    enum class Durable { Now, Later };
    Result<void> writeFileAtomic(std::string_view path, std::string_view bytes, Durable durable = Durable::Now);
    // Adds bytes at the end of an existing file (a file that is a link is
    // refused: write it whole instead). A write that falls short is undone.
    Result<void> appendFile(std::string_view path, std::string_view bytes, Durable durable = Durable::Now);
    // Puts every `Later` write since the last call on stable storage: before
    // another program may read them, and at the end of a run.
    Result<void> syncWrites();
    ~FileSystem();
    // Temporary files are noted in journals in `dir` (see host/scratch.h), so
    // what a killed process leaves is found and removed by the next one.
    void journalTemporariesIn(const std::filesystem::path& dir) {
        m_scratch = std::make_unique<host::ScratchJournal>(dir);
        m_lastNoted = {};
    }
    // A new temporary name in a folder (a Windows path), for a file to be
    // renamed into place there once whole.
    Result<std::string> temporaryPath(std::string_view folder);
    // A new file made under a temporary name in the folder of `target`, to be
    // put in the target's place once whole (placeBeside) or dropped
    // (dropBeside): no part of it ever stands under the target's name, a
    // killed process included. The folder is found once for both steps.
    struct Beside {
        WinPath target;
        Folder folder;
        std::string temp; // host name in the folder
    };
    Result<std::pair<File, Beside>> createBeside(std::string_view target);
    // New fails when the target exists by then (in any case); Replace renames
    // over a target that is a file that can change, or takes the name.
    enum class Place { New, Replace };
    Result<void> placeBeside(Beside& beside, Place how);
    void dropBeside(Beside& beside);
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

    // While one of these lives, folders that resolving opens stay open and
    // serve the next names looked up in them, so the many files of one
    // statement are not each found by walking from the drive root. Kept
    // folders are let go when it ends and whenever the machine moves or
    // removes a folder or maps a drive.
    class KeepFolders {
    public:
        explicit KeepFolders(const FileSystem& fs) : m_resolver(&fs.m_resolver) { m_resolver->keepFolders(); }
        KeepFolders(const KeepFolders&) = delete;
        KeepFolders& operator=(const KeepFolders&) = delete;
        ~KeepFolders() { m_resolver->releaseFolders(); }

    private:
        const Resolver* m_resolver;
    };

private:
    struct Located {
        WinPath path;
        Resolved where;
    };
    Result<Located> locate(std::string_view path, PathUse use = PathUse::Name) const;
    // What an operation that changes one name needs: the path found, the
    // checks of the drive and of files in use passed, and its folder open.
    enum class Need { Existing, New, Either };
    struct Target {
        WinPath path;
        Resolved where;
        Folder folder;
        std::string leaf;
    };
    // A drive's root is no file: operations that name one refuse it as a
    // directory, or as a root that cannot be removed.
    enum class Root { Allowed, IsDirectory, NotRemovable };
    Result<Target> changing(std::string_view path, Need need, const char* missingWhat, Root root = Root::Allowed);
    Result<void> checkWritable(const WinPath& path, const Resolved& r) const { return checkWritable(path, *r.drive); }
    Result<void> checkWritable(const WinPath& path, const Drive& drive) const;
    // Renames an entry from one open folder to another, keeping both indexes current.
    Result<void> renameEntry(int fromDir, const std::string& from, int toDir, const std::string& to,
                             host::Replace replace);
    static Error missing(const WinPath& path, const Resolved& r, const char* what);

    // The host name of a new temporary in a folder (host path below the drive root).
    std::string temporaryName(const Drive& drive, const std::string& folderRel);

    InUse m_inUse;
    std::unique_ptr<host::ScratchJournal> m_scratch;
    std::pair<const Drive*, std::string> m_lastNoted; // the folder last noted in the journal
    // `Later` writes not yet synced: the file (its newest version) and its folder.
    struct Unsynced {
        UniqueFd file, folder;
    };
    std::map<std::string, Unsynced> m_unsynced; // by host path
    void keepUnsynced(const std::string& hostPath, UniqueFd file, int folder);
    Resolver m_resolver;
    DirectoryState m_dirs;
};

} // namespace zrv
