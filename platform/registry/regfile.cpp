// REGEDIT4 text: the registry written out for people and other programs, and
// read back in.
#include "platform/registry/registry.h"

#include "platform/base/ansi.h"
#include "platform/registry/sql.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zrv {

std::string regEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

namespace {

void appendHex(std::string& out, std::string_view prefix, std::string_view data) {
    std::size_t lineStart = out.size();
    out += prefix;
    char cell[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(cell, sizeof cell, "%02x", static_cast<unsigned char>(data[i]));
        out += cell;
        if (i + 1 < data.size()) {
            out += ',';
            // Lines of hex bytes wrap near 80 columns, as the registry editor writes them.
            if (out.size() - lineStart > 76) {
                out += "\\\r\n  ";
                lineStart = out.size() - 2;
            }
        }
    }
    out += "\r\n";
}

std::string formatValue(const RegValue& v) {
    std::string head = v.name.empty() ? "@=" : "\"" + regEscape(v.name) + "\"=";
    std::string out;
    // A line break inside quotes would end the line for every reader, so such
    // a string, like one without its single terminator, is written as bytes.
    bool plainString = v.type == RegType::Sz && !v.data.empty() && v.data.back() == '\0' &&
                       v.data.find_first_of(std::string_view("\0\r\n", 3)) == v.data.size() - 1;
    if (plainString) {
        out = head + "\"" + regEscape(std::string_view(v.data).substr(0, v.data.size() - 1)) + "\"\r\n";
    } else if (v.type == RegType::Dword && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
        char buf[32];
        std::snprintf(buf, sizeof buf, "dword:%08x\r\n", n);
        out = head + buf;
    } else if (v.type == RegType::Binary) {
        appendHex(out, head + "hex:", v.data);
    } else {
        char type[24];
        std::snprintf(type, sizeof type, "hex(%x):", v.type);
        appendHex(out, head + type, v.data);
    }
    return out;
}

} // namespace

void Registry::exportKey(std::string& out, std::int64_t id, const std::string& name) {
    out += "[" + name + "]\r\n";
    sqlite3_stmt* vals = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY folded, name", -1, &vals,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_int64(vals, 1, id);
        while (sqlite3_step(vals) == SQLITE_ROW)
            out += formatValue({blobText(vals, 0), static_cast<std::uint32_t>(sqlite3_column_int64(vals, 1)),
                                blobText(vals, 2)});
        sqlite3_finalize(vals);
    }
    out += "\r\n";
    std::vector<std::pair<std::int64_t, std::string>> children;
    sqlite3_stmt* keys = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT id, name FROM keys WHERE parent=?1 ORDER BY folded, name", -1, &keys,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_int64(keys, 1, id);
        while (sqlite3_step(keys) == SQLITE_ROW)
            children.emplace_back(sqlite3_column_int64(keys, 0), blobText(keys, 1));
        sqlite3_finalize(keys);
    }
    for (const auto& [child, childName] : children)
        exportKey(out, child, name + "\\" + childName);
}

Result<std::string> Registry::exportText(std::optional<RegRoot> root, std::string_view path) {
    std::string out = "REGEDIT4\r\n\r\n";
    // One read transaction, so the text is one consistent state.
    if (auto r = exec("BEGIN"); !r)
        return r.error();
    if (root) {
        auto id = findKey(*root, path);
        if (!id || !*id) {
            (void)exec("ROLLBACK");
            return id ? Result<std::string>(fail(WinError::FileNotFound, "no such key")) : Result<std::string>(id.error());
        }
        std::string name = regRootName(*root);
        for (const std::string& p : splitKeyPath(path))
            name += "\\" + p;
        exportKey(out, **id, name);
    } else {
        for (RegRoot r : {RegRoot::LocalMachine, RegRoot::Users}) {
            auto id = findKey(r, "");
            if (id && *id)
                exportKey(out, **id, regRootName(r));
        }
    }
    (void)exec("COMMIT");
    return out;
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A quoted text at the start of s: its content, and s moved past it.
std::optional<std::string> readQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"')
        return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out += s[++i];
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

std::optional<std::string> readHexBytes(std::string_view s) {
    std::string out;
    s = trim(s);
    while (!s.empty()) {
        std::size_t comma = s.find(',');
        std::string_view cell = trim(s.substr(0, comma));
        if (cell.empty() && comma == std::string_view::npos)
            break;
        if (cell.size() < 1 || cell.size() > 2)
            return std::nullopt;
        int v = 0;
        for (char c : cell) {
            int d = hexDigit(c);
            if (d < 0)
                return std::nullopt;
            v = v * 16 + d;
        }
        out += static_cast<char>(v);
        if (out.size() > kMaxValueBytes)
            return std::nullopt;
        if (comma == std::string_view::npos)
            break;
        s.remove_prefix(comma + 1);
    }
    return out;
}

struct KeyName {
    RegRoot root;
    std::string path;
};

std::optional<KeyName> parseKeyName(std::string_view text) {
    std::size_t slash = text.find('\\');
    auto root = regRootFromName(text.substr(0, slash));
    if (!root)
        return std::nullopt;
    return KeyName{*root, slash == std::string_view::npos ? std::string() : std::string(text.substr(slash + 1))};
}

} // namespace

