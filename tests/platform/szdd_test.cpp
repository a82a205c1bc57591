// The SZDD codec against itself and against an independent implementation,
// mscompress and msexpand.
#include "platform/formats/lz.h"

#include "tests/support/testing.h"

#include <cstdlib>
#include <cstring>
#include <random>

using namespace zrv;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

std::string textLike(std::size_t n, unsigned seed) {
    static const char* words[] = {"setup", "install", "the ", "WINDOWS", "\r\n", "copy ", "file", "SYSTEM.INI",
                                  "=", "device", "%APP%", "; comment", "[Section]", "0123", "  "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n)
        s += words[rng() % (sizeof words / sizeof *words)];
    s.resize(n);
    return s;
}

struct Sample {
    const char* name;
    std::string data;
};

std::vector<Sample> corpus() {
    return {
        {"empty", ""},
        {"one", "x"},
        {"tiny", "abc"},
        {"blanks", std::string(5000, ' ')},
        {"repetitive", std::string(1 << 20, 'a')},
        {"period3", [] { std::string s; for (int i = 0; i < 100000; ++i) s += "abc"; return s; }()},
        {"random", randomBytes(200000, 1)},
        {"text", textLike(500000, 2)},
        {"mixed", textLike(1500000, 3) + randomBytes(1000000, 4) + std::string(600000, '\0')},
    };
}

TEST(Szdd, RoundTripsEveryKindOfInput) {
    for (const Sample& s : corpus()) {
        auto packed = szddCompress(s.data, 'X');
        ASSERT_TRUE(packed.ok()) << s.name;
        auto back = szddExpand(*packed);
        ASSERT_TRUE(back.ok()) << s.name << ": " << back.error().describe();
        EXPECT_EQ(*back, s.data) << s.name;
        EXPECT_EQ((*packed)[9], 'X');
    }
    // Repetitive data shrinks to about 2 bytes per 18.
    EXPECT_LT(szddCompress(std::string(1 << 20, 'a'))->size(), (1u << 20) / 8);
}

// Streaming through small chunks and odd read sizes gives the bytes the
// whole-buffer functions give: the chunk edges fall inside matches, pairs and
// flag groups.
TEST(Szdd, StreamingGivesTheSameBytesForEveryChunk) {
    std::vector<std::string> inputs = {textLike(100000, 3), randomBytes(70000, 4) + std::string(30000, 'z'),
                                       std::string(50000, 'a'), textLike(16384, 5), ""};
    for (const std::string& data : inputs) {
        const std::string whole = *szddCompress(data, 'Q');
        for (std::size_t chunk : {std::size_t(1), std::size_t(16384), std::size_t(20000), std::size_t(40961)}) {
            std::size_t at = 0, step = 0;
            std::string out;
            auto r = szddCompressStream(
                data.size(),
                [&](void* buffer, std::size_t count) -> Result<std::size_t> {
                    // Short reads of varying size, as pipes give them.
                    const std::size_t n = std::min({count, data.size() - at, std::size_t(1000 + 777 * (step++ % 5))});
                    std::memcpy(buffer, data.data() + at, n);
                    at += n;
                    return n;
                },
                appendTo(out), 'Q', chunk);
            ASSERT_TRUE(r.ok()) << r.error().describe();
            EXPECT_EQ(out, whole) << data.size() << " bytes in chunks of " << chunk;
        }
        // Expanded one byte at a time: a pair split between two reads.
        std::size_t at = 0;
        std::string back;
        auto n = szddExpandStream(
            [&](void* buffer, std::size_t count) -> Result<std::size_t> {
                if (at >= whole.size() || count == 0)
                    return std::size_t(0);
                static_cast<char*>(buffer)[0] = whole[at++];
                return std::size_t(1);
            },
            appendTo(back));
        ASSERT_TRUE(n.ok()) << n.error().describe();
        EXPECT_EQ(back, data);
    }
    // An input that is not the size it was said to be fails.
    const std::string data = textLike(30000, 6);
    std::string sink;
    EXPECT_FALSE(szddCompressStream(data.size() + 1, readFromMemory(data), appendTo(sink), 0, 16384).ok());
    // A write that fails stops it with that failure.
    auto full = [](const void*, std::size_t) -> Result<void> { return fail(WinError::DiskFull, "full"); };
    auto r = szddCompressStream(data.size(), readFromMemory(data), full, 0, 16384);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.code(), WinError::DiskFull);
}

std::string run(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[65536];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p))
        out.append(buf, n);
    ::pclose(p);
    return out;
}

bool havePeers() { return std::system("command -v mscompress >/dev/null && command -v msexpand >/dev/null") == 0; }

TEST(Szdd, WhatWeCompressMsexpandExpands) {
    if (!havePeers())
        GTEST_SKIP() << "mscompress is not installed (scripts/install-deps installs it)";
    TempDir dir;
    for (const Sample& s : corpus()) {
        writeHost(dir.path() / "ours.bi_", *szddCompress(s.data));
        std::string expanded = run("msexpand < '" + (dir.path() / "ours.bi_").string() + "'");
        EXPECT_EQ(expanded.size(), s.data.size()) << s.name;
        EXPECT_TRUE(expanded == s.data) << s.name;
    }
}

