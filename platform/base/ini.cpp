#include "platform/base/ini.h"

#include "platform/base/ansi.h"

namespace zrv {

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// "[]" is a section with an empty name, and names compare without case by
// code page 1252 above 127 too, as the Windows functions do; some other
// implementations of them read either differently.
std::optional<std::string_view> iniSectionName(std::string_view line) {
    line = trimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    // A header without its closing bracket still opens a section, as Windows reads it.
    std::size_t close = line.find(']');
    return trimBlanks(line.substr(0, close));
}

std::optional<std::pair<std::string_view, std::string_view>> iniKeyValue(std::string_view line) {
    line = trimBlanks(line);
    if (line.empty() || line.front() == ';' || line.front() == '[')
        return std::nullopt;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    std::string_view key = trimBlanks(line.substr(0, eq));
    if (key.empty())
        return std::nullopt;
    return std::make_pair(key, trimBlanks(line.substr(eq + 1)));
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

IniDocument IniDocument::parse(std::string_view bytes) {
    IniDocument doc;
    std::size_t start = 0;
    // CR LF, a lone LF and a lone CR each end a line, so a file saved by
    // another system's editor reads as its lines, never as one long line.
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = bytes.size();
        doc.m_lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
            ++start;
    }
    return doc;
}

std::optional<IniDocument::Range> IniDocument::sectionFrom(std::size_t from, std::string_view name) const {
    for (std::size_t i = from; i < m_lines.size(); ++i) {
        auto header = iniSectionName(m_lines[i]);
        if (!header || !equalNoCase(*header, name))
            continue;
        std::size_t end = i + 1;
        while (end < m_lines.size() && !iniSectionName(m_lines[end]))
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::vector<IniDocument::Range> IniDocument::sections(std::string_view name) const {
    std::vector<Range> out;
    for (auto r = sectionFrom(0, name); r; r = sectionFrom(r->end, name))
        out.push_back(*r);
    return out;
}

IniDocument::SectionIndex& IniDocument::indexOf(std::string_view section) const {
    auto [it, made] = m_index.try_emplace(upperAnsi(section));
    if (!made)
        return it->second;
    SectionIndex& index = it->second;
    // Only as far as the end of the first: reads and writes act on it alone.
    index.range = sectionFrom(0, section);
    if (index.range)
        for (std::size_t i = index.range->header + 1; i < index.range->end; ++i)
            if (auto kv = iniKeyValue(m_lines[i]))
                index.keys.try_emplace(upperAnsi(kv->first), i);
    return index;
}

void IniDocument::inserted(std::size_t at, std::string_view section, std::string_view key) {
    // Sections behind the line moved down one: found again when next asked for.
    for (auto it = m_index.begin(); it != m_index.end();)
        it = it->second.range && it->second.range->header >= at ? m_index.erase(it) : std::next(it);
    SectionIndex& index = indexOf(section);
    index.range->end += 1;
    index.keys.try_emplace(upperAnsi(key), at);
}

// The profile functions act on the first section of a name and the first key
// of a name in it, as documented since Windows 3.1; the names a caller gives
// are compared with their surrounding blanks trimmed.
std::optional<std::size_t> IniDocument::firstKey(std::string_view section, std::string_view key) const {
    const SectionIndex& index = indexOf(trimBlanks(section));
    auto it = index.keys.find(upperAnsi(trimBlanks(key)));
    if (it == index.keys.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key) const {
    if (auto i = firstKey(section, key))
        return std::string(unquote(iniKeyValue(m_lines[*i])->second));
    return std::nullopt;
}

bool IniDocument::hasSection(std::string_view section) const { return !sections(section).empty(); }

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> out;
    for (const std::string& line : m_lines) {
        if (auto name = iniSectionName(line))
            out.emplace_back(*name);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> IniDocument::entries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const Range& r : sections(section)) {
        for (std::size_t i = r.header + 1; i < r.end; ++i) {
            auto kv = iniKeyValue(m_lines[i]);
            if (!kv)
                continue;
            bool seen = false;
            for (const auto& e : out)
                seen = seen || equalNoCase(e.first, kv->first);
            if (!seen)
                out.emplace_back(std::string(kv->first), std::string(unquote(kv->second)));
        }
    }
    return out;
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
    // As stored: in order, a repeated key as often as it is there.
    std::vector<std::string> out;
    const auto range = indexOf(trimBlanks(section)).range;
    if (!range)
        return out;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        if (auto kv = iniKeyValue(m_lines[i]))
            out.emplace_back(kv->first);
    return out;
}

bool IniDocument::set(std::string_view section, std::string_view key, std::string_view value, bool* appended) {
    if (appended)
        *appended = false;
    section = trimBlanks(section);
    key = trimBlanks(key);
    const auto range = indexOf(section).range;
    if (auto i = firstKey(section, key)) {
        // The stored spelling of the key stays; only the value changes.
        std::string line = std::string(iniKeyValue(m_lines[*i])->first) + "=" + std::string(value);
        if (m_lines[*i] == line)
            return false;
        m_lines[*i] = std::move(line);
        return true;
    }
    std::string entry = std::string(key) + "=" + std::string(value);
    if (range) {
        // After the section's last entry, before the blank lines that close it.
        const Range& r = *range;
        std::size_t at = r.end;
        while (at > r.header + 1 && trimBlanks(m_lines[at - 1]).empty())
            --at;
        if (appended)
            *appended = at == m_lines.size();
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
        inserted(at, section, key);
        return true;
    }
    forgetIndex(); // a new header
    if (!m_lines.empty() && !trimBlanks(m_lines.back()).empty())
        m_lines.emplace_back();
    m_lines.push_back("[" + std::string(section) + "]");
    m_lines.push_back(std::move(entry));
    if (appended)
        *appended = true;
    return true;
}

bool IniDocument::removeKey(std::string_view section, std::string_view key) {
    auto i = firstKey(section, key);
    if (!i)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*i));
    forgetIndex();
    return true;
}

bool IniDocument::removeSection(std::string_view section) {
    const auto range = indexOf(trimBlanks(section)).range;
    if (!range)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(range->header),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(range->end));
    forgetIndex();
    return true;
}

