#include "authoring/project/encryption.h"

#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;
using zrv::authoring::Convert;
using zrv::authoring::ConvertStatus;
using zrv::authoring::convertScript;

namespace {

const std::string kMarker("\x00\x40\x00\x00", 4);

class Encryption : public MachineTest {};

TEST_F(Encryption, EncryptsLinesWithTheMarkerAndGivesThemBack) {
    // A tab stays, the other bytes become 9 - b; the last line without an end gets CR LF.
    put("C:\\S.SCR", "AB\tC\r\n\nlast");
    ASSERT_TRUE(m->setLastWriteTime("C:\\S.SCR", fileTimeFromUnix(1'500'000'000)).ok());
    ASSERT_EQ(convertScript(*m, "C:\\S.SCR", Convert::Encrypt), ConvertStatus::Done);
    std::string enc = get("C:\\S.SCR");
    std::string line1 = "AB\tC", line3 = "last";
    scramble(line1);
    scramble(line3);
    EXPECT_EQ(enc, kMarker + line1 + "\r\n\r\n" + line3 + "\r\n");
    EXPECT_EQ(static_cast<unsigned char>(line1[0]), static_cast<unsigned char>(9 - 'A'));
    EXPECT_EQ(line1[2], '\t');
    EXPECT_EQ(m->stat("C:\\S.SCR")->lastWrite, fileTimeFromUnix(1'500'000'000)); // the date stays

    ASSERT_EQ(convertScript(*m, "C:\\S.SCR", Convert::Decrypt, "C:\\PLAIN.SCR"), ConvertStatus::Done);
    EXPECT_EQ(get("C:\\PLAIN.SCR"), "AB\tC\r\n\r\nlast\r\n");
    EXPECT_EQ(get("C:\\S.SCR"), enc); // the source of a copy is not touched
    EXPECT_EQ(m->stat("C:\\PLAIN.SCR")->lastWrite, fileTimeFromUnix(1'500'000'000));
}

TEST_F(Encryption, WrongDirectionsAndBadFilesChangeNothing) {
    put("C:\\ENC.SCR", kMarker + "x\r\n");
    put("C:\\PLAIN.SCR", "SET %A% = 1\r\n");
    put("C:\\ZERO.SCR", std::string("a\0b\r\n", 5));
    put("C:\\LOOKS.SCR", kMarker); // a plain file starting with the marker counts as encrypted
    EXPECT_EQ(convertScript(*m, "C:\\ENC.SCR", Convert::Encrypt), ConvertStatus::AlreadyEncrypted);
    EXPECT_EQ(convertScript(*m, "C:\\LOOKS.SCR", Convert::Encrypt), ConvertStatus::AlreadyEncrypted);
    EXPECT_EQ(convertScript(*m, "C:\\PLAIN.SCR", Convert::Decrypt), ConvertStatus::AlreadyPlain);
    EXPECT_EQ(convertScript(*m, "C:\\ZERO.SCR", Convert::Encrypt), ConvertStatus::NulByte);
    EXPECT_EQ(convertScript(*m, "C:\\MISSING.SCR", Convert::Encrypt), ConvertStatus::OpenFailed);
    EXPECT_EQ(convertScript(*m, "C:\\WINDOWS", Convert::Encrypt), ConvertStatus::OpenFailed);
    ASSERT_TRUE(m->setAttributes("C:\\PLAIN.SCR", FileAttribute::ReadOnly).ok());
    EXPECT_EQ(convertScript(*m, "C:\\PLAIN.SCR", Convert::Encrypt), ConvertStatus::OpenFailed);
    EXPECT_EQ(get("C:\\ENC.SCR"), kMarker + "x\r\n");
    EXPECT_EQ(get("C:\\PLAIN.SCR"), "SET %A% = 1\r\n");
    EXPECT_EQ(get("C:\\ZERO.SCR"), std::string("a\0b\r\n", 5));
    EXPECT_EQ(authoring::convertNumber(ConvertStatus::AlreadyPlain), 10009);
}

TEST_F(Encryption, LinesOfAnyLengthRoundTrip) {
    std::string longLine(5000, 'x');
    for (std::size_t i = 0; i < longLine.size(); ++i)
        longLine[i] = static_cast<char>(' ' + i % 90);
    put("C:\\LONG.SCR", longLine + "\r\n" + longLine + "\r\n");
    ASSERT_EQ(convertScript(*m, "C:\\LONG.SCR", Convert::Encrypt), ConvertStatus::Done);
    ASSERT_EQ(convertScript(*m, "C:\\LONG.SCR", Convert::Decrypt), ConvertStatus::Done);
    EXPECT_EQ(get("C:\\LONG.SCR"), longLine + "\r\n" + longLine + "\r\n");
}

} // namespace
