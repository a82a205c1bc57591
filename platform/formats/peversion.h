// The fixed version information (VS_FIXEDFILEINFO) of PE32 and PE32+ files and
// of 16-bit (NE) files, as GetFileVersionInfo reads it. A file without one, or
// a malformed file, has none.
#pragma once

#include "platform/machine/machine.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace zrv {

struct FileVersion {
    std::uint32_t fileMS = 0; // major << 16 | minor
    std::uint32_t fileLS = 0; // build << 16 | revision
    std::uint32_t productMS = 0;
    std::uint32_t productLS = 0;

    int major() const { return static_cast<int>(fileMS >> 16); }
    int minor() const { return static_cast<int>(fileMS & 0xFFFF); }
    int build() const { return static_cast<int>(fileLS >> 16); }
    int revision() const { return static_cast<int>(fileLS & 0xFFFF); }
    bool operator==(const FileVersion&) const = default;
};

// Reads `count` bytes at `offset` into `out`; false when they are not there.
using ByteRange = std::function<bool(std::uint64_t offset, std::size_t count, void* out)>;

std::optional<FileVersion> readFileVersion(const ByteRange& read);
std::optional<FileVersion> readFileVersion(std::string_view image);
std::optional<FileVersion> fileVersion(Machine& machine, std::string_view path);

} // namespace zrv
