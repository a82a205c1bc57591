#include "platform/formats/peversion.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zrv {

namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::size_t kMaxVersionResource = 1 << 20;

class Reader {
public:
    explicit Reader(const ByteRange& read) : m_read(read) {}
    std::optional<std::uint16_t> u16(std::uint64_t at) {
        unsigned char b[2];
        if (!m_read(at, 2, b))
            return std::nullopt;
        return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    }
    std::optional<std::uint32_t> u32(std::uint64_t at) {
        unsigned char b[4];
        if (!m_read(at, 4, b))
            return std::nullopt;
        return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
               (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    }
    bool bytes(std::uint64_t at, std::size_t n, void* out) { return m_read(at, n, out); }

private:
    const ByteRange& m_read;
};

struct Section {
    std::uint32_t va, vsize, rawSize, rawPtr;
};

std::optional<std::uint64_t> rvaToOffset(const std::vector<Section>& sections, std::uint32_t rva, std::uint32_t size) {
    for (const Section& s : sections) {
        std::uint64_t span = std::max(s.vsize, s.rawSize);
        if (rva >= s.va && static_cast<std::uint64_t>(rva) + size <= static_cast<std::uint64_t>(s.va) + span) {
            std::uint64_t into = rva - s.va;
            // Only bytes that are in the file can be read.
            if (into + size > s.rawSize)
                return std::nullopt;
            return static_cast<std::uint64_t>(s.rawPtr) + into;
        }
    }
    return std::nullopt;
}

// The first entry of a resource directory with the given id (or any entry when
// id is absent): its OffsetToData word.
std::optional<std::uint32_t> directoryEntry(Reader& r, std::uint64_t base, std::uint64_t dir, std::uint64_t limit,
                                            std::optional<std::uint32_t> id) {
    if (dir + 16 > limit)
        return std::nullopt;
    auto named = r.u16(base + dir + 12);
    auto ids = r.u16(base + dir + 14);
    if (!named || !ids)
        return std::nullopt;
    std::uint32_t count = static_cast<std::uint32_t>(*named) + *ids;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint64_t entry = dir + 16 + static_cast<std::uint64_t>(i) * 8;
        if (entry + 8 > limit)
            return std::nullopt;
        auto name = r.u32(base + entry);
        auto data = r.u32(base + entry + 4);
        if (!name || !data)
            return std::nullopt;
        if (!id || (!(*name & 0x80000000u) && *name == *id))
            return *data;
    }
    return std::nullopt;
}

// A 16-bit (NE) file: the resource table's RT_VERSION entry, whose
// VS_VERSIONINFO has an ANSI key, so the fixed part follows at byte 20.
std::optional<FileVersion> readNeVersion(Reader& r, std::uint64_t ne) {
    auto table = r.u16(ne + 0x24);
    if (!table || *table == 0)
        return std::nullopt;
    std::uint64_t at = ne + *table;
    auto shift = r.u16(at);
    if (!shift || *shift > 16)
        return std::nullopt;
    at += 2;
    // Type entries until a zero type; each is followed by its resources.
    for (int types = 0; types < 1024; ++types) {
        auto type = r.u16(at);
        auto count = r.u16(at + 2);
        if (!type || *type == 0 || !count)
            return std::nullopt;
        at += 8;
        if (*type != (0x8000 | kRtVersion)) {
            at += static_cast<std::uint64_t>(*count) * 12;
            continue;
        }
        if (*count == 0)
            return std::nullopt;
        auto offset = r.u16(at);
        auto length = r.u16(at + 2);
        if (!offset || !length)
            return std::nullopt;
        const std::uint64_t data = static_cast<std::uint64_t>(*offset) << *shift;
        const std::uint64_t size = std::min<std::uint64_t>(static_cast<std::uint64_t>(*length) << *shift, kMaxVersionResource);
        if (size < 20 + 52)
            return std::nullopt;
        unsigned char head[20];
        if (!r.bytes(data, sizeof head, head) || std::memcmp(head + 4, "VS_VERSION_INFO", 16) != 0)
            return std::nullopt;
        auto valueLength = r.u16(data + 2);
        auto signature = r.u32(data + 20);
        if (!valueLength || *valueLength < 52 || !signature || *signature != kFixedSignature)
            return std::nullopt;
        auto fileMS = r.u32(data + 28), fileLS = r.u32(data + 32), productMS = r.u32(data + 36),
             productLS = r.u32(data + 40);
        if (!fileMS || !fileLS || !productMS || !productLS)
            return std::nullopt;
        return FileVersion{*fileMS, *fileLS, *productMS, *productLS};
    }
    return std::nullopt;
}

} // namespace

