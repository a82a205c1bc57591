// Version resources read from PE files that the MinGW binutils build.
#include "platform/formats/peversion.h"

#include "tests/support/images.h"
#include "tests/support/testing.h"

#include <cstdlib>
#include <cstring>
#include <random>

using namespace zrv;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

bool have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0; }

class PeFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!have("x86_64-w64-mingw32-windres") || !have("i686-w64-mingw32-ld") || !have("cpp"))
            return;
        dir = new TempDir;
        fs::path d = dir->path();
        writeHost(d / "ver.rc", "1 VERSIONINFO\n"
                                "FILEVERSION 1,2,3,4\n"
                                "PRODUCTVERSION 5,6,7,8\n"
                                "FILEOS 0x4\nFILETYPE 0x2\n"
                                "BEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904E4\"\n  BEGIN\n"
                                "   VALUE \"FileVersion\", \"1.2.3.4\\0\"\n  END\n END\nEND\n");
        writeHost(d / "empty.s", "");
        std::string q = "'" + d.string() + "/";
        std::string script =
            "cd " + q + "' && "
            "x86_64-w64-mingw32-windres --preprocessor=cpp ver.rc -O coff -o v64.o && "
            "i686-w64-mingw32-windres --preprocessor=cpp ver.rc -O coff -o v32.o && "
            "x86_64-w64-mingw32-ld --dll -e 0 -o pe64.dll v64.o && "
            "i686-w64-mingw32-ld --dll -e 0 -o pe32.dll v32.o && "
            "x86_64-w64-mingw32-ld -e 0 -o pe64.exe v64.o && "
            "x86_64-w64-mingw32-as empty.s -o empty.o && x86_64-w64-mingw32-ld -e 0 -o plain.exe empty.o";
        built = std::system(script.c_str()) == 0;
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override {
        if (!built)
            GTEST_SKIP() << "the MinGW binutils are not installed (scripts/install-deps installs them)";
    }
    static std::string image(const char* name) { return readHost(dir->path() / name); }

    static inline TempDir* dir = nullptr;
    static inline bool built = false;
};

TEST_F(PeFiles, ReadsTheFourNumbersFromPe32AndPe32Plus) {
    for (const char* name : {"pe32.dll", "pe64.dll", "pe64.exe"}) {
        auto v = readFileVersion(image(name));
        ASSERT_TRUE(v.has_value()) << name;
        EXPECT_EQ(v->major(), 1) << name;
        EXPECT_EQ(v->minor(), 2) << name;
        EXPECT_EQ(v->build(), 3) << name;
        EXPECT_EQ(v->revision(), 4) << name;
        EXPECT_EQ(v->productMS, (5u << 16) | 6u) << name;
        EXPECT_EQ(v->productLS, (7u << 16) | 8u) << name;
    }
}

TEST_F(PeFiles, AFileWithoutAVersionResourceHasNone) {
    EXPECT_FALSE(readFileVersion(image("plain.exe")).has_value());
    EXPECT_FALSE(readFileVersion(std::string_view("MZ")).has_value());
    EXPECT_FALSE(readFileVersion(std::string_view("plain text, not a program")).has_value());
    EXPECT_FALSE(readFileVersion(std::string_view()).has_value());
}

// A good image cut at every `step`-th length and mutated 3,000 times: the
// reader always returns, and a version it finds is the image's own.
void expectDamageIsSafe(const std::string& good, std::size_t step, int major, unsigned seed) {
    for (std::size_t cut = 0; cut < good.size(); cut += step) {
        auto v = readFileVersion(std::string_view(good).substr(0, cut));
        if (v) {
            EXPECT_EQ(v->major(), major);
        }
    }
    std::mt19937 rng(seed);
    for (int round = 0; round < 3000; ++round) {
        std::string bad = good;
        for (int k = 0; k < 4; ++k)
            bad[rng() % bad.size()] = static_cast<char>(rng());
        (void)readFileVersion(bad); // must return, whatever it finds
    }
}

TEST_F(PeFiles, TruncatedAndMutatedFilesNeverCrash) {
    std::string good = image("pe32.dll");
    expectDamageIsSafe(good, 7, 1, 42);
    // Huge counts and offsets inside the headers.
    std::string huge = good;
    std::uint32_t peAt = static_cast<unsigned char>(good[0x3C]) | (static_cast<unsigned char>(good[0x3D]) << 8);
    huge[peAt + 6] = '\xff';
    huge[peAt + 7] = '\xff'; // 65535 sections
    EXPECT_FALSE(readFileVersion(huge).has_value());
}

TEST(NeFiles, ReadTheVersionOf16BitFiles) {
    auto v = readFileVersion(neImage((3u << 16) | 10u, 57u));
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->major(), 3);
    EXPECT_EQ(v->minor(), 10);
    EXPECT_EQ(v->build(), 0);
    EXPECT_EQ(v->revision(), 57);
    EXPECT_FALSE(readFileVersion(neImage(1, 1, false)).has_value());
    // Truncated and mutated: never a crash, never a wrong version.
    const std::string good = neImage((3u << 16) | 10u, 57u);
    expectDamageIsSafe(good, 1, 3, 16);
    std::string huge = good;
    huge[0x80] = '\x0f'; // shift 15: offsets far past the end
    EXPECT_FALSE(readFileVersion(huge).has_value());
}

TEST_F(PeFiles, VersionsOfFilesOnTheMachine) {
    TempDir machineDir;
    auto m = Machine::open(machineDir.path() / "m");
    ASSERT_TRUE(m.ok());
    writeHost(machineDir.path() / "m" / "drive_c" / "WINDOWS" / "SYSTEM" / "OCX64.DLL", image("pe64.dll"));
    writeHost(machineDir.path() / "m" / "drive_c" / "NOTPE.DLL", "MZ but nothing else");
    auto v = fileVersion(**m, "c:\\windows\\system\\ocx64.dll");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(*v, (FileVersion{(1u << 16) | 2u, (3u << 16) | 4u, (5u << 16) | 6u, (7u << 16) | 8u}));
    EXPECT_FALSE(fileVersion(**m, "C:\\NOTPE.DLL").has_value());
    EXPECT_FALSE(fileVersion(**m, "C:\\MISSING.DLL").has_value());
}

} // namespace
