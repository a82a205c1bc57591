#include "authoring/project/settings.h"

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"

namespace zrv::authoring {

namespace {

std::string dwordBytes(std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

SettingsStore::Entry entryOf(const RegValue& v) {
    SettingsStore::Entry e;
    e.key = v.name;
    if (v.type == RegType::Dword && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
        e.number = static_cast<std::int32_t>(n);
        e.value = std::to_string(e.number);
        e.integer = true;
        return e;
    }
    e.value = v.data.substr(0, v.data.find('\0'));
    return e;
}

} // namespace

std::string SettingsStore::pathOf(std::string_view section) const { return kSettingsKey + ("\\" + std::string(section)); }

Result<std::optional<SettingsStore::Entry>> SettingsStore::find(std::string_view section, std::string_view key) {
    ZRV_TRY_ASSIGN(Registry * reg, m_machine.registry());
    if (!reg->keyExists(RegRoot::CurrentUser, pathOf(section)))
        return std::optional<Entry>();
    ZRV_TRY_ASSIGN(auto value, reg->queryValue(RegRoot::CurrentUser, pathOf(section), key));
    if (!value)
        return std::optional<Entry>();
    return std::optional<Entry>(entryOf(*value));
}

std::int32_t SettingsStore::getInt(std::string_view section, std::string_view key, std::int32_t defaultValue) {
    auto e = find(section, key);
    if (!e || !*e || !(*e)->integer)
        return defaultValue;
    return (*e)->number;
}

std::string SettingsStore::getString(std::string_view section, std::string_view key, std::string_view defaultValue) {
    auto e = find(section, key);
    if (!e || !*e || (*e)->integer)
        return std::string(defaultValue);
    return (*e)->value;
}

Result<void> SettingsStore::setInt(std::string_view section, std::string_view key, std::int32_t value) {
    ZRV_TRY_ASSIGN(Registry * reg, m_machine.registry());
    return reg->setValue(RegRoot::CurrentUser, pathOf(section), key, RegType::Dword, dwordBytes(value));
}

Result<void> SettingsStore::setString(std::string_view section, std::string_view key, std::string_view value) {
    ZRV_TRY_ASSIGN(Registry * reg, m_machine.registry());
    return reg->setValue(RegRoot::CurrentUser, pathOf(section), key, RegType::Sz, std::string(value) + '\0');
}

Result<std::vector<std::string>> SettingsStore::sections() {
    ZRV_TRY_ASSIGN(Registry * reg, m_machine.registry());
    if (!reg->keyExists(RegRoot::CurrentUser, kSettingsKey))
        return std::vector<std::string>();
    return reg->subkeys(RegRoot::CurrentUser, kSettingsKey);
}

Result<std::vector<SettingsStore::Entry>> SettingsStore::entries(std::string_view section) {
    ZRV_TRY_ASSIGN(Registry * reg, m_machine.registry());
    std::vector<Entry> out;
    if (!reg->keyExists(RegRoot::CurrentUser, pathOf(section)))
        return out;
    ZRV_TRY_ASSIGN(auto values, reg->values(RegRoot::CurrentUser, pathOf(section)));
    for (const RegValue& v : values)
        out.push_back(entryOf(v));
    return out;
}

} // namespace zrv::authoring
