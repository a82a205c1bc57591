// What the registry's store and its REGEDIT4 reader and writer share: the
// stored form of keys and values.
#pragma once

#include <cstddef>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {

inline constexpr std::size_t kMaxValueBytes = 1 << 20;

// "A\\B\\C" as its names, empty ones left out.
std::vector<std::string> splitKeyPath(std::string_view path);
// A blob column as bytes.
std::string blobText(sqlite3_stmt* st, int col);

} // namespace zrv
