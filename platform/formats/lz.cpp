#include "platform/formats/lz.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace zrv {

namespace {

constexpr unsigned char kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t kWindow = 4096;
constexpr std::size_t kStart = kWindow - 16; // where the first byte is written
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;

// The expansion state: a ring buffer primed with blanks, and the flag byte whose
// bits, low first, say literal (1) or position/length pair (0).
class Expander {
public:
    Expander() { reset(); }
    void reset() {
        m_ring.fill(' ');
        m_w = kStart;
        m_flags = 0;
        m_copyLeft = 0;
        m_produced = 0;
    }

    enum class Stop { Full, NeedInput, Corrupt };

    // Expands from in[*inPos..inLen) into out[*outPos..outLen). A pair is only
    // taken when both its bytes are there.
    Stop run(const unsigned char* in, std::size_t inLen, std::size_t* inPos, unsigned char* out, std::size_t outLen,
             std::size_t* outPos) {
        std::size_t ip = *inPos, op = *outPos;
        std::size_t w = m_w;
        Stop stop = Stop::Full;
        while (op < outLen) {
            if (m_copyLeft > 0) {
                std::size_t n = std::min(m_copyLeft, outLen - op);
                for (std::size_t k = 0; k < n; ++k) {
                    unsigned char c = m_ring[m_copyFrom];
                    m_copyFrom = (m_copyFrom + 1) & (kWindow - 1);
                    m_ring[w] = c;
                    w = (w + 1) & (kWindow - 1);
                    out[op++] = c;
                }
                m_copyLeft -= n;
                continue;
            }
            if ((m_flags & 0x100) == 0) {
                if (ip >= inLen) {
                    stop = Stop::NeedInput;
                    break;
                }
                m_flags = 0xFF00u | in[ip++];
            }
            if (m_flags & 1) {
                if (ip >= inLen) {
                    stop = Stop::NeedInput;
                    break;
                }
                unsigned char c = in[ip++];
                m_ring[w] = c;
                w = (w + 1) & (kWindow - 1);
                out[op++] = c;
            } else {
                if (ip + 1 >= inLen) {
                    stop = Stop::NeedInput;
                    break;
                }
                unsigned a = in[ip], b = in[ip + 1];
                ip += 2;
                m_copyFrom = a | ((b & 0xF0u) << 4);
                m_copyLeft = (b & 0x0Fu) + kMinMatch;
            }
            m_flags >>= 1;
        }
        m_produced += op - *outPos;
        m_w = w;
        *inPos = ip;
        *outPos = op;
        return stop;
    }

    std::uint64_t produced() const { return m_produced; }

private:
    std::array<unsigned char, kWindow> m_ring{};
    std::size_t m_w = kStart;
    unsigned m_flags = 0;
    std::size_t m_copyFrom = 0;
    std::size_t m_copyLeft = 0;
    std::uint64_t m_produced = 0;
};

class PlainReader final : public ByteReader {
public:
    explicit PlainReader(File f) : m_file(std::move(f)) {}
    Result<std::size_t> read(void* buffer, std::size_t count) override { return m_file.read(buffer, count); }
    Result<std::uint64_t> seek(std::int64_t offset, SeekOrigin origin) override {
        return m_file.seek(offset, origin);
    }
    Result<std::uint64_t> size() override { return m_file.size(); }
    bool expanding() const override { return false; }
    Result<FileTime> lastWriteTime() override { return m_file.lastWriteTime(); }

private:
    File m_file;
};

class SzddReader final : public ByteReader {
public:
    SzddReader(File f, std::uint64_t claimed) : m_file(std::move(f)), m_claimed(claimed), m_in(1 << 16) {}

    Result<std::size_t> read(void* buffer, std::size_t count) override {
        if (m_whole) {
            std::size_t n = m_pos < m_whole->size() ? std::min<std::size_t>(count, m_whole->size() - m_pos) : 0;
            std::memcpy(buffer, m_whole->data() + m_pos, n);
            m_pos += n;
            return n;
        }
        auto* out = static_cast<unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < count) {
            auto stop = m_lz.run(m_in.data(), m_inLen, &m_inPos, out, count, &done);
            if (stop == Expander::Stop::Full)
                break;
            // Keep an unfinished pair's first byte and read more behind it.
            std::size_t keep = m_inLen - m_inPos;
            std::memmove(m_in.data(), m_in.data() + m_inPos, keep);
            m_inLen = keep;
            m_inPos = 0;
            if (m_eof) {
                if (keep > 0 || m_lz.produced() < m_claimed) {
                    if (done > 0)
                        break; // report the error on the next read
                    return fail(WinError::BadFormat, m_file.path().text() + ": compressed data is cut short");
                }
                break;
            }
            auto n = m_file.read(m_in.data() + keep, m_in.size() - keep);
            if (!n)
                return n.error();
            m_inLen += *n;
            m_eof = *n == 0;
        }
        m_pos += done;
        return done;
    }

