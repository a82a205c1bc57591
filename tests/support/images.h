// Program images built byte by byte, for the version reader's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace zrv::testing {

// A 16-bit DLL as Windows 3.1 tools lay it out: an MZ stub, the NE header, a
// resource table (alignment shift 4) with an RT_VERSION entry, and the
// VS_VERSIONINFO with its ANSI key and the fixed part at byte 20.
inline std::string neImage(std::uint32_t fileMS, std::uint32_t fileLS, bool withVersion = true) {
    std::string img(0x200, '\0');
    auto put16 = [&](std::size_t at, unsigned v) {
        img[at] = static_cast<char>(v & 0xFF);
        img[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    img[0] = 'M', img[1] = 'Z';
    put32(0x3C, 0x40);
    img[0x40] = 'N', img[0x41] = 'E';
    put16(0x40 + 0x24, 0x40); // the resource table at 0x80
    put16(0x40 + 0x26, 0x6C); // the resident names after it, at 0xAC
    put16(0x80, 4);           // alignment shift
    put16(0x82, 0x800E);      // RT_ICON first, one resource, to be skipped
    put16(0x84, 1);
    put16(0x8A + 0, 0x100 >> 4);
    put16(0x8A + 2, 1);
    put16(0x8A + 6, 0x8001);
    put16(0x96, withVersion ? 0x8010 : 0x8003); // RT_VERSION (or another type)
    put16(0x98, 1);
    put16(0x9E + 0, 0x100 >> 4); // at 0x100
    put16(0x9E + 2, 8);          // 128 bytes
    put16(0x9E + 6, 0x8001);     // VS_VERSION_INFO
    put16(0xAA, 0);              // end of the types
    const std::size_t v = 0x100;
    put16(v, 0x80);
    put16(v + 2, 52);
    std::memcpy(img.data() + v + 4, "VS_VERSION_INFO", 16);
    put32(v + 20, 0xFEEF04BD);
    put32(v + 24, 0x10000);
    put32(v + 28, fileMS);
    put32(v + 32, fileLS);
    put32(v + 36, fileMS);
    put32(v + 40, fileLS);
    return img;
}

} // namespace zrv::testing
