// One open file on the machine, plain or read through the LZ expander, with
// line and string I/O, and the plain copy that keeps the file date.
#pragma once

#include "common/datetime.h"
#include "platform/formats/lz.h"
#include "platform/machine/machine.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zrv {

// The classic open-file flags.
namespace OpenFlag {
inline constexpr int Read = 0x00;
inline constexpr int Write = 0x01;
inline constexpr int ReadWrite = 0x02;
inline constexpr int ShareExclusive = 0x10;
inline constexpr int ShareDenyWrite = 0x20;
inline constexpr int ShareDenyRead = 0x30;
inline constexpr int ShareDenyNone = 0x40;
} // namespace OpenFlag

inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

class FileAccess {
public:
    explicit FileAccess(Machine& machine) : m_machine(machine) {}
    FileAccess(const FileAccess&) = delete;
    FileAccess& operator=(const FileAccess&) = delete;
    ~FileAccess() { DropBeside(); } // a file made beside its target and never placed goes

    // 0 success; 1 already open or failure.
    int Open(std::string_view path, int flags, bool compressed = false);
    // 0 success; 1 cannot create; 2 already open.
    int Create(std::string_view path, int flags);
    // Creates a file for reading and writing under a temporary name beside
    // `target`, to be put in its place once whole: 0 success; 1 cannot
    // create; 2 already open.
    int CreateBeside(std::string_view target);
    // After Close: puts the file made beside its target in the target's place,
    // replacing the target or only where it is missing (0 success, 1 failure,
    // the new file gone), or drops it.
    int PlaceBeside(bool replace);
    void DropBeside();
    // Sets the attributes of the open plain file: 0 success, 1 failure.
    int SetOwnAttributes(std::uint32_t attributes);
    void Close();
    bool IsOpen() const { return m_open; }
    bool IsCompressed() const { return m_compressed; }
    // Opened for expansion and the file really is compressed.
    bool IsExpanding() const { return m_lz != nullptr; }
    const std::string& Path() const { return m_path; }

    long Read(void* buffer, long count);   // -1 when not open
    long Write(const void* buffer, long count); // -1 when not open or compressed
    // Copies count bytes from the current position of a plain source to this
    // file's position without passing them through the program; -1 when that
    // cannot be done here (the caller then reads and writes itself).
    long CopyFrom(FileAccess& source, long count);
    int ReadLine(std::string& line);      // 0 a line, 1 end of file
    long WriteLine(std::string_view text);
    int ReadString(std::string& text);    // 0 a string, 1 end of file
    long WriteString(std::string_view text);
    long Size();
    long Seek(long offset, int origin);
    int Truncate();
    int GetTime(DateTime& time);
    int SetTime(const DateTime& time);
    // The same as the machine's own time, with no calendar in between.
    int GetFileTime(FileTime& time);
    int SetFileTime(FileTime time);
    // Universal time's digits, as GetTime gives them.
    static DateTime digitsOf(FileTime time);

    static std::uint32_t GetAttributes(Machine& machine, std::string_view path);
    static int SetAttributes(Machine& machine, std::string_view path, std::uint32_t attributes);

private:
    int readUntil(char end, std::string& out);

    Machine& m_machine;
    std::string m_path;
    int m_flags = 0;
    bool m_open = false;
    bool m_compressed = false;
    File m_file;
    std::unique_ptr<ByteReader> m_lz;
    std::optional<FileSystem::Beside> m_beside;
};

enum CopyStatus : int {
    kCopied = 0,
    kCopySourceOpen = 1,
    kCopyTargetCreate = 2,
    kCopyNoSpace = 3,
    kCopySameName = 4,
    kCopyReadError = 6,
    kCopyWriteError = 7,
};
int CopyFileWithDate(Machine& machine, std::string_view source, std::string_view target, std::size_t bufferSize);

} // namespace zrv
