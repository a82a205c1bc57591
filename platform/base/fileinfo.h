// What the machine tells about a file, and how files are opened: the Windows
// notions every layer above the host shares.
#pragma once

#include <cstdint>
#include <string>

namespace zrv {

// Windows FILETIME: 100-nanosecond ticks since 1601-01-01 UTC.
using FileTime = std::uint64_t;
FileTime fileTimeFromUnix(std::int64_t seconds, long nanoseconds = 0);
std::int64_t unixFromFileTime(FileTime ft);
// The same instant as whole seconds and nanoseconds since 1970, rounded down.
void unixPartsFromFileTime(FileTime ft, std::int64_t& seconds, long& nanoseconds);
// The time as a DOS date and time holds it: whole seconds, rounded down to even.
FileTime dosGrained(FileTime ft);

// DOS attribute bits kept beside the host's own.
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

struct FileInfo {
    std::string name; // as stored, in code page 1252
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    FileTime lastWrite = 0;
    bool isDirectory() const { return attributes & FileAttribute::Directory; }
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

} // namespace zrv
