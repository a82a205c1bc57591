// One open file of the machine. Closing happens when it goes out of scope.
#pragma once

#include "platform/base/fileinfo.h"
#include "platform/base/result.h"
#include "platform/base/winpath.h"
#include "platform/host/hostfs.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zrv {

struct Drive;

class File {
public:
    File() = default;
    File(File&&) noexcept = default;
    File& operator=(File&&) noexcept = default;

    bool isOpen() const { return m_fd.valid(); }
    void close() { m_fd.reset(); }
    const WinPath& path() const { return m_path; }

    Result<std::size_t> read(void* buffer, std::size_t count);
    // Everything from the position to the end of the file.
    Result<std::string> readToEnd();
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

    // A file the file system has just opened. `made` says it is new, a regular
    // file with no stored attributes, which reads as archived already.
    enum class Origin { Existing, Made };
    static Result<File> adopt(UniqueFd fd, const WinPath& path, const Drive* drive, Access access, Origin origin);
    // Marks the file for archiving, once per opening.
    Result<void> markArchive();

    // Counts changes made to files in place (through an open handle, or by
    // another program that may have run): what is kept of a file's text is
    // trusted only while this stays the same, since a change of the same size
    // within the host's clock tick leaves its size and times as they were.
    static std::uint64_t changesInPlace();
    static void noteChangesInPlace();

private:
    enum class Use { Reading, Writing };
    Result<void> checkOpen(Use use) const;
    Error about(const Error& e) const;

    // What the open found, for a file opened to read: its size and time hold
    // while nothing changes files in place (changesInPlace).
    Result<host::Stat> look();

    UniqueFd m_fd;
    WinPath m_path;
    host::Stat m_seen;
    std::uint64_t m_seenAt = 0; // changesInPlace() + 1 when m_seen holds, else 0
    const Drive* m_drive = nullptr;
    bool m_writable = false;
    bool m_marked = false;
    bool m_madeWritable = false; // made by this process with the owner's write bit
};

} // namespace zrv