Result<void> Registry::importText(std::string_view text) {
    // Physical lines, with their numbers, joined where a line ends in '\'.
    std::vector<std::pair<int, std::string>> lines;
    {
        int number = 0;
        std::size_t start = 0;
        bool continuing = false;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view raw = text.substr(start, end - start);
            start = end + 1;
            ++number;
            std::string_view line = trim(raw);
            if (continuing)
                lines.back().second += line;
            else
                lines.emplace_back(number, std::string(line));
            continuing = !lines.back().second.empty() && lines.back().second.back() == '\\' &&
                         lines.back().second.find('=') != std::string::npos;
            if (continuing)
                lines.back().second.pop_back();
        }
    }
    auto bad = [](int line, const std::string& why) {
        return fail(WinError::BadFormat, "line " + std::to_string(line) + ": " + why);
    };
    std::size_t i = 0;
    while (i < lines.size() && lines[i].second.empty())
        ++i;
    if (i == lines.size() || (lines[i].second != "REGEDIT4" && lines[i].second != "Windows Registry Editor Version 5.00"))
        return bad(i < lines.size() ? lines[i].first : 1, "not REGEDIT4 text (the first line must be REGEDIT4)");
    std::optional<KeyName> current;
    for (++i; i < lines.size(); ++i) {
        auto [number, line] = lines[i];
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return bad(number, "a key line must end with ']'");
            std::string_view name(line);
            name = name.substr(1, name.size() - 2);
            bool remove = !name.empty() && name.front() == '-';
            if (remove)
                name.remove_prefix(1);
            auto key = parseKeyName(name);
            if (!key)
                return bad(number, "unknown root key in [" + std::string(name) + "]");
            if (remove) {
                current.reset();
                auto r = deleteKey(key->root, key->path);
                if (!r && r.code() != WinError::FileNotFound)
                    return bad(number, r.error().describe());
                continue;
            }
            if (auto r = createKey(key->root, key->path); !r)
                return bad(number, r.error().describe());
            current = key;
            continue;
        }
        if (!current)
            return bad(number, "a value outside a key");
        std::string_view rest(line);
        std::string name;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            auto q = readQuoted(rest);
            if (!q)
                return bad(number, "a value name must be \"quoted\" or @");
            name = *q;
        }
        rest = trim(rest);
        if (rest.empty() || rest.front() != '=')
            return bad(number, "'=' expected after the value name");
        rest = trim(rest.substr(1));
        Result<void> r;
        if (rest == "-") {
            r = deleteValue(current->root, current->path, name);
            if (!r && r.code() == WinError::FileNotFound)
                r = {};
        } else if (!rest.empty() && rest.front() == '"') {
            auto q = readQuoted(rest);
            if (!q || !trim(rest).empty())
                return bad(number, "unterminated or malformed string");
            r = setValue(current->root, current->path, name, RegType::Sz, *q + std::string(1, '\0'));
        } else if (rest.substr(0, 6) == "dword:") {
            std::string_view digits = trim(rest.substr(6));
            if (digits.empty() || digits.size() > 8)
                return bad(number, "dword: needs 1 to 8 hex digits");
            std::uint32_t n = 0;
            for (char c : digits) {
                int d = hexDigit(c);
                if (d < 0)
                    return bad(number, "dword: needs 1 to 8 hex digits");
                n = n * 16 + static_cast<std::uint32_t>(d);
            }
            std::string data(4, '\0');
            for (int b = 0; b < 4; ++b)
                data[static_cast<std::size_t>(b)] = static_cast<char>((n >> (8 * b)) & 0xFF);
            r = setValue(current->root, current->path, name, RegType::Dword, data);
        } else if (rest.substr(0, 3) == "hex") {
            std::uint32_t type = RegType::Binary;
            rest.remove_prefix(3);
            if (!rest.empty() && rest.front() == '(') {
                std::size_t close = rest.find(')');
                if (close == std::string_view::npos || close < 2 || close > 9)
                    return bad(number, "hex(n): needs a hex type number");
                type = 0;
                for (char c : rest.substr(1, close - 1)) {
                    int d = hexDigit(c);
                    if (d < 0)
                        return bad(number, "hex(n): needs a hex type number");
                    type = type * 16 + static_cast<std::uint32_t>(d);
                }
                rest.remove_prefix(close + 1);
            }
            if (rest.empty() || rest.front() != ':')
                return bad(number, "':' expected after hex");
            auto bytes = readHexBytes(rest.substr(1));
            if (!bytes)
                return bad(number, "malformed hex bytes");
            r = setValue(current->root, current->path, name, type, *bytes);
        } else {
            return bad(number, "unknown value form");
        }
        if (!r)
            return bad(number, r.error().describe());
    }
    return {};
}

} // namespace zrv
