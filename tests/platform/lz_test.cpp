#include "platform/formats/lz.h"

#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;

namespace {

std::string szdd(const std::string& body, std::uint32_t length) {
    std::string h = "SZDD\x88\xf0\x27\x33" "A_";
    for (int i = 0; i < 4; ++i)
        h += static_cast<char>((length >> (8 * i)) & 0xFF);
    return h + body;
}

class LzRead : public MachineTest {
protected:
    std::unique_ptr<ByteReader> reader(const std::string& path) {
        auto f = m->openFile(path, Access::Read, Disposition::OpenExisting);
        EXPECT_TRUE(f.ok());
        auto r = openExpanding(std::move(*f));
        EXPECT_TRUE(r.ok());
        return std::move(*r);
    }
    std::string readAll(ByteReader& r) {
        std::string out;
        char buf[7];
        for (;;) {
            auto n = r.read(buf, sizeof buf);
            if (!n.ok() || *n == 0)
                return out;
            out.append(buf, *n);
        }
    }
};

TEST_F(LzRead, ExpandsLiteralsAndBackReferences) {
    // "ABCABCABC!": flags 0x17 say literal, literal, literal, pair, literal; the
    // pair copies 6 bytes from window position 4080, where writing started.
    std::string body = std::string("\x17", 1) + "ABC" + std::string("\xf0\xf3", 2) + "!";
    put("C:\\TEST.EX_", szdd(body, 10));
    auto r = reader("C:\\TEST.EX_");
    EXPECT_TRUE(r->expanding());
    EXPECT_EQ(*r->size(), 10u);
    EXPECT_EQ(readAll(*r), "ABCABCABC!");
    EXPECT_EQ(*r->seek(3, SeekOrigin::Begin), 3u);
    EXPECT_EQ(readAll(*r), "ABCABC!");
    EXPECT_EQ(*r->seek(-1, SeekOrigin::End), 9u);
    EXPECT_EQ(readAll(*r), "!");
}

TEST_F(LzRead, TheWindowStartsFullOfBlanks) {
    // A copy of 5 from position 0 before anything was written gives blanks.
    std::string body = std::string("\x00", 1) + std::string("\x00\x02", 2);
    put("C:\\BLANK.TX_", szdd(body, 5));
    EXPECT_EQ(readAll(*reader("C:\\BLANK.TX_")), "     ");
}

TEST_F(LzRead, PlainFilesReadUnchanged) {
    put("C:\\PLAIN.TXT", "SZDD but not really");
    auto r = reader("C:\\PLAIN.TXT");
    EXPECT_FALSE(r->expanding());
    EXPECT_EQ(readAll(*r), "SZDD but not really");
}

TEST_F(LzRead, TruncatedDataEndsTheExpansion) {
    std::string body = std::string("\xff", 1) + "AB";
    put("C:\\CUT.EX_", szdd(body, 1000));
    EXPECT_EQ(readAll(*reader("C:\\CUT.EX_")), "AB");
}

} // namespace
