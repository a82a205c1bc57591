#include "common/fileaccess.h"

#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

class Access_ : public MachineTest {};

TEST_F(Access_, OpenCreateAndTheirResults) {
    FileAccess f(*m);
    EXPECT_EQ(f.Open("C:\\NONE.TXT", OpenFlag::Read), 1);
    EXPECT_EQ(f.Read(nullptr, 1), -1);
    EXPECT_EQ(f.Size(), -1);
    EXPECT_EQ(f.Seek(0, 0), -1);
    EXPECT_EQ(f.Create("C:\\NODIR\\X.TXT", OpenFlag::ReadWrite), 1);
    ASSERT_EQ(f.Create("C:\\NEW.TXT", OpenFlag::ReadWrite), 0);
    EXPECT_EQ(f.Create("C:\\OTHER.TXT", OpenFlag::ReadWrite), 2);
    EXPECT_EQ(f.Open("C:\\OTHER.TXT", OpenFlag::Read), 1);
    EXPECT_EQ(f.WriteLine("first"), 7);
    EXPECT_EQ(f.WriteString("two"), 4);
    EXPECT_EQ(f.Size(), 11);
    f.Close();
    EXPECT_EQ(get("C:\\NEW.TXT"), std::string("first\r\ntwo\0", 11));
}

TEST_F(Access_, AFileMadeBesideItsTargetTakesItsPlaceOnlyWhenWholeAndAPlainFileInCompressedModeHasItsTime) {
    put("C:\\TAKEN.TXT", "old");
    FileAccess f(*m);
    EXPECT_EQ(f.CreateBeside("C:\\NODIR\\X.TXT"), 1);
    ASSERT_EQ(f.CreateBeside("C:\\TAKEN.TXT"), 0);
    EXPECT_EQ(f.CreateBeside("C:\\OTHER.TXT"), 2);
    EXPECT_EQ(f.WriteString("x"), 2);
    EXPECT_EQ(f.PlaceBeside(false), 1); // still open
    EXPECT_EQ(get("C:\\TAKEN.TXT"), "old");
    f.Close();
    EXPECT_EQ(f.PlaceBeside(false), 1); // only where the target is missing, in any case
    EXPECT_EQ(get("C:\\taken.txt"), "old");
    ASSERT_EQ(f.CreateBeside("C:\\taken.TXT"), 0);
    EXPECT_EQ(f.WriteString("new"), 4);
    f.Close();
    ASSERT_EQ(f.PlaceBeside(true), 0);
    EXPECT_EQ(get("C:\\TAKEN.TXT"), std::string("new\0", 4));
    {
        FileAccess dropped(*m);
        ASSERT_EQ(dropped.CreateBeside("C:\\GONE.TXT"), 0);
        EXPECT_EQ(dropped.WriteString("never placed"), 13);
    }
    // Nothing of the files made beside is left: the replaced one's spelling stays.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(cHost()))
        if (e.is_regular_file() && e.path().extension() != ".SYS" && e.path().extension() != ".BAT")
            names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"TAKEN.TXT"});
    ASSERT_TRUE(m->setLastWriteTime("C:\\TAKEN.TXT", fileTimeFromUnix(862826400)));
    ASSERT_EQ(f.Open("C:\\TAKEN.TXT", OpenFlag::Read, true), 0); // not compressed: read as it is
    DateTime t;
    ASSERT_EQ(f.GetTime(t), 0);
    EXPECT_EQ(t.year(), 1997);
}

TEST_F(Access_, LinesAndStrings) {
    put("C:\\LINES.TXT", std::string("one\r\ntwo\n\r\nlast") + std::string("\0tail\0", 6));
    FileAccess f(*m);
    ASSERT_EQ(f.Open("C:\\LINES.TXT", OpenFlag::Read), 0);
    std::string line;
    EXPECT_EQ(f.ReadLine(line), 0);
    EXPECT_EQ(line, "one");
    EXPECT_EQ(f.ReadLine(line), 0);
    EXPECT_EQ(line, "two");
    EXPECT_EQ(f.ReadLine(line), 0);
    EXPECT_EQ(line, "");
    std::string s;
    EXPECT_EQ(f.ReadString(s), 0);
    EXPECT_EQ(s, "last");
    EXPECT_EQ(f.ReadString(s), 0);
    EXPECT_EQ(s, "tail");
    EXPECT_EQ(f.ReadString(s), 1);
    EXPECT_EQ(f.ReadLine(line), 1);
}

TEST_F(Access_, LongLinesAreReadWhole) {
    std::string longLine(5000, 'x');
    put("C:\\LONG.TXT", longLine + "\r\nnext\r\n");
    FileAccess f(*m);
    ASSERT_EQ(f.Open("C:\\LONG.TXT", OpenFlag::Read), 0);
    std::string line;
    ASSERT_EQ(f.ReadLine(line), 0);
    EXPECT_EQ(line, longLine);
    ASSERT_EQ(f.ReadLine(line), 0);
    EXPECT_EQ(line, "next");
}

TEST_F(Access_, TruncateAndWriteNeedAWritableOpen) {
    put("C:\\T.TXT", "content");
    FileAccess f(*m);
    ASSERT_EQ(f.Open("C:\\T.TXT", OpenFlag::Read), 0);
    EXPECT_EQ(f.Write("x", 1), -1);
    EXPECT_EQ(f.Truncate(), 1);
    f.Close();
    ASSERT_EQ(f.Open("C:\\T.TXT", OpenFlag::Write), 0);
    EXPECT_EQ(f.Seek(0, 2), 7);
    EXPECT_EQ(f.Truncate(), 0);
    EXPECT_EQ(f.Size(), 0);
}

