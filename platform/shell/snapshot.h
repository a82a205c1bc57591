// What a machine holds, as sorted entries that can be saved and compared: the
// files of its writable drives, its registry and its Program Manager groups.
// Comparing a snapshot taken before an install with one taken after shows
// what the install did.
#pragma once

#include "platform/base/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace zrv {

class Machine;

struct SnapshotEntry {
    std::string kind;  // "dir", "file", "key", "value", "group", "item"
    std::string key;   // what it is (a path, a key, a group), code page 1252
    std::string value; // what it holds: size, time, attributes and hash; a value's type and data
    bool operator<(const SnapshotEntry& o) const { return kind != o.kind ? kind < o.kind : key < o.key; }
};

Result<std::vector<SnapshotEntry>> takeSnapshot(Machine& machine);
// One field of a file's or folder's value ("size", "time", "attr", "hash"),
// empty when it has none.
std::string snapshotField(const SnapshotEntry& entry, std::string_view name);
std::string formatSnapshot(const std::vector<SnapshotEntry>& entries);
Result<std::vector<SnapshotEntry>> parseSnapshot(std::string_view text);

struct SnapshotChange {
    char op; // '+' added, '-' removed, '~' changed
    SnapshotEntry before, after;
};
std::vector<SnapshotChange> diffSnapshots(const std::vector<SnapshotEntry>& before,
                                          const std::vector<SnapshotEntry>& after);

} // namespace zrv
