#include "platform/hostfs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace zrv {

void UniqueFd::reset(int fd) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

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

namespace {

Result<UniqueFd> openHow(int dir, const std::string& rel, int flags, mode_t mode, std::uint64_t resolve) {
    struct open_how how {};
    how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & (O_CREAT | O_TMPFILE)) ? mode : 0;
    how.resolve = resolve;
    for (;;) {
        long fd = ::syscall(SYS_openat2, dir, rel.empty() ? "." : rel.c_str(), &how, sizeof how);
        if (fd >= 0)
            return UniqueFd(static_cast<int>(fd));
        // openat2 asks for a retry when a rename raced with the walk.
        if (errno == EAGAIN || errno == EINTR)
            continue;
        // Below a folder a link is refused (ELOOP), which is not a missing name.
        if (errno == ELOOP && (resolve & RESOLVE_NO_SYMLINKS))
            return fail(WinError::NotSupported, rel + ": a link");
        return errnoError(errno, rel);
    }
}

} // namespace

Result<UniqueFd> openInRoot(int root, const std::string& rel, int flags, mode_t mode) {
    return openHow(root, rel, flags, mode, RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS);
}

Result<UniqueFd> openBelow(int dir, const std::string& name, int flags, mode_t mode) {
    return openHow(dir, name, flags, mode, RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS);
}

std::string fdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

std::string fdPath(int dirfd, std::string_view name) {
    std::string p = fdPath(dirfd);
    p += '/';
    p += name;
    return p;
}

namespace {

std::uint32_t attributesFrom(ssize_t n, char* buf, const struct stat& st) {
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
    if (!stored && !S_ISDIR(st.st_mode))
        attr |= FileAttribute::Archive;
    if (S_ISDIR(st.st_mode))
        attr |= FileAttribute::Directory;
    if (!(st.st_mode & S_IWUSR))
        attr |= FileAttribute::ReadOnly;
    if (attr == 0)
        attr = FileAttribute::Normal;
    return attr;
}

constexpr const char* kAttributeName = "user.DOSATTRIB";
constexpr std::size_t kAttributeRoom = 31;

int formatStored(char (&buf)[32], std::uint32_t attributes) {
    return std::snprintf(buf, sizeof buf, "0x%x", attributes & FileAttribute::Stored);
}

Result<void> stored(int rc) {
    if (rc != 0)
        return errnoError(errno, "attributes");
    return {};
}

} // namespace

std::uint32_t readAttributes(const std::string& path, const struct stat& st, bool followLast) {
    char buf[kAttributeRoom + 1];
    ssize_t n = followLast ? ::getxattr(path.c_str(), kAttributeName, buf, kAttributeRoom)
                           : ::lgetxattr(path.c_str(), kAttributeName, buf, kAttributeRoom);
    return attributesFrom(n, buf, st);
}

std::uint32_t readAttributes(int fd, const struct stat& st) {
    char buf[kAttributeRoom + 1];
    return attributesFrom(::fgetxattr(fd, kAttributeName, buf, kAttributeRoom), buf, st);
}

Result<void> writeStoredAttributes(const std::string& path, std::uint32_t attributes) {
    char buf[32];
    int n = formatStored(buf, attributes);
    return stored(::setxattr(path.c_str(), kAttributeName, buf, static_cast<std::size_t>(n), 0));
}

Result<void> writeStoredAttributes(int fd, std::uint32_t attributes) {
    char buf[32];
    int n = formatStored(buf, attributes);
    return stored(::fsetxattr(fd, kAttributeName, buf, static_cast<std::size_t>(n), 0));
}

} // namespace zrv
