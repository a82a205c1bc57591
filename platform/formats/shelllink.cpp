#include "platform/formats/shelllink.h"

#include "platform/base/ansi.h"

#include <cstring>

namespace zrv {

namespace {

constexpr unsigned char kClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kHeaderSize = 0x4C;
enum : std::uint32_t {
    kHasIdList = 0x01,
    kHasLinkInfo = 0x02,
    kHasName = 0x04,
    kHasRelativePath = 0x08,
    kHasWorkingDir = 0x10,
    kHasArguments = 0x20,
    kHasIconLocation = 0x40,
    kIsUnicode = 0x80,
};

void put16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
void set32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

class Cursor {
public:
    explicit Cursor(std::string_view b) : m_b(b) {}
    bool has(std::size_t at, std::size_t n) const { return at <= m_b.size() && n <= m_b.size() - at; }
    std::optional<std::uint32_t> u16(std::size_t at) const {
        if (!has(at, 2))
            return std::nullopt;
        return static_cast<std::uint32_t>(static_cast<unsigned char>(m_b[at]) | (static_cast<unsigned char>(m_b[at + 1]) << 8));
    }
    std::optional<std::uint32_t> u32(std::size_t at) const {
        auto lo = u16(at), hi = u16(at + 2);
        if (!lo || !hi)
            return std::nullopt;
        return *lo | (*hi << 16);
    }
    // A NUL-terminated ANSI text starting at `at`, within `end`.
    std::optional<std::string> cstr(std::size_t at, std::size_t end) const {
        if (end > m_b.size() || at >= end)
            return std::nullopt;
        std::size_t nul = m_b.find('\0', at);
        if (nul == std::string_view::npos || nul >= end)
            return std::nullopt;
        return std::string(m_b.substr(at, nul - at));
    }
    std::string_view bytes() const { return m_b; }

private:
    std::string_view m_b;
};

} // namespace

std::string writeShellLink(const ShellLink& link) {
    std::uint32_t flags = kHasLinkInfo;
    if (!link.description.empty())
        flags |= kHasName;
    if (!link.workingDirectory.empty())
        flags |= kHasWorkingDir;
    if (!link.arguments.empty())
        flags |= kHasArguments;
    if (!link.iconFile.empty())
        flags |= kHasIconLocation;
    std::string s;
    put32(s, kHeaderSize);
    s.append(reinterpret_cast<const char*>(kClsid), sizeof kClsid);
    put32(s, flags);
    put32(s, 0x20); // file attributes of the target: archive
    s.append(24, '\0'); // creation, access and write times unknown
    put32(s, 0);        // target size
    put32(s, static_cast<std::uint32_t>(link.iconIndex));
    put32(s, link.showCommand);
    put16(s, 0); // hot key
    s.append(10, '\0');

    // Link information: a fixed volume and the local path of the target.
    std::size_t info = s.size();
    put32(s, 0); // size, filled in below
    put32(s, 0x1C);
    put32(s, 1); // VolumeIDAndLocalBasePath
    put32(s, 0x1C);
    put32(s, 0); // local base path offset, below
    put32(s, 0);
    put32(s, 0); // common path suffix offset, below
    put32(s, 16 + 1); // volume: size, fixed drive, serial, label offset, empty label
    put32(s, 3);
    put32(s, 0x12345678);
    put32(s, 0x10);
    s += '\0';
    set32(s, info + 16, static_cast<std::uint32_t>(s.size() - info));
    s += link.target;
    s += '\0';
    set32(s, info + 24, static_cast<std::uint32_t>(s.size() - info));
    s += '\0';
    set32(s, info, static_cast<std::uint32_t>(s.size() - info));

    auto text = [&](const std::string& t) {
        std::size_t n = std::min<std::size_t>(t.size(), 0xFFFF);
        put16(s, static_cast<std::uint32_t>(n));
        s.append(t, 0, n);
    };
    if (flags & kHasName)
        text(link.description);
    if (flags & kHasWorkingDir)
        text(link.workingDirectory);
    if (flags & kHasArguments)
        text(link.arguments);
    if (flags & kHasIconLocation)
        text(link.iconFile);
    put32(s, 0); // no extra data blocks
    return s;
}

std::optional<ShellLink> readShellLink(std::string_view bytes) {
    Cursor c(bytes);
    auto headerSize = c.u32(0);
    if (!headerSize || *headerSize != kHeaderSize || !c.has(0, kHeaderSize) ||
        std::memcmp(bytes.data() + 4, kClsid, sizeof kClsid) != 0)
        return std::nullopt;
    ShellLink link;
    std::uint32_t flags = *c.u32(20);
    link.iconIndex = static_cast<int>(*c.u32(56));
    link.showCommand = *c.u32(60);
    std::size_t at = kHeaderSize;
    if (flags & kHasIdList) {
        auto size = c.u16(at);
        if (!size)
            return std::nullopt;
        at += 2 + *size;
    }
    if (flags & kHasLinkInfo) {
        auto size = c.u32(at);
        auto infoFlags = c.u32(at + 8);
        auto baseOffset = c.u32(at + 16);
        auto suffixOffset = c.u32(at + 24);
        if (!size || !infoFlags || !baseOffset || !suffixOffset || *size < 0x1C || !c.has(at, *size))
            return std::nullopt;
        if (*infoFlags & 1) {
            auto base = c.cstr(at + *baseOffset, at + *size);
            auto suffix = c.cstr(at + *suffixOffset, at + *size);
            if (!base)
                return std::nullopt;
            link.target = *base + (suffix ? *suffix : "");
        }
        at += *size;
    }
    auto text = [&](std::string& out) -> bool {
        auto count = c.u16(at);
        if (!count)
            return false;
        std::size_t unit = (flags & kIsUnicode) ? 2 : 1;
        std::size_t n = *count * unit;
        if (!c.has(at + 2, n))
            return false;
        std::string_view raw = bytes.substr(at + 2, n);
        if (unit == 1) {
            out = std::string(raw);
        } else {
            // UTF-16 from other writers: what code page 1252 can hold.
            out.clear();
            for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
                unsigned ch = static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8);
                std::string utf8;
                appendUtf8(utf8, ch);
                out += utf8ToAnsiLossy(utf8);
            }
        }
        // Some writers count the terminator: the text ends at the first NUL.
        if (auto nul = out.find('\0'); nul != std::string::npos)
            out.erase(nul);
        at += 2 + n;
        return true;
    };
    std::string relative;
    if ((flags & kHasName) && !text(link.description))
        return std::nullopt;
    if ((flags & kHasRelativePath) && !text(relative))
        return std::nullopt;
    if ((flags & kHasWorkingDir) && !text(link.workingDirectory))
        return std::nullopt;
    if ((flags & kHasArguments) && !text(link.arguments))
        return std::nullopt;
    if ((flags & kHasIconLocation) && !text(link.iconFile))
        return std::nullopt;
    if (link.target.empty())
        link.target = relative;
    return link;
}

} // namespace zrv
