// Windows path texts: parsing into drive and components, normalisation of "."
// and "..", and the checks that keep names inside what Windows itself accepts.
#pragma once

#include "platform/base/result.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {

// MAX_PATH less its NUL: the longest full path the machine accepts.
inline constexpr std::size_t kMaxPathLength = 259;
inline constexpr std::size_t kMaxComponentLength = 255;

struct WinPath {
    char drive = 'C'; // upper case
    std::vector<std::string> components;

    bool isRoot() const { return components.empty(); }
    // "C:\" for a root, else "C:\DIR\NAME".
    std::string text() const;
    WinPath parent() const;
    const std::string& name() const { return components.back(); }
    WinPath child(std::string name) const;
};

// The current directory of every drive, as the machine keeps it.
struct DirectoryState {
    char currentDrive = 'C';
    std::array<std::string, 26> perDrive; // full paths; empty means the root

    std::string currentDirectory() const;
    WinPath directoryOf(char drive) const;
};

enum class PathUse {
    Name,    // a file or directory name: no wildcards
    Pattern, // a search pattern: wildcards allowed in the last component
};

// GetFullPathName: a full, normalised path, or the reason it can never name a
// file. Hostile paths (device names, NULs, UNC names, overlong texts) fail as
// "not found" so they behave like missing files.
Result<WinPath> fullPath(std::string_view path, const DirectoryState& dirs, PathUse use = PathUse::Name);

bool isDeviceName(std::string_view component);
bool hasWildcards(std::string_view text);

} // namespace zrv