TEST_F(Access_, CompressedOpenExpandsAndPlainOpenDoesNot) {
    std::string packed = std::string("SZDD\x88\xf0\x27\x33" "A_\x03\0\0\0", 14) + std::string("\x07", 1) + "abc";
    put("C:\\F.TX_", packed);
    ASSERT_TRUE(m->setLastWriteTime("C:\\F.TX_", fileTimeFromUnix(868111630)).ok());
    FileAccess f(*m);
    ASSERT_EQ(f.Open("C:\\F.TX_", OpenFlag::Read, true), 0);
    DateTime t;
    ASSERT_EQ(f.GetTime(t), 0); // the compressed file's own time
    EXPECT_EQ(t.FormatDateTime("CCYY-MM-DD HH:XX:SS"), "1997-07-05 14:07:10");
    EXPECT_EQ(f.Size(), 3);
    char buf[8] = {};
    EXPECT_EQ(f.Read(buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(f.Write("x", 1), -1);
    f.Close();
    ASSERT_EQ(f.Open("C:\\F.TX_", OpenFlag::Read, false), 0);
    EXPECT_EQ(f.Size(), static_cast<long>(packed.size()));
}

TEST_F(Access_, TimesRoundTripWithoutZoneShift) {
    put("C:\\D.TXT", "d");
    FileAccess f(*m);
    ASSERT_EQ(f.Open("C:\\D.TXT", OpenFlag::ReadWrite), 0);
    DateTime t;
    ASSERT_EQ(t.SetDateTime(1997, 7, 5, 14, 7, 10), kDateOk); // summer: the zone differs from UTC
    ASSERT_EQ(f.SetTime(t), 0);
    DateTime back;
    ASSERT_EQ(f.GetTime(back), 0);
    EXPECT_EQ(back.FormatDateTime("CCYY-MM-DD HH:XX:SS"), "1997-07-05 14:07:10");
    // The file holds those digits as universal time.
    EXPECT_EQ(m->stat("C:\\D.TXT")->lastWrite, fileTimeFromUnix(868111630));
    f.Close();
    EXPECT_EQ(f.GetTime(back), 1);
    EXPECT_EQ(f.SetTime(t), 1);
}

TEST_F(Access_, Attributes) {
    put("C:\\A.TXT", "");
    EXPECT_EQ(FileAccess::GetAttributes(*m, "C:\\A.TXT"), FileAttribute::Archive);
    EXPECT_EQ(FileAccess::SetAttributes(*m, "C:\\A.TXT", FileAttribute::ReadOnly | FileAttribute::Hidden), 0);
    EXPECT_EQ(FileAccess::GetAttributes(*m, "C:\\A.TXT"), FileAttribute::ReadOnly | FileAttribute::Hidden);
    EXPECT_EQ(FileAccess::GetAttributes(*m, "C:\\NONE"), kInvalidAttributes);
    EXPECT_EQ(FileAccess::SetAttributes(*m, "C:\\NONE", 0), 1);
}

class Copy : public MachineTest {};

TEST_F(Copy, CopiesContentAndDate) {
    put("C:\\SRC.DAT", std::string(100000, 'z'));
    ASSERT_TRUE(m->setLastWriteTime("C:\\SRC.DAT", fileTimeFromUnix(862826401, 500000000)).ok());
    EXPECT_EQ(CopyFileWithDate(*m, "C:\\SRC.DAT", "C:\\WINDOWS\\DST.DAT", 4096), kCopied);
    EXPECT_EQ(get("C:\\WINDOWS\\DST.DAT"), std::string(100000, 'z'));
    EXPECT_EQ(m->stat("C:\\WINDOWS\\DST.DAT")->lastWrite, m->stat("C:\\SRC.DAT")->lastWrite);
}

TEST_F(Copy, StatusesAndTheSafeTargetDeletion) {
    put("C:\\SRC.DAT", "data");
    EXPECT_EQ(CopyFileWithDate(*m, "C:\\SRC.DAT", "c:\\src.dat", 64), kCopySameName);
    EXPECT_EQ(CopyFileWithDate(*m, "C:\\SRC.DAT", "C:\\WINDOWS\\..\\SRC.DAT", 64), kCopySameName);
    EXPECT_EQ(get("C:\\SRC.DAT"), "data");
    EXPECT_EQ(CopyFileWithDate(*m, "C:\\NONE.DAT", "C:\\X.DAT", 64), kCopySourceOpen);
    EXPECT_EQ(CopyFileWithDate(*m, "C:\\SRC.DAT", "C:\\NODIR\\X.DAT", 64), kCopyTargetCreate);
    // Only the named target goes, never other files its name would match as a pattern.
    put("C:\\OUT1.DAT", "keep");
    EXPECT_EQ(CopyFileWithDate(*m, "C:\\SRC.DAT", "C:\\OUT?.DAT", 64), kCopyTargetCreate);
    EXPECT_EQ(get("C:\\OUT1.DAT"), "keep");
}

TEST_F(Copy, AFileAsLargeAsTheFreeSpaceDoesNotFit) {
    TempDir fl;
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("A=" + fl.path().string() + ",size=100"));
    open(o);
    put("C:\\HUNDRED", std::string(100, 'h'));
    put("C:\\NINETYNINE", std::string(99, 'n'));
    EXPECT_EQ(CopyFileWithDate(*m, "C:\\HUNDRED", "A:\\H", 64), kCopyNoSpace);
    EXPECT_EQ(CopyFileWithDate(*m, "C:\\NINETYNINE", "A:\\N", 64), kCopied);
}

} // namespace
