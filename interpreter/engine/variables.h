// The script's variables: 50 named text values, names upper-cased, an empty
// value deleting the variable; names not in the table read the machine's
// environment.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv::engine {

inline constexpr std::size_t kVariableSlots = 50;

class VariableTable {
public:
    using Environment = std::function<std::string(std::string_view name)>;
    // Replacement text of a #NAME# caption key, or nothing when it is none.
    using CaptionKey = std::function<std::optional<std::string>(std::string_view key)>;

    explicit VariableTable(Environment environment = {}) : m_environment(std::move(environment)) {}
    void setCaptionKeys(CaptionKey keys) { m_captions = std::move(keys); }

    int SetVariable(std::string_view name, std::string_view value);
    int SetVariableNumber(std::string_view name, std::int32_t n);
    std::string GetVariable(std::string_view name) const;
    std::int32_t GetVariableNumber(std::string_view name) const;
    std::string ExpandNames(std::string_view text) const;

    struct Slot {
        std::string name;
        std::string value;
    };
    const std::array<Slot, kVariableSlots>& slots() const { return m_slots; }
    // "\n*** Variables Dump ***\n\n" and NAME=VALUE lines, for the trace log.
    std::string dump() const;
    // The debugger's list entries: "  NAME = 'VALUE'".
    std::vector<std::string> ListVariables() const;

private:
    std::array<Slot, kVariableSlots> m_slots;
    Environment m_environment;
    CaptionKey m_captions;
};

// A signed decimal at the start of the text (leading blanks and a sign allowed).
std::int32_t toNumber(std::string_view text);

} // namespace zrv::engine
