// Runs operations through the Win32 functions under Wine, in one batch: the
// probe program (probe.c, built with the MinGW compiler) reads them from a file
// and writes one result line each.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zrv::conformance {

using Field = std::optional<std::string>; // nullopt is a null pointer

class WineProbe {
public:
    // The probe's path comes from ZRV_PROBE; Wine's prefix from WINEPREFIX.
    WineProbe();
    // Queues an operation; its result is run()[returned index].
    std::size_t add(std::vector<Field> fields);
    // Runs every queued operation in one Wine process.
    std::vector<std::string> run();

    // A host path as Wine's Z: drive names it.
    static std::string winePath(const std::filesystem::path& host);
    // Whether the probe and Wine are there; the reason when not.
    static std::optional<std::string> missing();

private:
    std::vector<std::vector<Field>> m_operations;
};

std::string escapeField(const Field& field);
std::string unescapeField(std::string_view text);

} // namespace zrv::conformance
