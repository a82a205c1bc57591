// Adding and removing one key=value line of a section without disturbing other
// lines with the same key, as SYSTEM.INI's repeated device= lines need.
#pragma once

#include <string_view>

namespace zrv {

class Machine;

// 1 when the file was written, 0 otherwise.
int WriteMultiProfileString(Machine& machine, std::string_view section, std::string_view key, std::string_view value,
                            std::string_view file);
// 1 when the file was rewritten, 0 otherwise.
int DelMultiProfileString(Machine& machine, std::string_view section, std::string_view key, std::string_view value,
                          std::string_view file);
void WriteProfileNumber(Machine& machine, std::string_view section, std::string_view key, long n,
                        std::string_view file);

} // namespace zrv
