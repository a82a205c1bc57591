#include "authoring/build/runtime.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zrv::build {

namespace {

void put16(std::string& s, std::size_t at, std::uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}
void put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}
void add16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void add32(std::string& s, std::uint32_t v) {
    add16(s, static_cast<std::uint16_t>(v & 0xFFFF));
    add16(s, static_cast<std::uint16_t>(v >> 16));
}
void pad4(std::string& s) {
    while (s.size() % 4)
        s += '\0';
}
std::string wide(std::string_view text) {
    std::string out;
    for (char c : text)
        add16(out, static_cast<unsigned char>(c));
    add16(out, 0);
    return out;
}

// One node of a version resource: its length, value length, type, key, value
// and children, each aligned to four bytes.
std::string versionNode(std::string_view key, const std::string& value, std::uint16_t valueLength, bool text,
                        const std::vector<std::string>& children) {
    std::string s(6, '\0');
    s += wide(key);
    pad4(s);
    s += value;
    for (const auto& c : children) {
        pad4(s);
        s += c;
    }
    put16(s, 0, static_cast<std::uint16_t>(s.size()));
    put16(s, 2, valueLength);
    put16(s, 4, text ? 1 : 0);
    return s;
}

std::string stringNode(std::string_view key, std::string_view value) {
    const std::string v = wide(value);
    return versionNode(key, v, static_cast<std::uint16_t>(v.size() / 2), true, {});
}

std::string versionResource(std::string_view name, std::string_view role, bool dll) {
    std::string fixed;
    add32(fixed, 0xFEEF04BD);
    add32(fixed, 0x00010000);
    add32(fixed, 0x00010000); // file version 1.0.0.0
    add32(fixed, 0);
    add32(fixed, 0x00010000); // product version
    add32(fixed, 0);
    add32(fixed, 0x3F);
    add32(fixed, 0);
    add32(fixed, 0x00040004); // VOS_NT_WINDOWS32
    add32(fixed, dll ? 2 : 1);
    add32(fixed, 0);
    add32(fixed, 0);
    add32(fixed, 0);
    const std::string table = versionNode("040904B0", "", 0, true,
                                          {stringNode("CompanyName", "ZRV installation kit"),
                                           stringNode("FileDescription", role),
                                           stringNode("FileVersion", kKitVersion),
                                           stringNode("OriginalFilename", name),
                                           stringNode("ProductName", "ZRV installation kit"),
                                           stringNode("ProductVersion", kKitVersion)});
    const std::string strings = versionNode("StringFileInfo", "", 0, true, {table});
    std::string translation;
    add16(translation, 0x0409);
    add16(translation, 0x04B0);
    const std::string var = versionNode("Translation", translation, 4, false, {});
    const std::string vars = versionNode("VarFileInfo", "", 0, true, {var});
    return versionNode("VS_VERSION_INFO", fixed, static_cast<std::uint16_t>(fixed.size()), false, {strings, vars});
}

} // namespace

std::string standInImage(std::string_view name, std::string_view role, bool dll) {
    constexpr std::uint32_t kFileAlign = 0x200, kSectionRva = 0x1000;
    std::string image(kFileAlign, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, 0x40);
    put32(image, 0x40, 0x00004550); // "PE\0\0"
    const std::size_t coff = 0x44;
    put16(image, coff, 0x14C);
    put16(image, coff + 2, 1);
    put16(image, coff + 16, 0xE0);
    put16(image, coff + 18, dll ? 0x2102 : 0x0102);
    const std::size_t opt = coff + 20;
    put16(image, opt, 0x10B);
    put32(image, opt + 28, 0x400000);        // image base
    put32(image, opt + 32, kSectionRva);     // section alignment
    put32(image, opt + 36, kFileAlign);      // file alignment
    put16(image, opt + 40, 4);               // OS version 4.0
    put16(image, opt + 48, 4);               // subsystem version 4.0
    put32(image, opt + 60, kFileAlign);      // size of headers
    put16(image, opt + 68, 2);               // the Windows GUI subsystem
    put32(image, opt + 92, 16);              // data directories

    // The resource section: type 16 (version), name 1, language 0x409, data.
    const std::string version = versionResource(name, role, dll);
    std::string rsrc;
    auto directory = [&](std::uint32_t id, std::uint32_t target) {
        rsrc.append(12, '\0');
        add16(rsrc, 0); // named entries
        add16(rsrc, 1); // id entries
        add32(rsrc, id);
        add32(rsrc, target);
    };
    directory(16, 0x80000000u | 24);
    directory(1, 0x80000000u | 48);
    directory(0x409, 72);
    add32(rsrc, kSectionRva + 88); // data RVA
    add32(rsrc, static_cast<std::uint32_t>(version.size()));
    add32(rsrc, 0);
    add32(rsrc, 0);
    rsrc += version;
    const auto rawSize = static_cast<std::uint32_t>((rsrc.size() + kFileAlign - 1) / kFileAlign * kFileAlign);
    put32(image, opt + 56, kSectionRva + (rawSize + 0xFFF) / 0x1000 * 0x1000); // size of image
    put32(image, opt + 96 + 2 * 8, kSectionRva);                                // resource directory
    put32(image, opt + 96 + 2 * 8 + 4, static_cast<std::uint32_t>(rsrc.size()));
    const std::size_t section = opt + 0xE0;
    const char rsrcName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    for (int i = 0; i < 8; ++i)
        image[section + i] = rsrcName[i];
    put32(image, section + 8, static_cast<std::uint32_t>(rsrc.size()));
    put32(image, section + 12, kSectionRva);
    put32(image, section + 16, rawSize);
    put32(image, section + 20, kFileAlign);
    put32(image, section + 36, 0x40000040);
    rsrc.resize(rawSize, '\0');
    return image + rsrc;
}

std::string standInFile(std::string_view name) {
    struct Known {
        const char* name;
        const char* role;
        bool dll;
    };
    static const Known kKnown[] = {
        {"SETUP.EXE", "Start program", false},
        {"ZRVX16.EXE", "Setup script interpreter (16-bit)", false},
        {"ZRVX32.EXE", "Setup script interpreter (32-bit)", false},
        {"ZRVUNI.EXE", "De-install program", false},
        {"CLEANUP.EXE", "Clean-up program", false},
        {"CTL3DV2.DLL", "3-D controls (16-bit)", true},
        {"CTL3D32.DLL", "3-D controls (32-bit)", true},
        {"LZEXPAND.DLL", "Expansion library (16-bit)", true},
        {"LZ32.DLL", "Expansion library (32-bit)", true},
        {"REGSVR.EXE", "OLE registration tool (16-bit)", false},
        {"REGSVR32.EXE", "OLE registration tool (32-bit)", false},
    };
    for (const Known& k : kKnown)
        if (name == k.name)
            return standInImage(k.name, k.role, k.dll);
    if (name == "ZRVCMD.PIF") {
        // A program information file: run COMMAND.COM's batch without a window.
        std::string pif(0x171, '\0');
        const std::string title = "ZRVCMD";
        pif.replace(2, title.size(), title);
        const std::string program = "COMMAND.COM";
        pif.replace(0x24, program.size(), program);
        const std::string args = "/C C:\\ZRVCMD.BAT";
        pif.replace(0xA5, args.size(), args);
        return pif;
    }
    return {};
}

} // namespace zrv::build