    Result<std::uint64_t> seek(std::int64_t offset, SeekOrigin origin) override {
        std::int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? static_cast<std::int64_t>(m_pos) : 0;
        if (origin == SeekOrigin::End) {
            auto s = size();
            if (!s)
                return s.error();
            base = static_cast<std::int64_t>(*s);
        }
        std::int64_t target = base + offset;
        if (target < 0)
            return fail(WinError::InvalidParameter, "seek before the start");
        if (m_whole) {
            m_pos = static_cast<std::uint64_t>(target);
            return m_pos;
        }
        if (static_cast<std::uint64_t>(target) < m_pos)
            if (auto r = restart(); !r)
                return r.error();
        std::array<unsigned char, 16384> skip;
        while (m_pos < static_cast<std::uint64_t>(target)) {
            std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(skip.size(), static_cast<std::uint64_t>(target) - m_pos));
            auto n = read(skip.data(), want);
            if (!n)
                return n.error();
            if (*n == 0)
                break;
        }
        return static_cast<std::uint64_t>(target);
    }

    // The length the data really expands to, found once by expanding it. A
    // small file's expansion is kept, so reading it next does not expand it again.
    Result<std::uint64_t> size() override {
        if (m_size)
            return *m_size;
        std::uint64_t here = m_pos;
        if (auto r = restart(); !r)
            return r.error();
        std::string whole;
        bool keep = true;
        std::array<unsigned char, 16384> sink;
        for (;;) {
            auto n = read(sink.data(), sink.size());
            if (!n)
                return n.error();
            if (*n == 0)
                break;
            if (keep && whole.size() + *n <= kKeptExpansion) {
                whole.append(reinterpret_cast<const char*>(sink.data()), *n);
            } else if (keep) {
                keep = false;
                std::string().swap(whole);
            }
        }
        m_size = m_pos;
        if (keep) {
            m_whole = std::move(whole);
            m_pos = here;
        } else if (auto r = seek(static_cast<std::int64_t>(here), SeekOrigin::Begin); !r) {
            return r.error();
        }
        return *m_size;
    }

    bool expanding() const override { return true; }
    Result<FileTime> lastWriteTime() override { return m_file.lastWriteTime(); }

private:
    Result<void> restart() {
        m_lz.reset();
        m_pos = 0;
        m_inLen = m_inPos = 0;
        m_eof = false;
        if (auto r = m_file.seek(static_cast<std::int64_t>(kSzddHeaderSize), SeekOrigin::Begin); !r)
            return r.error();
        return {};
    }

    File m_file;
    std::uint64_t m_claimed;
    Expander m_lz;
    std::vector<unsigned char> m_in;
    std::size_t m_inLen = 0;
    std::size_t m_inPos = 0;
    bool m_eof = false;
    std::uint64_t m_pos = 0;
    std::optional<std::uint64_t> m_size;
    static constexpr std::size_t kKeptExpansion = 4 << 20;
    std::optional<std::string> m_whole; // the whole expansion, once size() found it small
};

std::uint32_t claimedLength(const unsigned char* header) {
    return static_cast<std::uint32_t>(header[10]) | (static_cast<std::uint32_t>(header[11]) << 8) |
           (static_cast<std::uint32_t>(header[12]) << 16) | (static_cast<std::uint32_t>(header[13]) << 24);
}

} // namespace

bool isSzddHeader(const unsigned char* bytes, std::size_t count) {
    return count >= kSzddHeaderSize && std::memcmp(bytes, kMagic, sizeof kMagic) == 0 && bytes[8] == 'A';
}

Result<std::unique_ptr<ByteReader>> openExpanding(File file) {
    unsigned char header[kSzddHeaderSize];
    std::size_t got = 0;
    while (got < sizeof header) {
        auto n = file.read(header + got, sizeof header - got);
        if (!n)
            return n.error();
        if (*n == 0)
            break;
        got += *n;
    }
    if (!isSzddHeader(header, got)) {
        if (auto r = file.seek(0, SeekOrigin::Begin); !r)
            return r.error();
        return std::unique_ptr<ByteReader>(new PlainReader(std::move(file)));
    }
    return std::unique_ptr<ByteReader>(new SzddReader(std::move(file), claimedLength(header)));
}

