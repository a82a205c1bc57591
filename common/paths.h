// Path texts, directories, free space, backup and temporary names, and the
// directory list-box contents, over a machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {

class Machine;

inline constexpr std::size_t kPathBuffer = 256; // paths hold at most 255 characters

std::string AddBackslash(std::string_view path);
std::string DirectoryOf(std::string_view path);
// A directory search for the path finds something (wildcards allowed).
bool FileExists(Machine& machine, std::string_view path);
std::string CurrentDirectory(const Machine& machine);
// Upper-cases the path, drops a trailing backslash beyond "X:\", and makes it
// current; false when there is no such directory.
bool ChangeDirectory(Machine& machine, std::string_view path);
// Free bytes of the path's drive, as the 32-bit value Windows 95 reports.
std::uint32_t FreeSpace(Machine& machine, std::string_view path);
// 0 and the label; non-zero when the drive is not there.
int VolumeLabel(Machine& machine, std::string_view drive, std::string& out);

enum MakeDirectoryStatus : int {
    kDirCreated = 0,
    kDirNotWritable = 1,
    kDirTooDeep = 2,
    kDirNameTooLong = 3,
    kDirExisted = 4,
};
inline constexpr const char* kProbeFileName = "MD024687.531";
int MakeDirectoryPath(Machine& machine, std::string_view path);

// 1 when nothing matched, else 0. Only files are deleted.
int DeleteFiles(Machine& machine, std::string_view pattern);
// 0 and "NAME.001" (first free number); 1 when the name has no extension or all
// numbers are taken.
int BackupName(Machine& machine, std::string_view path, std::string& out);
std::string UniqueTempName(Machine& machine, std::string_view directory);
// The name UniqueTempName tries at this moment, without looking: for callers
// that create the file with "create new" and try again while the name is taken.
std::string TempNameNow(std::string_view directory);
// In [Install] TempPath of the program's profile, by default the Windows directory.
std::string TempFileName(Machine& machine, std::string_view profileFile);
std::optional<std::string> FindInPath(Machine& machine, std::string_view name);

struct ListBoxContents {
    std::vector<std::string> entries;
    int selected = -1;
    std::string label;
};
// "[-c-]" for each drive; the current drive selected when asked.
ListBoxContents FillDriveCombo(Machine& machine, bool selectCurrent);
// "[NAME]" for each subdirectory of the current directory, "[..]" below a root.
ListBoxContents FillDirectoryList(Machine& machine);

} // namespace zrv

namespace zrv {

// The shared data-access-objects directory, from the registry or its default.
std::string DaoDirectory(Machine& machine);
// Creates it and records DAO3032.DLL there; the status of MakeDirectoryPath.
int RegisterDaoDirectory(Machine& machine);

} // namespace zrv
