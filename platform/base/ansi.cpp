#include "platform/base/ansi.h"

#include <array>
#include <cstdint>

namespace zrv {
namespace {

// Code points of bytes 0x80-0x9F. The five bytes Windows leaves undefined map to
// the C1 control of the same value, as MultiByteToWideChar does, so every byte
// survives a round trip through a host name.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

unsigned char upperByte(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
    }
}

unsigned char lowerByte(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
    }
}

int ansiOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp)
            return static_cast<int>(0x80 + i);
    return -1;
}

// Decodes UTF-8, calling emit(byte or -1) per character; false on malformed input.
template <class Emit> bool decodeUtf8(std::string_view s, Emit emit) {
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        std::size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            return false;
        }
        if (i + len > s.size())
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms would give two spellings of one name.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000))
            return false;
        emit(ansiOf(cp));
        i += len;
    }
    return true;
}

} // namespace

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char toUpperAnsi(char c) { return static_cast<char>(upperByte(static_cast<unsigned char>(c))); }
char toLowerAnsi(char c) { return static_cast<char>(lowerByte(static_cast<unsigned char>(c))); }

std::string upperAnsi(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = toUpperAnsi(c);
    return out;
}

std::string lowerAnsi(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = toLowerAnsi(c);
    return out;
}

int compareNoCase(std::string_view a, std::string_view b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        int x = upperByte(static_cast<unsigned char>(a[i]));
        int y = upperByte(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x - y;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compareNoCase(a, b) == 0;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

std::string ansiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char ch : ansi) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out += ch;
        else if (c < 0xA0)
            appendUtf8(out, kHigh[c - 0x80]);
        else
            appendUtf8(out, c);
    }
    return out;
}

std::optional<std::string> utf8ToAnsi(std::string_view utf8) {
    std::string out;
    bool representable = true;
    bool valid = decodeUtf8(utf8, [&](int b) {
        if (b < 0)
            representable = false;
        else
            out += static_cast<char>(b);
    });
    if (!valid || !representable)
        return std::nullopt;
    return out;
}

std::string utf8ToAnsiLossy(std::string_view utf8) {
    std::string out;
    bool valid = decodeUtf8(utf8, [&](int b) { out += b < 0 ? '?' : static_cast<char>(b); });
    if (!valid) {
        out.clear();
        for (char c : utf8)
            out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    }
    return out;
}

} // namespace zrv
