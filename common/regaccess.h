// The five registry functions setup scripts rest on, addressed by root number,
// key path and value name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zrv {

class Machine;

// 1 when the key can be neither opened nor created, else 0.
int WriteRegString(Machine& machine, int root, std::string_view key, std::string_view name, std::string_view text);
int WriteRegNumber(Machine& machine, int root, std::string_view key, std::string_view name, std::uint32_t n);
// `out` gets the default, then the value when there is one (at most `size`
// bytes with the terminating NUL). 1 when the key cannot be opened.
int ReadRegString(Machine& machine, int root, std::string_view key, std::string_view name,
                  std::string_view defaultValue, std::string& out, std::size_t size);
int ReadRegNumber(Machine& machine, int root, std::string_view key, std::string_view name,
                  std::uint32_t defaultValue, std::uint32_t& out);
// A name deletes that value (1 when the key cannot be opened); no name deletes
// the key with all its subkeys.
int DeleteReg(Machine& machine, int root, std::string_view key, std::string_view name);

} // namespace zrv
