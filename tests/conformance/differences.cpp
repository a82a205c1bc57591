// The differences from Wine that we keep, each with its reason. docs/machine.md
// lists the same.
#include "tests/conformance/compare.h"

namespace zrv::conformance {

const KnownDifference kKnownDifferences[] = {
    // Profiles: reading.
    {"profile/*/keys-s-blanks", "a section name is trimmed of surrounding blanks for the key list as for every "
                                "other read; Wine trims it only when a key is asked for"},
    {"profile/before-first-section/*", "lines before the first header belong to no section; Wine files them under a "
                                       "section without a name"},
    {"profile/unclosed-header/*", "'[S' without its bracket still opens section S; Wine ignores the line and files "
                                  "the keys under it with the section before"},
    {"profile/no-equals/*", "a line starting with '=' holds no key; Wine reads a key with an empty name"},
    {"profile/empty-section-name/*", "'[]' opens a section named \"\", which that name reaches; Wine drops it"},
    {"profile/text-after-header/*", "a section name ends at its first ']'; Wine takes the last ('[T]]' is 'T]')"},
    {"profile/utf8-bom/*", "profiles are ANSI text, and Windows takes no UTF-8 byte-order mark in them; Wine reads "
                           "the mark as the file's encoding"},
    {"profile/high-letters/high", "letters above 127 match without case (code page 1252), as Windows compares them; "
                                  "Wine compares them exactly"},
    // Profiles: writing.
    {"profile-write/blank-lines-kept", "a write changes its own line and keeps every other line byte for byte; Wine "
                                       "writes the whole file anew from what it parsed (blank lines dropped)"},
    {"profile-write/spacing-kept", "a write changes its own line and keeps every other line byte for byte; Wine "
                                   "writes 'J = w' anew as 'J=w'"},
    {"profile-write/value-blanks", "the value is written as given; Wine drops its leading blanks (both read back "
                                   "without them)"},
    {"profile-write/add-section", "a new section follows a blank line; Wine writes it straight after the last line"},
    // REGEDIT4 files.
    {"regedit4-import/malformed-line", "an import stops at the first malformed line and names it (what came before "
                                       "stays merged); Wine skips the line and goes on"},
    {"regedit4-import/unterminated-string", "an import stops at the first malformed line and names it (what came "
                                            "before stays merged); Wine skips the line and goes on"},
    {"regedit4-import/hex-spaces", "blanks around the bytes of a hex list are allowed; Wine drops the value"},
    {"regedit4-export/* no terminator", "a string stored without its terminating NUL is exported as those bytes; "
                                        "Wine's ANSI reading adds the NUL"},
    // SZDD files, shell links, versions.
    {"szdd/truncated-*", "a compressed file cut short is a read error, so a damaged disk never installs a short "
                         "file as if whole; Wine's LZCopy hands out what it expanded and reports success"},
    {"shell-link/read-ours-*", "Wine's shell link object reports show command 1 for every link it loads, its own "
                               "included (ours hold 3 and 7, which we read back from Wine's links too)"},
    {"version/pe-cut-in-half", "a program cut short has no version; Wine reads numbers from past the end"},
};
const std::size_t kKnownDifferenceCount = std::size(kKnownDifferences);

} // namespace zrv::conformance
