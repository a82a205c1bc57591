#include "platform/host/hostfs.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace zrv {

void UniqueFd::reset(int fd) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

namespace host {

namespace {

WinError winErrorFromErrno(int err) {
    switch (err) {
    case ENOENT: return WinError::FileNotFound;
    case ENOTDIR: return WinError::PathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return WinError::AccessDenied;
    case EEXIST: return WinError::FileExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return WinError::DiskFull;
    case EROFS: return WinError::WriteProtect;
    case ENAMETOOLONG: return WinError::FilenameTooLong;
    case ENOTEMPTY: return WinError::DirNotEmpty;
    case EXDEV: return WinError::NotSameDevice;
    case EBUSY:
    case ETXTBSY: return WinError::SharingViolation;
    case ELOOP: return WinError::FileNotFound;
    case ENOTSUP: return WinError::NotSupported;
    case EINVAL: return WinError::InvalidParameter;
    default: return WinError::IoDevice;
    }
}

Error errnoError(int err, std::string_view what) {
    return fail(winErrorFromErrno(err), std::string(what) + ": " + std::strerror(err));
}

Error lastError(std::string_view what) { return errnoError(errno, what); }

int flagsOf(unsigned how) {
    if (how & Look)
        return O_PATH | ((how & Folder) ? O_DIRECTORY : 0);
    int flags = O_NOCTTY | O_NONBLOCK;
    if ((how & Read) && (how & Write))
        flags |= O_RDWR;
    else if (how & Write)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (how & Folder)
        flags |= O_DIRECTORY;
    if (how & Create)
        flags |= O_CREAT;
    if (how & Exclusive)
        flags |= O_EXCL;
    if (how & Truncate)
        flags |= O_TRUNC;
    return flags;
}

Result<UniqueFd> openHow(int dir, const std::string& rel, unsigned how, unsigned mode, std::uint64_t resolve) {
    struct open_how oh {};
    int flags = flagsOf(how);
    oh.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
    oh.mode = (flags & O_CREAT) ? mode : 0;
    oh.resolve = resolve;
    for (;;) {
        long fd = ::syscall(SYS_openat2, dir, rel.empty() ? "." : rel.c_str(), &oh, sizeof oh);
        if (fd >= 0)
            return UniqueFd(static_cast<int>(fd));
        // openat2 asks for a retry when a rename raced with the walk.
        if (errno == EAGAIN || errno == EINTR)
            continue;
        // Below a folder a link is refused (ELOOP), which is not a missing name.
        if (errno == ELOOP && (resolve & RESOLVE_NO_SYMLINKS))
            return fail(WinError::NotSupported, rel + ": a link");
        return lastError(rel);
    }
}

Kind kindOf(mode_t mode) {
    if (S_ISREG(mode))
        return Kind::File;
    if (S_ISDIR(mode))
        return Kind::Folder;
    if (S_ISLNK(mode))
        return Kind::Link;
    return Kind::Other;
}

Stat statOf(const struct stat& st) {
    Stat s;
    s.kind = kindOf(st.st_mode);
    s.size = s.kind == Kind::File || s.kind == Kind::Link ? static_cast<std::uint64_t>(st.st_size) : 0;
    s.mode = st.st_mode & 07777;
    s.lastWrite = fileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.inode = static_cast<std::uint64_t>(st.st_ino);
    s.changeSec = st.st_ctim.tv_sec;
    s.changeNsec = st.st_ctim.tv_nsec;
    return s;
}

// "/proc/self/fd/N" (and ".../name"): reaches what a descriptor holds for calls
// that have no descriptor form, without walking any path again.
std::string fdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

std::string fdPath(int dirfd, std::string_view name) {
    std::string p = fdPath(dirfd);
    p += '/';
    p += name;
    return p;
}

} // namespace

bool Stat::ownerWritable() const { return mode & S_IWUSR; }

Result<UniqueFd> openFolder(const std::string& hostPath) {
    int fd = ::open(hostPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return lastError(hostPath);
    return UniqueFd(fd);
}

Result<UniqueFd> openInRoot(int root, const std::string& rel, unsigned how, unsigned mode) {
    return openHow(root, rel, how, mode, RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS);
}

Result<UniqueFd> openBelow(int dir, const std::string& name, unsigned how, unsigned mode) {
    return openHow(dir, name, how, mode, RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS);
}

Result<Stat> stat(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return lastError("fstat");
    return statOf(st);
}

Result<Stat> statAt(int dir, const std::string& name) {
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return lastError(name);
    return statOf(st);
}

Result<Stat> statPath(const std::string& hostPath) {
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0)
        return lastError(hostPath);
    return statOf(st);
}

Result<void> list(int dir, const std::function<void(const Entry&)>& visit) {
    int listfd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dp = listfd >= 0 ? ::fdopendir(listfd) : nullptr;
    if (!dp) {
        Error e = lastError("listing");
        if (listfd >= 0)
            ::close(listfd);
        return e;
    }
    Entry entry;
    while (dirent* e = ::readdir(dp)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        Kind kind = Kind::Unknown;
        switch (e->d_type) {
        case DT_REG: kind = Kind::File; break;
        case DT_DIR: kind = Kind::Folder; break;
        case DT_LNK: kind = Kind::Link; break;
        case DT_UNKNOWN: break;
        default: kind = Kind::Other; break;
        }
        entry.name.assign(e->d_name);
        entry.kind = kind;
        visit(entry);
    }
    ::closedir(dp);
    return {};
}

std::uint64_t usedBytes(int root) {
    std::uint64_t total = 0;
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
    int fd = ::openat(root, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        walk(walk, fd, 0);
    return total;
}

Result<std::uint64_t> freeBytes(int fd) {
    struct statvfs vfs {};
    if (::fstatvfs(fd, &vfs) != 0)
        return lastError("free space");
    return static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

Result<std::string> realPath(int fd) {
    char buf[PATH_MAX];
    ssize_t n = ::readlink(fdPath(fd).c_str(), buf, sizeof buf - 1);
    if (n <= 0)
        return lastError("readlink");
    return std::string(buf, static_cast<std::size_t>(n));
}

Result<void> remove(int dir, const std::string& name, Remove what) {
    if (::unlinkat(dir, name.c_str(), what == Remove::Folder ? AT_REMOVEDIR : 0) != 0)
        return lastError(name);
    return {};
}

Result<void> removeTree(int dir, const std::string& name) {
    auto folder = openBelow(dir, name, Look | Folder);
    if (!folder)
        return folder.error();
    std::vector<Entry> entries;
    if (auto r = list(folder->get(), [&](const Entry& e) { entries.push_back(e); }); !r)
        return r;
    for (const Entry& e : entries) {
        Kind kind = e.kind;
        if (kind == Kind::Unknown)
            if (auto st = statAt(folder->get(), e.name))
                kind = st->kind;
        auto r = kind == Kind::Folder ? removeTree(folder->get(), e.name) : remove(folder->get(), e.name, Remove::File);
        if (!r)
            return r;
    }
    return remove(dir, name, Remove::Folder);
}

Result<void> makeFolder(int dir, const std::string& name) {
    if (::mkdirat(dir, name.c_str(), 0755) != 0)
        return lastError(name);
    return {};
}

Result<void> rename(int fromDir, const std::string& from, int toDir, const std::string& to, Replace replace) {
    int rc = replace == Replace::Yes ? ::renameat(fromDir, from.c_str(), toDir, to.c_str())
                                     : ::renameat2(fromDir, from.c_str(), toDir, to.c_str(), RENAME_NOREPLACE);
    if (rc != 0)
        return lastError(from);
    return {};
}

Result<std::size_t> read(int fd, void* buffer, std::size_t count) {
    for (;;) {
        ssize_t n = ::read(fd, buffer, count);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return lastError("read");
    }
}

Result<std::size_t> readAt(int fd, void* buffer, std::size_t count, std::uint64_t offset) {
    for (;;) {
        ssize_t n = ::pread(fd, buffer, count, static_cast<off_t>(offset));
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return lastError("read");
    }
}

Result<std::size_t> write(int fd, const void* buffer, std::size_t count) {
    std::size_t done = 0;
    const char* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = ::write(fd, p + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (done > 0)
                break;
            return lastError("write");
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Result<std::size_t> copyRange(int from, int to, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, count - done, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
                return fail(WinError::NotSupported, "copy_file_range");
            return lastError("copy");
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Result<std::uint64_t> seek(int fd, std::int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(fd, static_cast<off_t>(offset), whence);
    if (pos < 0)
        return fail(WinError::InvalidParameter, "seek before the start");
    return static_cast<std::uint64_t>(pos);
}

Result<void> truncateHere(int fd) {
    off_t pos = ::lseek(fd, 0, SEEK_CUR);
    if (pos < 0 || ::ftruncate(fd, pos) != 0)
        return lastError("truncate");
    return {};
}

Result<void> setLastWrite(int fd, FileTime time) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    std::int64_t sec = 0;
    long nsec = 0;
    unixPartsFromFileTime(time, sec, nsec);
    times[1].tv_sec = static_cast<time_t>(sec);
    times[1].tv_nsec = nsec;
    if (::futimens(fd, times) != 0)
        return lastError("file time");
    return {};
}

Result<void> syncData(int fd) {
    if (::fdatasync(fd) != 0)
        return lastError("sync");
    return {};
}

namespace {

constexpr const char* kAttributeName = "user.DOSATTRIB";
constexpr std::size_t kAttributeRoom = 31;

std::uint32_t attributesFrom(ssize_t n, char* buf, const Stat& st) {
    std::uint32_t attr = 0;
    bool stored = false;
    if (n > 0) {
        buf[n] = '\0';
        unsigned value = 0;
        if (std::sscanf(buf, "0x%x", &value) == 1) {
            attr = value & FileAttribute::Stored;
            stored = true;
        }
    }
    // A file the machine has never seen counts as new: Windows marks those for backup.
    if (!stored && !st.isFolder())
        attr |= FileAttribute::Archive;
    if (st.isFolder())
        attr |= FileAttribute::Directory;
    if (!st.ownerWritable())
        attr |= FileAttribute::ReadOnly;
    if (attr == 0)
        attr = FileAttribute::Normal;
    return attr;
}

} // namespace

std::uint32_t attributes(int fd, Via via, const Stat& st) {
    char buf[kAttributeRoom + 1];
    ssize_t n = via == Via::OpenFile ? ::fgetxattr(fd, kAttributeName, buf, kAttributeRoom)
                                     : ::getxattr(fdPath(fd).c_str(), kAttributeName, buf, kAttributeRoom);
    return attributesFrom(n, buf, st);
}

std::uint32_t attributesAt(int dir, const std::string& name, const Stat& st) {
    char buf[kAttributeRoom + 1];
    return attributesFrom(::lgetxattr(fdPath(dir, name).c_str(), kAttributeName, buf, kAttributeRoom), buf, st);
}

Result<void> storeAttributes(int fd, Via via, std::uint32_t attributes) {
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "0x%x", attributes & FileAttribute::Stored);
    auto size = static_cast<std::size_t>(n);
    int rc = via == Via::OpenFile ? ::fsetxattr(fd, kAttributeName, buf, size, 0)
                                  : ::setxattr(fdPath(fd).c_str(), kAttributeName, buf, size, 0);
    if (rc != 0)
        return lastError("attributes");
    return {};
}

Result<void> setOwnerWritable(int fd, Via via, const Stat& st, Writable writable) {
    mode_t mode = st.mode;
    mode_t wanted = writable == Writable::Yes ? (mode | S_IWUSR) : (mode & ~S_IWUSR);
    if (wanted == mode)
        return {};
    int rc = via == Via::OpenFile ? ::fchmod(fd, wanted) : ::chmod(fdPath(fd).c_str(), wanted);
    if (rc != 0)
        return lastError("attributes");
    return {};
}

namespace {
// Asked for every temporary name; a child of a fork asks the host afresh.
std::atomic<unsigned long> g_pid{0};
void forgetPid() { g_pid.store(0, std::memory_order_relaxed); }
} // namespace

unsigned creationMask() {
    // Read rather than set and reset, which would race with files made meanwhile.
    static const unsigned mask = [] {
        unsigned value = 022;
        if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
            char line[256];
            while (std::fgets(line, sizeof line, f))
                if (std::sscanf(line, "Umask: %o", &value) == 1)
                    break;
            std::fclose(f);
        }
        return value;
    }();
    return mask;
}

unsigned long processId() {
    unsigned long pid = g_pid.load(std::memory_order_relaxed);
    if (pid == 0) {
        static const int registered = ::pthread_atfork(nullptr, nullptr, forgetPid);
        (void)registered;
        pid = static_cast<unsigned long>(::getpid());
        g_pid.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

bool stderrIsTerminal() { return ::isatty(2) != 0; }

bool stdinIsTerminal() { return ::isatty(0) != 0; }

} // namespace host
} // namespace zrv