ReadSome readFromMemory(std::string_view data) {
    return [data, at = std::size_t(0)](void* buffer, std::size_t count) mutable -> Result<std::size_t> {
        const std::size_t n = std::min(count, data.size() - at);
        std::memcpy(buffer, data.data() + at, n);
        at += n;
        return n;
    };
}

WriteAll appendTo(std::string& out) {
    return [&out](const void* bytes, std::size_t count) -> Result<void> {
        out.append(static_cast<const char*>(bytes), count);
        return {};
    };
}

Result<std::string> szddExpand(std::string_view compressed) {
    std::string out;
    if (compressed.size() >= kSzddHeaderSize && isSzddHeader(reinterpret_cast<const unsigned char*>(compressed.data()),
                                                             compressed.size()))
        // The claimed length is only a hint: it may lie.
        out.reserve(std::min<std::size_t>(claimedLength(reinterpret_cast<const unsigned char*>(compressed.data())),
                                          compressed.size() * 9));
    auto r = szddExpandStream(readFromMemory(compressed), appendTo(out));
    if (!r)
        return r.error();
    return out;
}

// ---------------------------------------------------------------------------
// Compression

namespace {

// Distances stay a little inside the window, so no copy reads a slot that the
// same copy has already overwritten, whatever order an expander uses.
constexpr std::size_t kMaxDistance = kWindow - kMaxMatch;
constexpr int kHashBits = 14;
constexpr int kHash3Bits = 12;
constexpr int kMaxChain = 64;

inline std::uint32_t load32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4); // the buffer is padded, so four bytes are always there
    return v;
}
inline std::uint32_t hash3(const unsigned char* p) { return ((load32(p) & 0xFFFFFFu) * 2654435761u) >> (32 - kHash3Bits); }
inline std::uint32_t hash4(const unsigned char* p) { return (load32(p) * 2654435761u) >> (32 - kHashBits); }

struct Match {
    std::size_t length = 0;
    std::uint16_t ringPos = 0;
};

// LZSS with lazy matching: before a pair is taken, the next position is tried,
// and when it holds a longer match a literal goes first. That beats taking
// each longest match as it comes at a fraction of the cost of a full parse.
class Compressor {
public:
    // `chunk`: how much input is held at a time beside the window, which
    // bounds the memory whatever the size of the input.
    Compressor(std::uint64_t size, char missing, const WriteAll& write, std::size_t chunk)
        : m_size(size), m_write(write), m_chunk(std::max<std::size_t>(chunk, 4 * kWindow)) {
        // The window starts full of blanks: matches may use them.
        m_ext.assign(kWindow, ' ');
        m_ext.reserve(kWindow + m_chunk + kPad);
        m_end = m_ext.size();
        m_head.assign(std::size_t(1) << kHashBits, -1);
        m_prev.assign(kWindow, -1);
        m_head3.assign(std::size_t(1) << kHash3Bits, -1);
        m_out.assign(reinterpret_cast<const char*>(kMagic), sizeof kMagic);
        m_out += 'A';
        m_out += missing;
        for (int i = 0; i < 4; ++i)
            m_out += static_cast<char>((size >> (8 * i)) & 0xFF);
    }