// Once inside the section, adding never leaves it: the entry goes before the
// first blank line or header that follows, as the line editor of the original
// tools did, and a later section of the same name is not looked at.
bool IniDocument::addEntryLine(std::string_view section, std::string_view entry) {
    const std::string header = "[" + std::string(section) + "]";
    bool inSection = false, present = false, sectionFound = false;
    std::vector<std::string> out;
    out.reserve(m_lines.size() + 3);
    for (const std::string& line : m_lines) {
        if (inSection && startsWithNoCase(line, entry))
            present = true;
        if (inSection && !present && (line.empty() || line.front() == '[')) {
            out.emplace_back(entry);
            present = true;
        }
        if (startsWithNoCase(line, header))
            inSection = sectionFound = true;
        out.push_back(line);
    }
    if (!sectionFound) {
        if (!out.empty() && !out.back().empty())
            out.emplace_back();
        out.push_back(header);
        inSection = true;
    }
    if (inSection && !present)
        out.emplace_back(entry);
    bool changed = out != m_lines;
    m_lines = std::move(out);
    forgetIndex();
    return changed;
}

bool IniDocument::removeEntryLines(std::string_view section, std::string_view entry) {
    const std::string header = "[" + std::string(section) + "]";
    bool inSection = false;
    std::vector<std::string> kept;
    kept.reserve(m_lines.size());
    for (std::string& line : m_lines) {
        if (!line.empty() && line.front() == '[')
            inSection = startsWithNoCase(line, header);
        if (!(inSection && startsWithNoCase(line, entry)))
            kept.push_back(std::move(line));
    }
    bool changed = kept.size() != m_lines.size();
    m_lines = std::move(kept);
    forgetIndex();
    return changed;
}

std::string IniDocument::serialize(std::size_t from) const {
    std::size_t size = 0;
    for (std::size_t i = from; i < m_lines.size(); ++i)
        size += m_lines[i].size() + 2;
    std::string out;
    out.reserve(size);
    for (std::size_t i = from; i < m_lines.size(); ++i) {
        const std::string& line = m_lines[i];
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace zrv