std::optional<FileVersion> readFileVersion(const ByteRange& read) {
    Reader r(read);
    unsigned char mz[2];
    if (!r.bytes(0, 2, mz) || mz[0] != 'M' || mz[1] != 'Z')
        return std::nullopt;
    auto peAt = r.u32(0x3C);
    if (!peAt)
        return std::nullopt;
    unsigned char sig[4];
    if (r.bytes(*peAt, 2, sig) && sig[0] == 'N' && sig[1] == 'E')
        return readNeVersion(r, *peAt);
    if (!r.bytes(*peAt, 4, sig) || std::memcmp(sig, "PE\0\0", 4) != 0)
        return std::nullopt;
    std::uint64_t coff = static_cast<std::uint64_t>(*peAt) + 4;
    auto nsections = r.u16(coff + 2);
    auto optSize = r.u16(coff + 16);
    if (!nsections || !optSize)
        return std::nullopt;
    std::uint64_t opt = coff + 20;
    auto magic = r.u16(opt);
    if (!magic)
        return std::nullopt;
    std::uint64_t countAt, dirs;
    if (*magic == 0x10B) {
        countAt = 92;
        dirs = 96;
    } else if (*magic == 0x20B) {
        countAt = 108;
        dirs = 112;
    } else {
        return std::nullopt;
    }
    auto ndirs = r.u32(opt + countAt);
    if (!ndirs || *ndirs < 3 || dirs + 3 * 8 > *optSize)
        return std::nullopt;
    auto resRva = r.u32(opt + dirs + 16);
    auto resSize = r.u32(opt + dirs + 20);
    if (!resRva || !resSize || *resRva == 0 || *resSize == 0)
        return std::nullopt;

    std::vector<Section> sections;
    std::uint64_t table = opt + *optSize;
    for (std::uint16_t i = 0; i < *nsections; ++i) {
        std::uint64_t s = table + static_cast<std::uint64_t>(i) * 40;
        auto vsize = r.u32(s + 8), va = r.u32(s + 12), raw = r.u32(s + 16), ptr = r.u32(s + 20);
        if (!vsize || !va || !raw || !ptr)
            return std::nullopt;
        sections.push_back({*va, *vsize, *raw, *ptr});
    }
    // The resource tree: type, name, language; offsets are from the tree's start.
    auto base = rvaToOffset(sections, *resRva, 16);
    if (!base)
        return std::nullopt;
    std::uint64_t limit = *resSize;
    auto type = directoryEntry(r, *base, 0, limit, kRtVersion);
    if (!type || !(*type & 0x80000000u))
        return std::nullopt;
    auto name = directoryEntry(r, *base, *type & 0x7FFFFFFFu, limit, std::nullopt);
    if (!name || !(*name & 0x80000000u))
        return std::nullopt;
    auto lang = directoryEntry(r, *base, *name & 0x7FFFFFFFu, limit, std::nullopt);
    if (!lang || (*lang & 0x80000000u) || static_cast<std::uint64_t>(*lang) + 16 > limit)
        return std::nullopt;
    auto dataRva = r.u32(*base + *lang);
    auto dataSize = r.u32(*base + *lang + 4);
    if (!dataRva || !dataSize || *dataSize < 92 || *dataSize > kMaxVersionResource)
        return std::nullopt;
    auto at = rvaToOffset(sections, *dataRva, *dataSize);
    if (!at)
        return std::nullopt;
    std::vector<unsigned char> v(*dataSize);
    if (!r.bytes(*at, v.size(), v.data()))
        return std::nullopt;

    // VS_VERSIONINFO: length, value length, type, L"VS_VERSION_INFO", padding to
    // four bytes, then the fixed part.
    auto w16 = [&](std::size_t i) { return static_cast<std::uint16_t>(v[i] | (v[i + 1] << 8)); };
    auto w32 = [&](std::size_t i) {
        return static_cast<std::uint32_t>(v[i]) | (static_cast<std::uint32_t>(v[i + 1]) << 8) |
               (static_cast<std::uint32_t>(v[i + 2]) << 16) | (static_cast<std::uint32_t>(v[i + 3]) << 24);
    };
    std::uint16_t valueLength = w16(2);
    const char* key = "VS_VERSION_INFO";
    for (std::size_t i = 0; i <= std::strlen(key); ++i)
        if (w16(6 + 2 * i) != static_cast<unsigned char>(key[i]))
            return std::nullopt;
    std::size_t fixed = (6 + 2 * (std::strlen(key) + 1) + 3) & ~std::size_t(3);
    if (valueLength < 52 || fixed + 52 > v.size() || w32(fixed) != kFixedSignature)
        return std::nullopt;
    return FileVersion{w32(fixed + 8), w32(fixed + 12), w32(fixed + 16), w32(fixed + 20)};
}

std::optional<FileVersion> readFileVersion(std::string_view image) {
    return readFileVersion([&](std::uint64_t offset, std::size_t count, void* out) {
        if (offset > image.size() || count > image.size() - offset)
            return false;
        std::memcpy(out, image.data() + offset, count);
        return true;
    });
}

std::optional<FileVersion> fileVersion(Machine& machine, std::string_view path) {
    auto f = machine.openFile(path, Access::Read, Disposition::OpenExisting);
    if (!f)
        return std::nullopt;
    auto size = f->size();
    if (!size)
        return std::nullopt;
    return readFileVersion([&](std::uint64_t offset, std::size_t count, void* out) {
        if (offset > *size || count > *size - offset)
            return false;
        if (!f->seek(static_cast<std::int64_t>(offset), SeekOrigin::Begin))
            return false;
        auto n = f->read(out, count);
        return n && *n == count;
    });
}

} // namespace zrv
