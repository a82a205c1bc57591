// Shell Link (.LNK) files: what a Program Manager item holds, in the format
// Windows reads (ANSI strings, target in the link information).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zrv {

struct ShellLink {
    std::string target;           // full Windows path of the program
    std::string arguments;
    std::string workingDirectory;
    std::string iconFile;
    int iconIndex = 0;
    std::string description;      // the item's title
    std::uint32_t showCommand = 1; // SW_SHOWNORMAL
    bool operator==(const ShellLink&) const = default;
};

std::string writeShellLink(const ShellLink& link);
std::optional<ShellLink> readShellLink(std::string_view bytes);

} // namespace zrv
