// The scrambled form of setup scripts, shared by the interpreter (which reads
// it) and the authoring tool (which writes it), and the interpreter's languages
// with the rule that picks one from the machine's country.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zrv {

// The first line of a scrambled script holds this number.
inline constexpr std::uint32_t kEncryptedMarker = 0x4000;
// The substitution of the scrambled form; it is its own inverse.
unsigned char scrambleByte(unsigned char b);
void scramble(std::string& text);

inline constexpr int kLanguageCount = 7;
inline constexpr std::array<std::string_view, kLanguageCount> kLanguageNames = {
    "UKENGLISH", "USENGLISH", "FRENCH", "GERMAN", "ITALIAN", "SPANISH", "DUTCH"};
// The language (an index of kLanguageNames) for a country code: US and
// Canada US English, France French, Germany German, any other UK English.
int languageForCountry(int countryCode);

} // namespace zrv
