#include "platform/lz.h"

#include <algorithm>
#include <array>
#include <cstring>
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

private:
    File m_file;
};

class SzddReader final : public ByteReader {
public:
    SzddReader(File f, std::uint64_t claimed) : m_file(std::move(f)), m_claimed(claimed), m_in(1 << 16) {}

    Result<std::size_t> read(void* buffer, std::size_t count) override {
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

    // The length the data really expands to, found once by expanding it.
    Result<std::uint64_t> size() override {
        if (m_size)
            return *m_size;
        std::uint64_t here = m_pos;
        if (auto r = restart(); !r)
            return r.error();
        std::array<unsigned char, 16384> sink;
        for (;;) {
            auto n = read(sink.data(), sink.size());
            if (!n)
                return n.error();
            if (*n == 0)
                break;
        }
        m_size = m_pos;
        if (auto r = seek(static_cast<std::int64_t>(here), SeekOrigin::Begin); !r)
            return r.error();
        return *m_size;
    }

    bool expanding() const override { return true; }

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

Result<std::string> szddExpand(std::string_view compressed) {
    const auto* in = reinterpret_cast<const unsigned char*>(compressed.data());
    if (!isSzddHeader(in, compressed.size()))
        return fail(WinError::BadFormat, "not SZDD data");
    std::uint32_t claimed = claimedLength(in);
    std::string out;
    // The claimed length is only a hint: it may lie.
    out.reserve(std::min<std::size_t>(claimed, compressed.size() * 9));
    Expander lz;
    std::size_t ip = kSzddHeaderSize;
    unsigned char buf[65536];
    for (;;) {
        std::size_t op = 0;
        auto stop = lz.run(in, compressed.size(), &ip, buf, sizeof buf, &op);
        out.append(reinterpret_cast<const char*>(buf), op);
        if (stop == Expander::Stop::NeedInput)
            break;
    }
    if (ip < compressed.size() || out.size() < claimed)
        return fail(WinError::BadFormat, "compressed data is cut short");
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
constexpr int kMaxChain = 16;
constexpr int kShallowChain = 2;
constexpr std::size_t kBlock = 1 << 16;

inline std::uint32_t load32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4); // the buffer is padded, so four bytes are always there
    return v;
}
inline std::uint32_t hash3(const unsigned char* p) { return ((load32(p) & 0xFFFFFFu) * 2654435761u) >> (32 - kHash3Bits); }
inline std::uint32_t hash4(const unsigned char* p) { return (load32(p) * 2654435761u) >> (32 - kHashBits); }

class Compressor {
public:
    explicit Compressor(std::string_view data) : m_n(data.size()) {
        // The window starts full of blanks: matches may use them.
        m_ext.assign(kWindow, ' ');
        m_ext.insert(m_ext.end(), data.begin(), data.end());
        m_end = m_ext.size();
        m_ext.resize(m_end + 32, 0); // padding for the word-wise comparison
        m_head.assign(std::size_t(1) << kHashBits, -1);
        m_prev.assign(kWindow, -1);
        m_head3.assign(std::size_t(1) << kHash3Bits, -1);
        for (std::size_t e = kWindow - kMaxDistance; e + 2 < kWindow; ++e)
            insert(e);
    }

    std::string run(char missing) {
        std::string out(reinterpret_cast<const char*>(kMagic), sizeof kMagic);
        out += 'A';
        out += missing;
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((m_n >> (8 * i)) & 0xFF);
        out.reserve(out.size() + m_n / 2 + 64);
        std::size_t block = std::min(kBlock, m_n);
        std::vector<std::uint8_t> len(block);
        std::vector<std::uint16_t> pos(block);
        std::vector<std::uint32_t> cost(block + 1);
        std::vector<std::uint8_t> choice(block);
        Emitter emit(out);
        for (std::size_t start = 0; start < m_n; start += kBlock) {
            std::size_t count = std::min(kBlock, m_n - start);
            for (std::size_t i = 0; i < count; ++i)
                findMatch(kWindow + start + i, kWindow + start + count, &len[i], &pos[i]);
            // Cheapest parse of the block: a literal costs 9 bits, a pair 17.
            cost[count] = 0;
            for (std::size_t i = count; i-- > 0;) {
                // Cost and choice packed in one word, so the minimum needs no branch:
                // the cost in the high bits, the length in the low five.
                std::uint32_t best = ((cost[i + 1] + 9) << 5) | 1;
                const std::size_t top = len[i];
                for (std::size_t l = kMinMatch; l <= top; ++l) {
                    std::uint32_t c = ((cost[i + l] + 17) << 5) | static_cast<std::uint32_t>(l);
                    best = c < best ? c : best;
                }
                cost[i] = best >> 5;
                choice[i] = static_cast<std::uint8_t>(best & 31);
            }
            for (std::size_t i = 0; i < count;) {
                if (choice[i] == 1) {
                    emit.literal(m_ext[kWindow + start + i]);
                    ++i;
                } else {
                    emit.pair(pos[i], choice[i]);
                    i += choice[i];
                }
            }
        }
        return out;
    }

private:
    class Emitter {
    public:
        explicit Emitter(std::string& out) : m_out(out) {}
        void literal(unsigned char c) {
            open();
            m_out[m_flagAt] = static_cast<char>(static_cast<unsigned char>(m_out[m_flagAt]) | (1u << m_bit));
            m_out += static_cast<char>(c);
            ++m_bit;
        }
        void pair(std::uint16_t ringPos, std::size_t length) {
            open();
            m_out += static_cast<char>(ringPos & 0xFF);
            m_out += static_cast<char>(((ringPos >> 4) & 0xF0) | (length - kMinMatch));
            ++m_bit;
        }

