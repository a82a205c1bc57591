// Texts inside the system are bytes of Windows code page 1252. These helpers
// fold case the way the ANSI upper/lower functions do and convert to and from
// UTF-8 at the host boundary.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zrv {

char toUpperAnsi(char c);
char toLowerAnsi(char c);
std::string upperAnsi(std::string_view text);
std::string lowerAnsi(std::string_view text);
bool equalNoCase(std::string_view a, std::string_view b);
// <0, 0, >0 comparing the upper-cased byte values.
int compareNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);

std::string ansiToUtf8(std::string_view ansi);
// Appends a code point of the Basic Multilingual Plane as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);
// nullopt when the text is not UTF-8 or holds a character code page 1252 lacks.
std::optional<std::string> utf8ToAnsi(std::string_view utf8);
// As utf8ToAnsi, with '?' for what cannot be represented.
std::string utf8ToAnsiLossy(std::string_view utf8);

} // namespace zrv
