// Host file-system primitives the machine is built on: owned descriptors,
// confined opening below a drive root, error translation and DOS attributes.
#pragma once

#include "platform/result.h"

#include <string>
#include <string_view>
#include <sys/stat.h>

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

WinError winErrorFromErrno(int err);
Error errnoError(int err, std::string_view what);

// openat2 with RESOLVE_IN_ROOT: "..", absolute symbolic links and links that
// point upwards all stay below `root`. `rel` is relative ("." for the root).
Result<UniqueFd> openInRoot(int root, const std::string& rel, int flags, mode_t mode = 0);
// openat2 of a name in an open folder that follows no link at all (NotSupported
// for one): nothing outside the folder can be reached.
Result<UniqueFd> openBelow(int dir, const std::string& name, int flags, mode_t mode = 0);

// "/proc/self/fd/N" (and "/proc/self/fd/N/name"): reaches what a descriptor holds
// for calls that have no descriptor form, without walking any path again.
std::string fdPath(int fd);
std::string fdPath(int dirfd, std::string_view name);

// DOS attribute bits kept beside the POSIX ones.
namespace FileAttribute {
inline constexpr std::uint32_t ReadOnly = 0x01;
inline constexpr std::uint32_t Hidden = 0x02;
inline constexpr std::uint32_t System = 0x04;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
// The bits kept in user.DOSATTRIB.
inline constexpr std::uint32_t Stored = Hidden | System | Archive;
} // namespace FileAttribute

// Attributes of the object at `path` (a /proc fd path, not followed at the end
// when `followLast` is false), given its stat data.
std::uint32_t readAttributes(const std::string& path, const struct stat& st, bool followLast);
// The same through a descriptor opened for reading or writing (not O_PATH).
std::uint32_t readAttributes(int fd, const struct stat& st);
// Stores the hidden, system and archive bits; the read-only bit is the owner
// write bit and is set separately.
Result<void> writeStoredAttributes(const std::string& path, std::uint32_t attributes);
Result<void> writeStoredAttributes(int fd, std::uint32_t attributes);

} // namespace zrv