    Result<void> run(const ReadSome& read) {
        std::size_t e = kWindow;
        bool primed = false;
        bool last = false;
        Match cur;
        while (true) {
            // Room for more input: what lies a window behind e is no longer needed.
            if (!last && m_end - kWindow >= m_chunk && e >= 2 * kWindow) {
                const std::size_t shift = (e - kWindow) / kWindow * kWindow;
                m_ext.erase(m_ext.begin(), m_ext.begin() + static_cast<std::ptrdiff_t>(shift));
                for (auto* table : {&m_head, &m_prev, &m_head3})
                    for (std::int32_t& v : *table)
                        v = v >= static_cast<std::int32_t>(shift) ? v - static_cast<std::int32_t>(shift) : -1;
                e -= shift;
                m_end -= shift;
            }
            if (!last) {
                const std::size_t room = kWindow + m_chunk - std::min(m_end, kWindow + m_chunk);
                m_ext.resize(m_end + room);
                std::size_t got = 0;
                while (got < room) {
                    auto n = read(m_ext.data() + m_end + got, room - got);
                    if (!n)
                        return n.error();
                    if (*n == 0)
                        break;
                    got += *n;
                }
                m_end += got;
                m_read += got;
                m_ext.resize(m_end);
                last = got < room || m_read >= m_size;
                if (m_read != m_size && (last || m_read > m_size))
                    return fail(WinError::IoDevice, "the input changed size while it was compressed");
            }
            m_ext.resize(m_end + kPad, 0); // padding for the word-wise comparisons
            if (!primed) {
                for (std::size_t p = kWindow - kMaxDistance; p + 2 < kWindow; ++p)
                    insert(p);
                if (e < m_end)
                    cur = find(e);
                primed = true;
            }
            // Short of the end of the input, each step sees as far ahead as it
            // would with all of it at hand, so the output does not depend on
            // the chunk.
            const std::size_t stop = last ? m_end : m_end - kLookAhead;
            step(e, cur, stop);
            m_ext.resize(m_end);
            if (last)
                break;
        }
        flush(m_out.size());
        return m_failed ? Result<void>(*m_failed) : Result<void>();
    }

private:
    static constexpr std::size_t kPad = 32;
    // find(e + 1) reads up to a match's length past e + 1, in eight-byte words.
    static constexpr std::size_t kLookAhead = kMaxMatch + 2 + 8 + kPad;

    void step(std::size_t& e, Match& cur, std::size_t stop) {
        while (e < m_end && e < stop) {
            if (cur.length < kMinMatch) {
                literal(m_ext[e]);
                ++e;
                if (e < m_end)
                    cur = find(e);
                continue;
            }
            if (cur.length < kMaxMatch && e + 1 < m_end) {
                Match next = find(e + 1);
                if (next.length > cur.length) {
                    literal(m_ext[e]);
                    ++e;
                    cur = next;
                    continue;
                }
                pair(cur);
                for (std::size_t k = e + 2; k < e + cur.length; ++k)
                    insert(k);
            } else {
                pair(cur);
                for (std::size_t k = e + 1; k < e + cur.length; ++k)
                    insert(k);
            }
            e += cur.length;
            if (e < m_end)
                cur = find(e);
        }
    }

    // Output goes out in large blocks, up to the flag byte still being filled.
    void item() {
        if (m_bit == 8) {
            if (m_out.size() >= kOutBlock)
                flush(m_out.size());
            m_flagAt = m_out.size();
            m_out += '\0';
            m_bit = 0;
        }
    }
    void literal(unsigned char c) {
        item();
        m_out[m_flagAt] = static_cast<char>(static_cast<unsigned char>(m_out[m_flagAt]) | (1u << m_bit));
        m_out += static_cast<char>(c);
        ++m_bit;
    }
    void pair(const Match& m) {
        item();
        m_out += static_cast<char>(m.ringPos & 0xFF);
        m_out += static_cast<char>(((m.ringPos >> 4) & 0xF0) | (m.length - kMinMatch));
        ++m_bit;
    }
    void flush(std::size_t upTo) {
        if (upTo == 0 || m_failed)
            return;
        if (auto r = m_write(m_out.data(), upTo); !r)
            m_failed = r.error();
        m_out.erase(0, upTo);
        m_flagAt = 0;
    }

    static std::size_t commonLength(const unsigned char* a, const unsigned char* b, std::size_t limit) {
        std::size_t l = 0;
        while (l < limit) {
            std::uint64_t x, y;
            std::memcpy(&x, a + l, 8);
            std::memcpy(&y, b + l, 8);
            std::uint64_t diff = x ^ y;
            if (diff != 0)
                return std::min(limit, l + static_cast<std::size_t>(__builtin_ctzll(diff) / 8));
            l += 8;
        }
        return limit;
    }

    // Positions are chained by their first four bytes; for three-byte pairs only
    // the latest position of each three-byte hash is kept.
    void insert(std::size_t e) {
        if (e + 2 >= m_end)
            return;
        const unsigned char* p = &m_ext[e];
        std::uint32_t h = hash4(p);
        m_prev[e & (kWindow - 1)] = m_head[h];
        m_head[h] = static_cast<std::int32_t>(e);
        m_head3[hash3(p)] = static_cast<std::int32_t>(e);
    }

