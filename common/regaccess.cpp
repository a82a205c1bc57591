#include "common/regaccess.h"

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"

namespace zrv {

namespace {

// Keys are opened with the rights to create subkeys and set values, for reading
// too, so a root that refuses writes cannot be read this way either.
Registry* openable(Machine& machine, int root) {
    auto reg = machine.registry();
    if (!reg)
        return nullptr;
    RegRoot r = regRootFromNumber(root);
    if (r == RegRoot::PerformanceData || r == RegRoot::DynData)
        return nullptr;
    return *reg;
}

int writeValue(Machine& machine, int root, std::string_view key, std::string_view name, std::uint32_t type,
               std::string_view data) {
    Registry* reg = openable(machine, root);
    if (!reg)
        return 1;
    RegRoot r = regRootFromNumber(root);
    if (!reg->keyExists(r, key) && !reg->createKey(r, key))
        return 1;
    // A value that did not reach the registry (a full disk) is a failed write.
    return reg->setValue(r, key, name, type, data) ? 0 : 1;
}

} // namespace

int WriteRegString(Machine& machine, int root, std::string_view key, std::string_view name, std::string_view text) {
    std::string data(text);
    data += '\0';
    return writeValue(machine, root, key, name, RegType::Sz, data);
}

int WriteRegNumber(Machine& machine, int root, std::string_view key, std::string_view name, std::uint32_t n) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[static_cast<std::size_t>(i)] = static_cast<char>((n >> (8 * i)) & 0xFF);
    return writeValue(machine, root, key, name, RegType::Dword, data);
}

int ReadRegString(Machine& machine, int root, std::string_view key, std::string_view name,
                  std::string_view defaultValue, std::string& out, std::size_t size) {
    out = std::string(defaultValue);
    Registry* reg = openable(machine, root);
    if (!reg)
        return 1;
    auto v = reg->queryValue(regRootFromNumber(root), key, name);
    if (!v)
        return 1;
    // A value too large for the buffer leaves the default, as ERROR_MORE_DATA does.
    if (*v && (*v)->data.size() <= size) {
        const std::string& data = (*v)->data;
        out = data.substr(0, data.find('\0'));
    }
    return 0;
}

int ReadRegNumber(Machine& machine, int root, std::string_view key, std::string_view name,
                  std::uint32_t defaultValue, std::uint32_t& out) {
    out = defaultValue;
    Registry* reg = openable(machine, root);
    if (!reg)
        return 1;
    auto v = reg->queryValue(regRootFromNumber(root), key, name);
    if (!v)
        return 1;
    if (*v && (*v)->data.size() <= 4) {
        // The bytes read overwrite the buffer from its start, little-endian.
        const std::string& data = (*v)->data;
        for (std::size_t i = 0; i < data.size(); ++i) {
            out &= ~(0xFFu << (8 * i));
            out |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
        }
    }
    return 0;
}

int DeleteReg(Machine& machine, int root, std::string_view key, std::string_view name) {
    Registry* reg = openable(machine, root);
    RegRoot r = regRootFromNumber(root);
    if (!name.empty()) {
        if (!reg || !reg->keyExists(r, key))
            return 1;
        (void)reg->deleteValue(r, key, name);
        return 0;
    }
    if (reg)
        (void)reg->deleteKey(r, key); // an empty key path is refused there
    return 0;
}

} // namespace zrv
