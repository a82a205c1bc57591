// The host's file system as the machine uses it: owned descriptors, confined
// opening below a drive root, looks, listings, changes in a folder and the DOS
// attributes kept beside a file. This folder is the only code that speaks to
// the host's system calls; nothing here names a host type, so the layers above
// stay free of them.
#pragma once

#include "platform/base/fileinfo.h"
#include "platform/base/result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& o) noexcept : m_fd(o.release()) {}
    UniqueFd& operator=(UniqueFd&& o) noexcept {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

namespace host {

// How a descriptor is opened. Combine with |.
enum Open : unsigned {
    Look = 1u << 0,      // a handle to look at and name, not to read or write
    Folder = 1u << 1,    // must be a folder
    Read = 1u << 2,
    Write = 1u << 3,
    Create = 1u << 4,    // make the name when missing
    Exclusive = 1u << 5, // with Create: fail when present
    Truncate = 1u << 6,
};

enum class Kind { File, Folder, Link, Other, Unknown };

struct Stat {
    Kind kind = Kind::Other;
    std::uint64_t size = 0;
    unsigned mode = 0; // permission bits
    FileTime lastWrite = 0;
    // Identity and change time of the object: a folder's index is trusted only
    // while its change time stays the one it was built at.
    std::uint64_t device = 0, inode = 0;
    std::int64_t changeSec = 0;
    long changeNsec = 0;
    bool ownerWritable() const;
    bool isFolder() const { return kind == Kind::Folder; }
    bool isFile() const { return kind == Kind::File; }
};

struct Entry {
    std::string name; // the host's name (UTF-8)
    Kind kind = Kind::Unknown; // as the listing tells it; Unknown needs a look
};

// A host folder by absolute path, as a handle (a drive's root).
Result<UniqueFd> openFolder(const std::string& hostPath);
// Below `root`: "..", absolute symbolic links and links that point upwards all
// stay below it. `rel` is relative ("." or "" for the root).
Result<UniqueFd> openInRoot(int root, const std::string& rel, unsigned how, unsigned mode = 0644);
// A name in an open folder, following no link at all (NotSupported for one):
// nothing outside the folder can be reached.
Result<UniqueFd> openBelow(int dir, const std::string& name, unsigned how, unsigned mode = 0644);

Result<Stat> stat(int fd);
// The entry itself, a link not followed.
Result<Stat> statAt(int dir, const std::string& name);
// What a host path names, links followed: for telling whether a file changed
// since it was last seen (device, inode, size, change time), never for access.
Result<Stat> statPath(const std::string& hostPath);
// Every name in a folder but "." and "..", in the host's order, handed to
// `visit` as it is read (the entry lives for the call).
Result<void> list(int dir, const std::function<void(const Entry&)>& visit);
// Bytes of the regular files below a folder, links not followed.
std::uint64_t usedBytes(int root);
Result<std::uint64_t> freeBytes(int fd);
// The host path a handle stands for, links resolved.
Result<std::string> realPath(int fd);

enum class Remove { File, Folder };
Result<void> remove(int dir, const std::string& name, Remove what);
// A folder and everything below it, links removed rather than followed.
Result<void> removeTree(int dir, const std::string& name);
Result<void> makeFolder(int dir, const std::string& name);
enum class Replace { No, Yes };
Result<void> rename(int fromDir, const std::string& from, int toDir, const std::string& to, Replace replace);

Result<std::size_t> read(int fd, void* buffer, std::size_t count);
Result<std::size_t> readAt(int fd, void* buffer, std::size_t count, std::uint64_t offset);
// Writes all it can: fewer bytes only when some were written before a failure.
Result<std::size_t> write(int fd, const void* buffer, std::size_t count);
// Copies in the kernel from one position to the other; NotSupported where the
// host cannot do it for these files.
Result<std::size_t> copyRange(int from, int to, std::size_t count);
Result<std::uint64_t> seek(int fd, std::int64_t offset, SeekOrigin origin);
Result<void> truncateHere(int fd);
Result<void> setLastWrite(int fd, FileTime time);
Result<void> syncData(int fd);

// DOS attributes, read through an open file or a handle (`Via`), or of an
// entry in a folder without following a link.
enum class Via { OpenFile, Handle };
std::uint32_t attributes(int fd, Via via, const Stat& st);
std::uint32_t attributesAt(int dir, const std::string& name, const Stat& st);
// Stores the hidden, system and archive bits; the read-only bit is the owner
// write bit and is set with setOwnerWritable.
Result<void> storeAttributes(int fd, Via via, std::uint32_t attributes);
enum class Writable { No, Yes };
inline Writable writableFor(std::uint32_t attributes) {
    return attributes & FileAttribute::ReadOnly ? Writable::No : Writable::Yes;
}
Result<void> setOwnerWritable(int fd, Via via, const Stat& st, Writable writable);

unsigned long processId();
// The file mode bits this process's umask takes away from new files (read once).
unsigned creationMask();
// Standard error goes to a terminal (a person watches).
bool stderrIsTerminal();
// Standard input comes from a terminal (a person types).
bool stdinIsTerminal();

} // namespace host
} // namespace zrv
