// The authoring tool's settings: integers and strings by section and key, kept
// in its machine's registry under HKEY_CURRENT_USER\Software\VQRSoftware\ZRVA32.
// A setting that cannot be read gives its default.
#pragma once

#include "platform/base/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zrv {
class Machine;
}

namespace zrv::authoring {

inline constexpr const char* kSettingsKey = "Software\\VQRSoftware\\ZRVA32";

class SettingsStore {
public:
    explicit SettingsStore(Machine& machine) : m_machine(machine) {}

    std::int32_t getInt(std::string_view section, std::string_view key, std::int32_t defaultValue);
    std::string getString(std::string_view section, std::string_view key, std::string_view defaultValue);
    Result<void> setInt(std::string_view section, std::string_view key, std::int32_t value);
    Result<void> setString(std::string_view section, std::string_view key, std::string_view value);

    // What is stored: sections, and a section's keys with their values as text
    // (integers in decimal) and whether each is an integer.
    struct Entry {
        std::string key;
        std::string value;
        bool integer = false;
        std::int32_t number = 0; // the value of an integer
    };
    Result<std::vector<std::string>> sections();
    Result<std::vector<Entry>> entries(std::string_view section);
    // One stored setting, if there is one.
    Result<std::optional<Entry>> find(std::string_view section, std::string_view key);

private:
    std::string pathOf(std::string_view section) const;
    Machine& m_machine;
};

} // namespace zrv::authoring
