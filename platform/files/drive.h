// Drives: a letter mapped to a host folder, perhaps read-only, labelled or
// given a capacity.
#pragma once

#include "platform/base/result.h"
#include "platform/host/hostfs.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zrv {

// One drive letter's mapping: "X=HOSTDIR[,ro][,label=L][,size=N]".
struct DriveMapping {
    char letter = 'C';
    std::string hostRoot; // absolute, or relative to the machine directory
    bool readOnly = false;
    std::string label;
    std::optional<std::uint64_t> capacity;

    static Result<DriveMapping> parse(std::string_view spec);
    std::string format() const; // the text after "X="
};

struct Drive {
    char letter = 'C';
    std::filesystem::path hostRoot; // absolute
    UniqueFd root;                  // handle of hostRoot
    bool readOnly = false;
    std::string label;
    std::optional<std::uint64_t> capacity;

    // Opens the mapping's folder; a relative host root is taken below `base`.
    static Result<Drive> open(const DriveMapping& mapping, const std::filesystem::path& base);
    DriveMapping mapping() const;
    std::uint64_t usedBytes() const; // walks the drive; only for drives with a capacity
    // Room left where a capacity is set, else what the host has.
    Result<std::uint64_t> freeBytes() const;
};

} // namespace zrv