TEST(Szdd, WhatMscompressCompressesWeExpand) {
    if (!havePeers())
        GTEST_SKIP() << "mscompress is not installed (scripts/install-deps installs it)";
    TempDir dir;
    for (const Sample& s : corpus()) {
        fs::path file = dir.path() / "peer.bin";
        writeHost(file, s.data);
        ASSERT_EQ(std::system(("mscompress '" + file.string() + "'").c_str()), 0);
        std::string packed = readHost(dir.path() / "peer.bin_");
        auto ours = szddExpand(packed);
        ASSERT_TRUE(ours.ok()) << s.name << ": " << ours.error().describe();
        // Both expanders agree on every file. mscompress itself writes zeros in
        // place of inputs under 16 bytes, so only longer ones are the original.
        std::string theirs = run("msexpand < '" + (dir.path() / "peer.bin_").string() + "'");
        EXPECT_TRUE(*ours == theirs) << s.name << ": " << ours->size() << " vs " << theirs.size();
        if (s.data.size() >= 16) {
            EXPECT_TRUE(*ours == s.data) << s.name;
        }
        fs::remove(dir.path() / "peer.bin_");
    }
}

TEST(Szdd, DamagedDataNeverCrashesOrRunsAway) {
    std::string good = *szddCompress(textLike(50000, 5));
    // Cut anywhere: an error, or (cut between items) a shorter result.
    for (std::size_t cut = kSzddHeaderSize; cut < good.size(); cut += 97) {
        auto r = szddExpand(good.substr(0, cut));
        EXPECT_FALSE(r.ok()) << cut;
    }
    // A header that claims 4 GB over a few bytes.
    std::string liar = good.substr(0, 10) + std::string("\xff\xff\xff\xff", 4) + good.substr(14, 40);
    EXPECT_FALSE(szddExpand(liar).ok());
    // A header that claims less than the data holds: expansion goes on to the end.
    std::string modest = good.substr(0, 10) + std::string("\x05\0\0\0", 4) + good.substr(14);
    auto all = szddExpand(modest);
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(all->size(), 50000u);
    // Random garbage after a valid header.
    for (unsigned seed = 0; seed < 50; ++seed) {
        std::string junk = good.substr(0, 10) + std::string(4, '\0') + randomBytes(1000 + seed, seed);
        auto r = szddExpand(junk);
        if (r.ok()) {
            EXPECT_LE(r->size(), 1000u * 18 + seed * 18);
        }
    }
    EXPECT_FALSE(szddExpand("SZDD").ok());
}

class SzddFile : public MachineTest {};

// A small file's expansion is kept once its length is known, a large one's is
// expanded again as it is read: both read alike.
class SzddSizes : public MachineTest, public ::testing::WithParamInterface<std::size_t> {};
INSTANTIATE_TEST_SUITE_P(KeptAndStreamed, SzddSizes, ::testing::Values(300000u, 5000000u));

TEST_P(SzddSizes, ReadsSeeksAndSizesThroughTheMachine) {
    std::string data = textLike(GetParam(), 7);
    put("C:\\DATA.TX_", *szddCompress(data));
    auto f = m->openFile("C:\\DATA.TX_", Access::Read, Disposition::OpenExisting);
    ASSERT_TRUE(f.ok());
    auto r = openExpanding(std::move(*f));
    ASSERT_TRUE(r.ok());
    ByteReader& lz = **r;
    std::string got(1000, '\0');
    // The length asked for in the middle of reading leaves the position alone.
    ASSERT_EQ(*lz.read(got.data(), 100), 100u);
    EXPECT_EQ(*lz.size(), data.size());
    ASSERT_EQ(*lz.read(got.data(), 100), 100u);
    EXPECT_EQ(got.substr(0, 100), data.substr(100, 100));
    ASSERT_EQ(*lz.seek(123456, SeekOrigin::Begin), 123456u);
    ASSERT_EQ(*lz.read(got.data(), got.size()), 1000u);
    EXPECT_EQ(got, data.substr(123456, 1000));
    ASSERT_EQ(*lz.seek(-10, SeekOrigin::End), data.size() - 10);
    got.assign(100, '\0');
    ASSERT_EQ(*lz.read(got.data(), got.size()), 10u);
    EXPECT_EQ(got.substr(0, 10), data.substr(data.size() - 10));
    ASSERT_EQ(*lz.seek(5, SeekOrigin::Begin), 5u);
    ASSERT_EQ(*lz.read(got.data(), 5), 5u);
    EXPECT_EQ(got.substr(0, 5), data.substr(5, 5));
}

TEST_F(SzddFile, ATruncatedFileIsAReadError) {
    std::string packed = *szddCompress(textLike(100000, 8));
    put("C:\\CUT.TX_", packed.substr(0, packed.size() / 2));
    auto f = m->openFile("C:\\CUT.TX_", Access::Read, Disposition::OpenExisting);
    auto r = openExpanding(std::move(*f));
    ASSERT_TRUE(r.ok());
    char buf[4096];
    bool failed = false;
    for (int i = 0; i < 1000 && !failed; ++i) {
        auto n = (*r)->read(buf, sizeof buf);
        failed = !n.ok();
        if (n.ok() && *n == 0)
            break;
    }
    EXPECT_TRUE(failed);
}

} // namespace
