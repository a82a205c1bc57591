// Finding a Windows path on the host: the drive table, names matched without
// regard to case, folders kept open while a statement works in them, and an
// index of each folder's names so another spelling costs no scan. Only the
// file system uses it.
#pragma once

#include "platform/base/result.h"
#include "platform/base/winpath.h"
#include "platform/files/drive.h"
#include "platform/host/hostfs.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace zrv {

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
    UniqueFd handle; // handle of the whole path, when resolving opened it
    Folder parent;   // the folder of the last name, when resolving opened or kept it
    // What a look in a kept folder saw of the whole path (no link), when it
    // looked without opening it.
    std::optional<host::Stat> seen;
    bool exists() const { return matched == total; }
    // The host name of the last component.
    std::string leaf() const;
};

std::string joinRel(const std::string& rel, const std::string& name);
// {folder, name} of a host path below a root.
std::pair<std::string, std::string> splitRel(const std::string& rel);
// The host path below the drive root with each name exactly as given.
std::string exactRel(const WinPath& path);
// A host error told about the Windows path it concerns.
inline Error about(const WinPath& path, const Error& e) { return fail(e.code, path.text() + ": " + e.message); }

class Resolver {
public:
    Resolver() = default;
    Resolver(const Resolver&) = delete;
    Resolver& operator=(const Resolver&) = delete;

    const Drive* drive(char letter) const;
    void setDrive(std::unique_ptr<Drive> drive);

    Result<Resolved> resolve(const WinPath& path) const;
    // The folder that holds the last name of `path`, open to work in, and its
    // host path below the drive root: a kept folder as it is, else found and
    // (while folders are kept) kept.
    Result<std::pair<Folder, std::string>> folderOf(const WinPath& path) const;
    // The host name of a name in an open folder in whatever case it is stored,
    // from the folder's index; null when no spelling of it is there.
    const std::string* storedName(int dirfd, const std::string& name) const { return findCaseFolded(dirfd, name); }
    // The handle of an existing resolved path, reusing the one resolving opened.
    static Result<UniqueFd> pathHandle(Resolved& r);
    // The folder of the last name, reusing the one resolving opened or kept.
    static Result<Folder> openParent(Resolved& r);

    // Kept folders (see FileSystem::KeepFolders). While they are kept, a
    // folder's index checked once is trusted as it stands and the machine's
    // own changes keep it current without a look at the folder: one statement
    // works with the folders as it found them. Its end reads the change times
    // of the folders it changed.
    void keepFolders() const {
        if (m_keepDepth++ == 0)
            ++m_scope;
    }
    void releaseFolders() const {
        if (--m_keepDepth == 0) {
            letFoldersGo();
            settleIndexes();
        }
    }
    void letFoldersGo() const {
        m_keptFolders.clear();
        m_keptFds.clear();
    }
    bool indexesFolders() const { return !m_dirIndex.empty(); }

    enum class Edit { Added, Removed };
    // One change the machine makes to a name in a folder. The folder's index is
    // kept current when the change is done, so filling a folder does not
    // rescan it for every name; a change by another program moves the folder's
    // change time and the index is built again. A change not done forgets the
    // index, as the folder may have changed in part.
    class Change {
    public:
        Change(const Resolver& resolver, int dir);
        Change(const Change&) = delete;
        Change& operator=(const Change&) = delete;
        ~Change();
        void added(const std::string& hostName) { done(hostName, Edit::Added); }
        void removed(const std::string& hostName) { done(hostName, Edit::Removed); }

    private:
        void done(const std::string& hostName, Edit edit);
        const Resolver& m_resolver;
        int m_dir;
        std::optional<std::pair<std::uint64_t, std::uint64_t>> m_key;
        bool m_done = false;
    };

private:
    struct KeptFolder {
        std::string rel; // host path below the drive root
        std::shared_ptr<const UniqueFd> fd;
    };
    using FolderKey = std::pair<std::uint64_t, std::uint64_t>;
    // What is known of a kept folder's descriptor: the folder's identity, once looked at.
    struct KeptFd {
        std::shared_ptr<const UniqueFd> fd;
        std::optional<FolderKey> key;
    };
    // Resolves the last name of `path` in its kept folder; false leaves it to the walk.
    bool lookInKept(const WinPath& path, const KeptFolder& kept, Resolved& r) const;
    // The folder a resolve opened: kept under `key` while folders are kept, else owned.
    Folder keep(const std::string& key, const std::string& rel, UniqueFd fd) const;

    // Upper-cased names of folders, so a name given in another case does not cost
    // a scan each time. An index is trusted only while the folder's change time is
    // the one it was built or last updated at.
    struct DirectoryIndex {
        std::int64_t ctimeSec = 0;
        long ctimeNsec = 0;
        std::unordered_map<std::string, std::string> hostNameOf; // upper-cased ANSI -> host name
        std::uint64_t trustedIn = 0; // the scope of kept folders that checked it
        // Changed by the machine while trusted: the change time is read when the scope ends.
        std::shared_ptr<const UniqueFd> unsettled;
    };
    const std::string* findCaseFolded(int dirfd, const std::string& component) const;
    // The current index of a folder, checked or built as needed; null when it cannot be read.
    DirectoryIndex* currentIndex(int dirfd) const;
    // The index of a kept folder this scope has checked already, without a look.
    DirectoryIndex* trustedIndex(int dirfd) const;
    void noteKey(int dirfd, const FolderKey& key) const;
    void settleIndexes() const;
    std::optional<FolderKey> beginChange(int dirfd) const;
    void endChange(int dirfd, const std::optional<FolderKey>& key, const std::string& hostName, Edit edit) const;

    std::array<std::unique_ptr<Drive>, 26> m_drives;
    mutable int m_keepDepth = 0;
    mutable std::uint64_t m_scope = 0; // counts the scopes of kept folders
    mutable std::map<std::string, KeptFolder> m_keptFolders; // drive letter + upper-cased folder
    mutable std::unordered_map<int, KeptFd> m_keptFds;      // the descriptors of the kept folders
    mutable std::map<FolderKey, DirectoryIndex> m_dirIndex;
};

} // namespace zrv
