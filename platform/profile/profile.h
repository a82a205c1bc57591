// The Win32 profile functions over a machine's files: GetPrivateProfileString,
// GetPrivateProfileInt, WritePrivateProfileString and their WIN.INI forms.
#pragma once

#include "platform/base/result.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {

class Machine;

// A name without a directory lies in the Windows directory.
std::string profileFilePath(const Machine& machine, std::string_view file);

std::string getPrivateProfileString(Machine& machine, std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::string_view file);
// The number at the start of the value (a sign allowed; 0x, 0o and 0b choose
// the base); the default when the key is missing or empty, 0 when it does not
// start with a number.
int getPrivateProfileInt(Machine& machine, std::string_view section, std::string_view key, int defaultValue,
                         std::string_view file);
// No key deletes the section; no value deletes the key. The file and section
// are created as needed; the file is replaced whole, never rewritten in place.
Result<void> writePrivateProfileString(Machine& machine, std::string_view section,
                                       std::optional<std::string_view> key,
                                       std::optional<std::string_view> value, std::string_view file);
std::vector<std::string> getPrivateProfileSectionNames(Machine& machine, std::string_view file);
std::vector<std::string> getPrivateProfileKeys(Machine& machine, std::string_view section, std::string_view file);

inline constexpr std::string_view kWinIni = "WIN.INI";
inline int getProfileInt(Machine& machine, std::string_view section, std::string_view key, int defaultValue) {
    return getPrivateProfileInt(machine, section, key, defaultValue, kWinIni);
}
inline std::string getProfileString(Machine& machine, std::string_view section, std::string_view key,
                                    std::string_view defaultValue) {
    return getPrivateProfileString(machine, section, key, defaultValue, kWinIni);
}

} // namespace zrv
