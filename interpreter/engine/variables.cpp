#include "interpreter/engine/variables.h"

#include <charconv>

#include "interpreter/engine/errors.h"
#include "platform/base/ansi.h"

#include <cstdio>

namespace zrv::engine {

std::int32_t toNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::uint32_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = v * 10u + static_cast<std::uint32_t>(text[i] - '0');
    return static_cast<std::int32_t>(negative ? 0u - v : v);
}

int VariableTable::SetVariable(std::string_view name, std::string_view value) {
    std::string upper = upperAnsi(name);
    for (Slot& s : m_slots) {
        if (!s.name.empty() && s.name == upper) {
            if (value.empty())
                s.name.clear(), s.value.clear();
            else
                s.value = std::string(value);
            return 0;
        }
    }
    if (value.empty())
        return 0;
    for (Slot& s : m_slots) {
        if (s.name.empty()) {
            s.name = upper;
            s.value = std::string(value);
            return 0;
        }
    }
    return kErrOutOfVariables;
}

int VariableTable::SetVariableNumber(std::string_view name, std::int32_t n) {
    // Unsigned, as the 32-bit value reads.
    char buf[16];
    auto end = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint32_t>(n)).ptr;
    return SetVariable(name, std::string_view(buf, static_cast<std::size_t>(end - buf)));
}

std::string VariableTable::GetVariable(std::string_view name) const {
    std::string upper = upperAnsi(name);
    for (const Slot& s : m_slots)
        if (!s.name.empty() && s.name == upper)
            return s.value;
    return m_environment ? m_environment(upper) : std::string();
}

std::int32_t VariableTable::GetVariableNumber(std::string_view name) const { return toNumber(GetVariable(name)); }

std::string VariableTable::ExpandNames(std::string_view text) const {
    if (text.find('#') == std::string_view::npos)
        return std::string(text);
    std::string out;
    std::string name;
    bool open = false;
    auto isNameChar = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    };
    for (char c : text) {
        if (!open) {
            if (c == '#') {
                open = true;
                name.clear();
            } else {
                out += c;
            }
            continue;
        }
        if (c == '#') {
            open = false;
            if (name.empty()) {
                out += '#';
                continue;
            }
            std::string key = upperAnsi(name);
            if (key == "INSTVER")
                out += "ZRVX32";
            else if (auto caption = m_captions ? m_captions(key) : std::nullopt)
                out += *caption;
            else
                out += GetVariable(key);
            continue;
        }
        if (isNameChar(c)) {
            name += c;
            continue;
        }
        // Not a name after all: its text stays, the opening '#' goes.
        open = false;
        out += name;
        out += c;
    }
    return out;
}

std::string VariableTable::dump() const {
    std::string out = "\n*** Variables Dump ***\n\n";
    for (const Slot& s : m_slots)
        if (!s.name.empty())
            out += s.name + "=" + s.value + "\n";
    return out;
}

std::vector<std::string> VariableTable::ListVariables() const {
    std::vector<std::string> out;
    for (const Slot& s : m_slots)
        if (!s.name.empty())
            out.push_back("  " + s.name + " = '" + s.value + "'");
    return out;
}

} // namespace zrv::engine
