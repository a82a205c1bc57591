#include "common/scripttext.h"

namespace zrv {

unsigned char scrambleByte(unsigned char b) {
    // TAB, LF, CR and the bytes that would become NUL, LF or CR stay as they are.
    if (b == 9 || b == 10 || b == 13 || b == 0xFC || b == 0xFF)
        return b;
    return static_cast<unsigned char>(9 - b);
}

void scramble(std::string& text) {
    for (char& c : text)
        c = static_cast<char>(scrambleByte(static_cast<unsigned char>(c)));
}

int languageForCountry(int countryCode) {
    switch (countryCode) {
    case 1:
    case 2: return 1;
    case 33: return 2;
    case 49: return 3;
    default: return 0;
    }
}

} // namespace zrv