    // The longest match at e, searched before e itself is inserted.
    Match find(std::size_t e) {
        std::size_t limit = std::min(kMaxMatch, m_end - e);
        std::size_t best = 0;
        std::size_t bestAt = 0;
        const unsigned char* cur = &m_ext[e];
        if (limit >= kMinMatch) {
            const std::uint32_t head4 = load32(cur);
            const std::int32_t lowest = static_cast<std::int32_t>(e - kMaxDistance);
            std::int32_t cand = m_head[hash4(cur)];
            int chain = kMaxChain;
            while (cand >= lowest && chain-- > 0) {
                const unsigned char* src = &m_ext[static_cast<std::size_t>(cand)];
                // The first four bytes must agree, and the byte at the current
                // best length for a better match.
                if (load32(src) == head4 && src[best] == cur[best]) {
                    std::size_t l = commonLength(src, cur, limit);
                    if (l > best) {
                        best = l;
                        bestAt = static_cast<std::size_t>(cand);
                        if (l == limit)
                            break;
                    }
                }
                std::int32_t next = m_prev[static_cast<std::size_t>(cand) & (kWindow - 1)];
                if (next >= cand)
                    break; // the slot was reused by a newer position
                cand = next;
            }
            if (best < 4) {
                std::int32_t c3 = m_head3[hash3(cur)];
                if (c3 >= lowest && ((load32(&m_ext[static_cast<std::size_t>(c3)]) ^ head4) & 0xFFFFFFu) == 0) {
                    best = 3;
                    bestAt = static_cast<std::size_t>(c3);
                }
            }
        }
        insert(e);
        if (best < kMinMatch)
            return {};
        // The ring position of the match: positions count from the window's
        // start, which only ever moves by whole windows.
        return {best, static_cast<std::uint16_t>((bestAt - 16) & (kWindow - 1))};
    }

    static constexpr std::size_t kOutBlock = 1 << 20;
    std::uint64_t m_size;
    const WriteAll& m_write;
    std::size_t m_chunk;
    std::uint64_t m_read = 0;
    std::size_t m_end = 0; // end of the input held in m_ext
    std::vector<unsigned char> m_ext;
    std::vector<std::int32_t> m_head;
    std::vector<std::int32_t> m_prev;
    std::vector<std::int32_t> m_head3;
    std::string m_out;
    std::size_t m_flagAt = 0;
    unsigned m_bit = 8;
    std::optional<Error> m_failed;
};

} // namespace

Result<void> szddCompressStream(std::uint64_t size, const ReadSome& read, const WriteAll& write, char missing,
                                std::size_t chunk) {
    if (size > 0x7FFF0000ull)
        return fail(WinError::InvalidParameter, "too large to compress (2 GB and more)");
    return Compressor(size, missing, write, chunk).run(read);
}

Result<std::string> szddCompress(std::string_view data, char missing) {
    std::string out;
    out.reserve(data.size() / 2 + 64);
    auto r = szddCompressStream(data.size(), readFromMemory(data), appendTo(out), missing, data.size());
    if (!r)
        return r.error();
    return out;
}

Result<std::uint64_t> szddExpandStream(const ReadSome& read, const WriteAll& write) {
    std::vector<unsigned char> in(1 << 20), out(1 << 20);
    std::size_t have = 0;
    // The header first.
    while (have < kSzddHeaderSize) {
        auto n = read(in.data() + have, in.size() - have);
        if (!n)
            return n.error();
        if (*n == 0)
            break;
        have += *n;
    }
    if (!isSzddHeader(in.data(), have))
        return fail(WinError::BadFormat, "not SZDD data");
    const std::uint32_t claimed = claimedLength(in.data());
    Expander lz;
    std::size_t ip = kSzddHeaderSize;
    bool ended = false;
    for (;;) {
        std::size_t op = 0;
        auto stop = lz.run(in.data(), have, &ip, out.data(), out.size(), &op);
        if (op > 0)
            if (auto w = write(out.data(), op); !w)
                return w.error();
        if (stop != Expander::Stop::NeedInput)
            continue;
        if (ended)
            break;
        // Keep what is left (half a pair at most) and read on.
        std::memmove(in.data(), in.data() + ip, have - ip);
        have -= ip;
        ip = 0;
        auto n = read(in.data() + have, in.size() - have);
        if (!n)
            return n.error();
        ended = *n == 0;
        have += *n;
    }
    if (ip < have || lz.produced() < claimed)
        return fail(WinError::BadFormat, "compressed data is cut short");
    return lz.produced();
}

} // namespace zrv
