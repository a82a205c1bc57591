#include "platform/lz.h"

#include <array>
#include <cstring>
#include <vector>

namespace zrv {

namespace {

constexpr unsigned char kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t kWindow = 4096;

class PlainReader final : public ByteReader {
public:
    explicit PlainReader(File f) : m_file(std::move(f)) {}
    Result<std::size_t> read(void* buffer, std::size_t count) override { return m_file.read(buffer, count); }
    Result<std::uint64_t> seek(std::int64_t offset, SeekOrigin origin) override {
        return m_file.seek(offset, origin);
    }
    Result<std::uint64_t> size() override { return m_file.size(); }
    bool expanding() const override { return false; }

private:
    File m_file;
};

// LZSS over a 4 KB window primed with blanks; flag bits, low bit first, say
// literal (1) or a 12-bit position and 4-bit length pair (0).
class SzddReader final : public ByteReader {
public:
    SzddReader(File f, std::uint64_t length) : m_file(std::move(f)), m_length(length) { (void)restart(); }

    Result<std::size_t> read(void* buffer, std::size_t count) override {
        auto* out = static_cast<unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < count) {
            auto b = nextByte();
            if (!b)
                return done > 0 ? Result<std::size_t>(done) : Result<std::size_t>(b.error());
            if (*b < 0)
                break;
            out[done++] = static_cast<unsigned char>(*b);
        }
        return done;
    }

    Result<std::uint64_t> seek(std::int64_t offset, SeekOrigin origin) override {
        std::int64_t base = origin == SeekOrigin::Begin ? 0
                            : origin == SeekOrigin::Current ? static_cast<std::int64_t>(m_pos)
                                                            : static_cast<std::int64_t>(m_length);
        std::int64_t target = base + offset;
        if (target < 0)
            return fail(WinError::InvalidParameter, "seek before the start");
        if (static_cast<std::uint64_t>(target) < m_pos)
            if (auto r = restart(); !r)
                return r.error();
        while (m_pos < static_cast<std::uint64_t>(target)) {
            auto b = nextByte();
            if (!b)
                return b.error();
            if (*b < 0)
                break;
        }
        return static_cast<std::uint64_t>(target);
    }

    Result<std::uint64_t> size() override { return m_length; }
    bool expanding() const override { return true; }

private:
    Result<void> restart() {
        m_window.fill(' ');
        m_wpos = kWindow - 16;
        m_pos = 0;
        m_flags = 0;
        m_flagBits = 0;
        m_copyLeft = 0;
        m_inLen = m_inPos = 0;
        m_eof = false;
        if (auto r = m_file.seek(static_cast<std::int64_t>(kSzddHeaderSize), SeekOrigin::Begin); !r)
            return r.error();
        return {};
    }

    // -1 at the end of the compressed data.
    Result<int> rawByte() {
        if (m_inPos == m_inLen) {
            if (m_eof)
                return -1;
            auto n = m_file.read(m_in.data(), m_in.size());
            if (!n)
                return n.error();
            m_inLen = *n;
            m_inPos = 0;
            if (m_inLen == 0) {
                m_eof = true;
                return -1;
            }
        }
        return static_cast<int>(m_in[m_inPos++]);
    }

    Result<int> nextByte() {
        if (m_copyLeft > 0) {
            unsigned char c = m_window[m_copyFrom];
            m_copyFrom = (m_copyFrom + 1) % kWindow;
            --m_copyLeft;
            return emit(c);
        }
        if (m_flagBits == 0) {
            auto f = rawByte();
            if (!f || *f < 0)
                return f;
            m_flags = static_cast<unsigned>(*f);
            m_flagBits = 8;
        }
        bool literal = m_flags & 1;
        m_flags >>= 1;
        --m_flagBits;
        auto a = rawByte();
        if (!a || *a < 0)
            return a;
        if (literal)
            return emit(static_cast<unsigned char>(*a));
        auto b = rawByte();
        if (!b || *b < 0)
            return b;
        m_copyFrom = static_cast<std::size_t>(*a | ((*b & 0xF0) << 4));
        m_copyLeft = static_cast<std::size_t>((*b & 0x0F) + 3);
        return nextByte();
    }

    int emit(unsigned char c) {
        m_window[m_wpos] = c;
        m_wpos = (m_wpos + 1) % kWindow;
        ++m_pos;
        return c;
    }

    File m_file;
    std::uint64_t m_length;
    std::array<unsigned char, kWindow> m_window{};
    std::size_t m_wpos = 0;
    std::uint64_t m_pos = 0;
    unsigned m_flags = 0;
    int m_flagBits = 0;
    std::size_t m_copyFrom = 0;
    std::size_t m_copyLeft = 0;
    std::array<unsigned char, 65536> m_in{};
    std::size_t m_inLen = 0;
    std::size_t m_inPos = 0;
    bool m_eof = false;
};

} // namespace

bool isSzddHeader(const unsigned char* bytes, std::size_t count) {
    return count >= kSzddHeaderSize && std::memcmp(bytes, kMagic, sizeof kMagic) == 0 && bytes[8] == 'A';
}

Result<std::unique_ptr<ByteReader>> openExpanding(File file) {
    unsigned char header[kSzddHeaderSize];
    auto n = file.read(header, sizeof header);
    if (!n)
        return n.error();
    if (!isSzddHeader(header, *n)) {
        if (auto r = file.seek(0, SeekOrigin::Begin); !r)
            return r.error();
        return std::unique_ptr<ByteReader>(new PlainReader(std::move(file)));
    }
    std::uint64_t length = static_cast<std::uint64_t>(header[10]) | (static_cast<std::uint64_t>(header[11]) << 8) |
                           (static_cast<std::uint64_t>(header[12]) << 16) |
                           (static_cast<std::uint64_t>(header[13]) << 24);
    return std::unique_ptr<ByteReader>(new SzddReader(std::move(file), length));
}

} // namespace zrv
