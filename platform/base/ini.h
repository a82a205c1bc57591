// The text of a profile (INI) file, read and changed with the semantics of the
// Win32 profile functions. Lines the reader does not understand are kept as they
// are when the file is rewritten, and skipped when it is read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zrv {

class IniDocument {
public:
    static IniDocument parse(std::string_view bytes);

    // The value of the first key of that name in the first section of that
    // name: blanks trimmed, one pair of surrounding quotes removed. Reads,
    // writes and deletes act on those first occurrences; a later section or
    // key of the same name is left as it is. Names given are compared with
    // their surrounding blanks trimmed.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    // Every section header's name, as stored (repeats included).
    std::vector<std::string> sectionNames() const;
    // The keys of the first section of that name, as stored (repeats included).
    std::vector<std::string> keys(std::string_view section) const;
    // Every key of every section of that name, the first of each name only (for
    // settings files read as a whole).
    std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;

    // Each returns whether the text changed.
    // `appended`, when given, tells whether the change only added lines at the
    // end (so the file can grow by them instead of being written again).
    bool set(std::string_view section, std::string_view key, std::string_view value, bool* appended = nullptr);
    bool removeKey(std::string_view section, std::string_view key);
    bool removeSection(std::string_view section);

    // Lines that repeat one key in a section, as SYSTEM.INI's device= lines do;
    // `entry` is the whole "key=value" line, matched as a prefix without case.
    // Adding puts the entry at the end of the first section whose header
    // starts as "[section]" (a new section at the end when there is none),
    // unless that section holds it already. Removing takes every such line out
    // of every such section. Each returns whether the text changed.
    bool addEntryLine(std::string_view section, std::string_view entry);
    bool removeEntryLines(std::string_view section, std::string_view entry);

    // CR LF line ends, as the profile functions write them; the lines from `from` on.
    std::string serialize(std::size_t from = 0) const;
    const std::vector<std::string>& lines() const { return m_lines; }

private:
    struct Range {
        std::size_t header; // line index of "[name]"
        std::size_t end;    // one past the section's last line
    };
    std::vector<Range> sections(std::string_view name) const;
    // The first section of that name whose header is at or after line `from`.
    std::optional<Range> sectionFrom(std::size_t from, std::string_view name) const;
    std::optional<std::size_t> firstKey(std::string_view section, std::string_view key) const;

    // The first section of a name and the first line of each of its keys,
    // found by one pass and kept while lines only change in place or are added
    // behind a section's keys: writing a large file key by key stays linear.
    struct SectionIndex {
        std::optional<Range> range; // none: no section of that name
        std::unordered_map<std::string, std::size_t> keys; // upper-cased name -> line
    };
    SectionIndex& indexOf(std::string_view section) const; // blanks trimmed
    // After a line was inserted at `at` behind the keys of `section`'s first
    // range; any other change of the lines' count or headers forgets all.
    void inserted(std::size_t at, std::string_view section, std::string_view key);
    void forgetIndex() { m_index.clear(); }

    std::vector<std::string> m_lines;
    mutable std::unordered_map<std::string, SectionIndex> m_index; // upper-cased section name
};

// Parsing helpers shared with other line-based readers.
std::string_view trimBlanks(std::string_view text);
// "[name]" gives name; nullopt for any other line.
std::optional<std::string_view> iniSectionName(std::string_view line);
// "key=value" gives (key, raw value), both trimmed; nullopt for comments and lines
// without '=' or without a key.
std::optional<std::pair<std::string_view, std::string_view>> iniKeyValue(std::string_view line);
std::string_view unquote(std::string_view value);

} // namespace zrv
