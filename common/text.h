// The text routines the script language's string statements rest on.
#pragma once

#include <string>
#include <string_view>

namespace zrv {

// Every occurrence of `find`, left to right; inserted text is not examined again.
void ReplaceAll(std::string& text, std::string_view find, std::string_view with);
// Mode L, R, B (start, end, both: repeated occurrences) or A (all); others do nothing.
void StripText(std::string& text, char mode, std::string_view strip);
// Position of `find` from `start` forwards, or backwards when direction is 'R';
// -1 when not found.
int FindText(int start, std::string_view text, std::string_view find, char direction, bool exact);

} // namespace zrv