    private:
        void open() {
            if (m_bit == 8) {
                m_flagAt = m_out.size();
                m_out += '\0';
                m_bit = 0;
            }
        }
        std::string& m_out;
        std::size_t m_flagAt = 0;
        unsigned m_bit = 8;
    };

    // Positions are chained by their first four bytes; for three-byte pairs only
    // the latest position of each three-byte hash is kept.
    void insert(std::size_t e) { insertHashed(e, hash4(&m_ext[e])); }
    void insertHashed(std::size_t e, std::uint32_t h) {
        m_prev[e & (kWindow - 1)] = m_head[h];
        m_head[h] = static_cast<std::int32_t>(e);
        m_head3[hash3(&m_ext[e])] = static_cast<std::int32_t>(e);
    }

    static std::size_t commonLength(const unsigned char* a, const unsigned char* b, std::size_t limit) {
        // Eight bytes at a time; the buffer is padded so reads past `limit` are safe.
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

    // The longest match for position e (within the block), and the ring position
    // of its source; inserts e into the hash chains.
    void findMatch(std::size_t e, std::size_t blockEnd, std::uint8_t* outLen, std::uint16_t* outPos) {
        std::size_t limit = std::min(kMaxMatch, blockEnd - e);
        std::size_t best = 0;
        std::size_t bestAt = 0;
        const unsigned char* cur = &m_ext[e];
        const std::uint32_t h = hash4(cur);
        const std::uint32_t head4 = load32(cur);
        // The previous position's source, one further on, matches at least one
        // byte less; inside a long match that is as good as a search would find.
        if (m_lastLen >= 4 && m_lastAt + 1 + kMaxDistance > e) {
            bestAt = m_lastAt + 1;
            best = commonLength(&m_ext[bestAt], cur, limit);
        }
        if (best < 8 && limit >= kMinMatch) {
            std::int32_t cand = m_head[h];
            const std::int32_t lowest = static_cast<std::int32_t>(e - kMaxDistance);
            // Inside an earlier match a shallow search does: those positions
            // seldom start a pair of the final parse.
            int chain = e < m_coveredUntil ? kShallowChain : kMaxChain;
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
        if (e + 2 < m_end)
            insertHashed(e, h);
        m_lastLen = best;
        m_lastAt = bestAt;
        if (best >= 6 && e + best > m_coveredUntil)
            m_coveredUntil = e + best;
        if (best < kMinMatch) {
            *outLen = 0;
            *outPos = 0;
            return;
        }
        *outLen = static_cast<std::uint8_t>(best);
        *outPos = static_cast<std::uint16_t>((bestAt - 16) & (kWindow - 1));
    }

    std::size_t m_n;
    std::size_t m_end = 0; // end of the real data in m_ext
    std::size_t m_lastLen = 0;
    std::size_t m_lastAt = 0;
    std::size_t m_coveredUntil = 0;
    std::vector<unsigned char> m_ext;
    std::vector<std::int32_t> m_head;
    std::vector<std::int32_t> m_prev;
    std::vector<std::int32_t> m_head3;
};

} // namespace

Result<std::string> szddCompress(std::string_view data, char missing) {
    if (data.size() > 0x7FFF0000ull)
        return fail(WinError::InvalidParameter, "too large to compress (2 GB and more)");
    return Compressor(data).run(missing);
}

} // namespace zrv
