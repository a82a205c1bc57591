// The copy engine: single transfers, copy blocks with their dialog, overwrite
// decisions and disk prompts.
#include "interpreter/actions/actions.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/interpreter.h"
#include "interpreter/ui/headless/headless.h"
#include "platform/formats/lz.h"
#include "tests/support/script_test.h"

using namespace zrv;
using namespace zrv::engine;
using namespace zrv::testing;

namespace {

class Copy : public ScriptTest {
  protected:
    void SetUp() override {
        ScriptTest::SetUp();
        for (const char* d : {"C:\\SRC", "C:\\DST"})
            ASSERT_TRUE(m->createDirectory(d).ok());
        put("C:\\SRC\\A.TXT", "alpha");
        put("C:\\SRC\\B.TXT", "beta");
        put("C:\\SRC\\C.DAT", std::string(300000, 'c'));
        put("C:\\SRC\\PACKED.TX_", *szddCompress(std::string(5000, 'p')));
    }
    void prepare(Engine& engine) override { actions::registerAll(engine); }
    std::size_t count(const std::string& what) {
        std::size_t n = 0;
        for (const std::string& line : ui->transcript())
            n += line.find(what) != std::string::npos;
        return n;
    }
};

TEST_F(Copy, WildcardsIntoADirectoryAndMoves) {
    ASSERT_TRUE(m->setLastWriteTime("C:\\SRC\\A.TXT", fileTimeFromUnix(862826400)).ok());
    EXPECT_EQ(run(crlf({"COPYFILE(\"C:\\SRC\\*.TXT\", \"C:\\DST\\\")", "SET %E% = %ERROR%",
                        "COPYFILE(\"C:\\SRC\\B.TXT\", \"C:\\DST\\MOVED.TXT\", 1, 0, 1)"})),
              0);
    EXPECT_EQ(get("C:\\DST\\A.TXT"), "alpha");
    EXPECT_EQ(get("C:\\DST\\B.TXT"), "beta");
    EXPECT_EQ(var("E"), "0");
    EXPECT_EQ(get("C:\\DST\\MOVED.TXT"), "beta");
    EXPECT_FALSE(m->exists("C:\\SRC\\B.TXT"));
    EXPECT_EQ(m->stat("C:\\DST\\A.TXT")->lastWrite,
              fileTimeFromUnix(862826400)); // the source's time
}

// A copy keeps its source's time as a DOS date holds it: whole seconds,
// rounded down to even; times before 1980 or after 2107 are kept the same way.
TEST_F(Copy, TheTargetKeepsTheSourcesTimeToTwoSeconds) {
    put("C:\\SRC\\ODD.TXT", "odd");
    put("C:\\SRC\\OLD.TXT", "old");
    ASSERT_TRUE(m->setLastWriteTime("C:\\SRC\\ODD.TXT", fileTimeFromUnix(862826401, 700000000)).ok());
    ASSERT_TRUE(m->setLastWriteTime("C:\\SRC\\OLD.TXT", fileTimeFromUnix(86400 * 365)).ok()); // 1971
    EXPECT_EQ(run(crlf({"COPYFILE(\"C:\\SRC\\ODD.TXT\", \"C:\\DST\\\")", "COPYFILE(\"C:\\SRC\\OLD.TXT\", \"C:\\DST\\\")"})), 0);
    EXPECT_EQ(m->stat("C:\\DST\\ODD.TXT")->lastWrite, fileTimeFromUnix(862826400));
    EXPECT_EQ(m->stat("C:\\DST\\OLD.TXT")->lastWrite, fileTimeFromUnix(86400 * 365));
}

TEST_F(Copy, CompressedSourcesExpandAndKeepTheirStoredName) {
    EXPECT_EQ(run(crlf({"COPYFILE(\"C:\\SRC\\PACKED.TX_\", \"C:\\DST\")",
                        "UNCOMPRESS(\"C:\\SRC\\PACKED.TX_\", \"C:\\DST\\P.TXT\", 1)"})),
              0);
    EXPECT_EQ(get("C:\\DST\\PACKED.TX_"), std::string(5000, 'p'));
    EXPECT_EQ(get("C:\\DST\\P.TXT"), std::string(5000, 'p'));
    EXPECT_FALSE(m->exists("C:\\SRC\\PACKED.TX_"));
}

TEST_F(Copy, AppendAndFaults) {
    put("C:\\DST\\LOG.TXT", "start-");
    run(crlf({"COPYFILE(\"C:\\SRC\\A.TXT\", \"C:\\DST\\LOG.TXT\", 1, 1)",
              "COPYFILE(\"C:\\SRC\\A.TXT\", \"C:\\DST\\NEW.TXT\", 1, 1)", "TRAPERROR(1, 0)",
              "COPYFILE(\"C:\\SRC\\A.TXT\", \"c:\\src\\a.txt\")", "SET %SAME% = %ERROR%",
              "COPYFILE(\"C:\\SRC\\NONE.TXT\", \"C:\\DST\\\")", "SET %NONE% = %ERROR%",
              "COPYFILE(\"C:\\SRC\\A.TXT\")", "SET %ONE% = %ERROR%",
              "COPYFILE(\"C:\\SRC\\A.TXT\", \"C:\\DST\\X.TXT\", %V%)", "SET %VAR% = %ERROR%"}));
    EXPECT_EQ(get("C:\\DST\\LOG.TXT"), "start-alpha");
    EXPECT_EQ(get("C:\\DST\\NEW.TXT"), "alpha");
    EXPECT_EQ(var("SAME"), "19");
    EXPECT_EQ(get("C:\\SRC\\A.TXT"), "alpha");
    EXPECT_EQ(var("NONE"), "16");
    EXPECT_EQ(var("ONE"), "21");
    EXPECT_EQ(var("VAR"), "21");
}

TEST_F(Copy, NoSpaceOnTheTarget) {
    TempDir floppy;
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("A=" + floppy.path().string() + ",size=1000"));
    open(o);
    run(crlf(
        {"TRAPERROR(1, 0)", "COPYFILE(\"C:\\SRC\\C.DAT\", \"A:\\C.DAT\")", "SET %E% = %ERROR%"}));
    EXPECT_EQ(var("E"), "15"); // 10014
}

TEST_F(Copy, ACopyBlockWithGuardsGaugeAndItsEnd) {
    int status = run(
        crlf({"SET %WANT% = 1", "COPYFILE(4)", "\"C:\\SRC\\A.TXT\", \"C:\\DST\\\", \"Alpha file\"",
              "IF %WANT% == 1 \"C:\\SRC\\B.TXT\", \"C:\\DST\\\"",
              "IF %WANT% == 2 \"C:\\SRC\\C.DAT\", \"C:\\DST\\\"", "UPDATEGAUGE(1)",
              "SETGAUGETEXT(\"a\", \"b\", \"c\")", ":INBLOCK", "ENDCOPYFILE()",
              "SET %AFTER% = %ERROR%"}));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(m->exists("C:\\DST\\A.TXT"));
    EXPECT_TRUE(m->exists("C:\\DST\\B.TXT"));
    EXPECT_FALSE(m->exists("C:\\DST\\C.DAT"));
    EXPECT_EQ(var("AFTER"), "0");
    EXPECT_EQ(count("\"kind\":\"transfer\""), 2u);
    EXPECT_EQ(
        count(
            "\"name\":\"close\",\"title\":\"\",\"text\":\"75%\",\"result\":0,\"gauge\":3,\"range\":4"),
        1u);
    // A blank line ends a block too.
    run(crlf({"COPYFILE(2)", "\"C:\\SRC\\A.TXT\", \"C:\\DST\\Z.TXT\"", "",
              "\"C:\\SRC\\B.TXT\", \"C:\\DST\\Y.TXT\""}));
    EXPECT_TRUE(m->exists("C:\\DST\\Z.TXT"));
    EXPECT_FALSE(m->exists("C:\\DST\\Y.TXT"));
    EXPECT_TRUE(errors().size() == 1); // the copy line after the block is no statement
}

TEST_F(Copy, ABlockLearnsFoldersAnewAfterAnotherStatement) {
    // What a block knows of its target folders does not outlive a statement
    // that may change them.
    run(crlf({"COPYFILE(3)", "\"C:\\SRC\\A.TXT\", \"C:\\DST\\\"", "RENAME(\"C:\\DST\", \"C:\\OLD\")",
              "\"C:\\SRC\\B.TXT\", \"C:\\DST\\\"", "ENDCOPYFILE()"}));
    EXPECT_EQ(get("C:\\OLD\\A.TXT"), "alpha");
    EXPECT_FALSE(m->exists("C:\\OLD\\B.TXT"));
    EXPECT_EQ(errors(), std::vector<int>{10041}); // no target name, as in a fresh statement
    ASSERT_TRUE(m->createDirectory("C:\\DST").ok());
    run(crlf({"COPYFILE(3)", "\"C:\\SRC\\A.TXT\", \"C:\\DST\\\"", "RENAME(\"C:\\DST\", \"C:\\NEW\")",
              "MKDIR(\"C:\\DST\")", "\"C:\\SRC\\B.TXT\", \"C:\\DST\\\"", "ENDCOPYFILE()"}));
    EXPECT_EQ(get("C:\\DST\\B.TXT"), "beta");
    EXPECT_FALSE(m->exists("C:\\NEW\\B.TXT"));
}

TEST_F(Copy, CancelDeletesThePartialFileAndGoesToExit) {
    int status = run(crlf({"COPYFILE(3)", "\"C:\\SRC\\A.TXT\", \"C:\\DST\\\"",
                           "\"C:\\SRC\\C.DAT\", \"C:\\DST\\\"", "\"C:\\SRC\\B.TXT\", \"C:\\DST\\\"",
                           "ENDCOPYFILE()", "SET %NOT% = 1", ":EXIT", "SET %EXITED% = 1"}),
                     "{\"kind\":\"copy\",\"cancel\":2}");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(m->exists("C:\\DST\\A.TXT"));
    EXPECT_FALSE(m->exists("C:\\DST\\C.DAT"));
    EXPECT_FALSE(m->exists("C:\\DST\\B.TXT"));
    EXPECT_EQ(var("NOT"), "");
    EXPECT_EQ(var("EXITED"), "1");
}

TEST_F(Copy, ConfirmOverwriteByDate) {
    put("C:\\DST\\OLD.TXT", "old");
    put("C:\\SRC\\NEW.TXT", "new");
    ASSERT_TRUE(m->setLastWriteTime("C:\\DST\\OLD.TXT", fileTimeFromUnix(800000000)).ok());
    ASSERT_TRUE(m->setLastWriteTime("C:\\SRC\\NEW.TXT", fileTimeFromUnix(900000000)).ok());
    put("C:\\SRC\\SAME.TXT", "x");
    ASSERT_TRUE(m->setLastWriteTime("C:\\SRC\\SAME.TXT", fileTimeFromUnix(800000000)).ok());
    run(crlf({"CONFIRMOVERWRITE(\"C:\\DST\\OLD.TXT\", \"C:\\SRC\\NEW.TXT\", \"\", 1)",
              "SET %NEWER% = %ERROR%",
              "CONFIRMOVERWRITE(\"C:\\SRC\\NEW.TXT\", \"C:\\DST\\OLD.TXT\", \"\", 2)",
              "SET %OLDER2% = %ERROR%",
              "CONFIRMOVERWRITE(\"C:\\DST\\OLD.TXT\", \"C:\\SRC\\SAME.TXT\", \"\", 0)",
              "SET %SAME% = %ERROR%",
              "CONFIRMOVERWRITE(\"C:\\DST\\NONE.TXT\", \"C:\\SRC\\NEW.TXT\", \"\", 0)",
              "SET %MISSING% = %ERROR%",
              "CONFIRMOVERWRITE(\"C:\\SRC\\NEW.TXT\", \"C:\\DST\\OLD.TXT\", \"\", 1)",
              "SET %ASKED% = %ERROR%"}),
        "{\"kind\":\"messagebox\",\"text\":\"Setup is attempting to "
        "overwrite:*\",\"result\":\"IDYES\"}");
    EXPECT_EQ(var("NEWER"), "6");
    EXPECT_EQ(var("OLDER2"), "7");
    EXPECT_EQ(var("SAME"), "7");
    EXPECT_EQ(var("MISSING"), "6");
    EXPECT_EQ(var("ASKED"), "6");
    ASSERT_EQ(ui->transcript().size(), 1u);
    EXPECT_NE(ui->transcript()[0].find("C:\\\\SRC\\\\NEW.TXT\\n(09/07/98 "), std::string::npos)
        << ui->transcript()[0];
    EXPECT_NE(ui->transcript()[0].find("\"buttons\":\"MB_YESNO\""), std::string::npos);
}

TEST_F(Copy, CheckExistsAndDiskSpace) {
    run(crlf({"CHECKEXISTS(\"C:\\SRC\\*.TXT\")", "SET %ONE% = %ERROR%",
              "CHECKEXISTS(\"C:\\SRC\\A.TXT\", \"Insert disk\")", "SET %FOUND% = %ERROR%",
              "CHECKEXISTS(\"A:\\DISK02\", \"Please insert the diskette labelled 'DISK02'\")",
              "SET %GAVEUP% = %ERROR%", "CHECKEXISTS(\"C:\\NONE\")", "SET %ZERO% = %ERROR%",
              "GETDISKSPACE(\"C:\\\")", "SET %FREE% = %ERROR%"}));
    EXPECT_EQ(var("ONE"), "1");
    EXPECT_EQ(var("FOUND"), "1");
    EXPECT_EQ(var("GAVEUP"), "2");
    EXPECT_EQ(var("ZERO"), "0");
    EXPECT_FALSE(var("FREE").empty());
    EXPECT_EQ(count("\"kind\":\"prompt\""), 1u);
}

} // namespace

namespace {

TEST_F(Copy, AFailedCopyKeepsTheFileItWouldReplace) {
    put("C:\\DST\\KEEP.TXT", "precious");
    std::string packed = *szddCompress(std::string(100000, 'z'));
    put("C:\\SRC\\CUT.TX_", packed.substr(0, packed.size() / 2)); // cut short: a read fault
    run(crlf({"TRAPERROR(1, 0)", "COPYFILE(\"C:\\SRC\\CUT.TX_\", \"C:\\DST\\KEEP.TXT\")",
              "SET %E% = %ERROR%"}));
    EXPECT_EQ(var("E"), "44"); // 10043
    EXPECT_EQ(get("C:\\DST\\KEEP.TXT"), "precious");
    auto left = m->findFiles("C:\\DST\\*.TMP");
    ASSERT_TRUE(left.ok());
    EXPECT_TRUE(left->empty());
}

TEST_F(Copy, WildcardTargetsAndMissingDrivesChangeNothing) {
    put("C:\\DST\\A.TXT", "old");
    run(crlf({"TRAPERROR(1, 0)", "COPYFILE(\"C:\\SRC\\B.TXT\", \"C:\\DST\\*.TXT\")", "SET %WILD% = %ERROR%",
              "COPYFILE(\"C:\\SRC\\B.TXT\", \"C:\\DST\\A?.TXT\")", "SET %ONE% = %ERROR%",
              "COPYFILE(\"Q:\\A.TXT\", \"C:\\DST\\\")", "SET %DRIVE% = %ERROR%",
              "COPYFILE(\"C:\\SRC\\B.TXT\", \"Q:\\B.TXT\")", "SET %TODRIVE% = %ERROR%"}));
    EXPECT_EQ(var("WILD"), "42"); // 10041: no usable target name
    EXPECT_EQ(var("ONE"), "42");
    EXPECT_EQ(var("DRIVE"), "16"); // 10015: no source
    EXPECT_EQ(var("TODRIVE"), "42");
    EXPECT_EQ(get("C:\\DST\\A.TXT"), "old");
    auto left = m->findFiles("C:\\DST\\*.*");
    ASSERT_TRUE(left.ok());
    EXPECT_EQ(left->size(), 3u); // ".", ".." and A.TXT
}

TEST_F(Copy, ReplacingCountsTheSpaceTheOldFileFrees) {
    TempDir floppy;
    writeHost(floppy.path() / "OLD.BIN", std::string(900, 'o'));
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("A=" + floppy.path().string() + ",size=1000"));
    open(o);
    put("C:\\SRC\\NEW.BIN", std::string(950, 'n'));
    EXPECT_EQ(run(crlf({"COPYFILE(\"C:\\SRC\\NEW.BIN\", \"A:\\OLD.BIN\")"})), 0);
    EXPECT_EQ(get("A:\\OLD.BIN"), std::string(950, 'n'));
}

TEST_F(Copy, ReadOnlyTargetsAreReplacedAndInUseOnesRefused) {
    put("C:\\DST\\RO.TXT", "old");
    ASSERT_TRUE(m->setAttributes("C:\\DST\\RO.TXT", FileAttribute::ReadOnly).ok());
    put("C:\\WINDOWS\\SYSTEM\\BUSY.DLL", "loaded");
    std::string ini = readHost(dir.path() / "machine" / "machine.ini");
    ini.insert(ini.find("[Modules]\n") + 10, "1=C:\\WINDOWS\\SYSTEM\\BUSY.DLL\n");
    writeHost(dir.path() / "machine" / "machine.ini", ini);
    open();
    run(crlf({"COPYFILE(\"C:\\SRC\\A.TXT\", \"C:\\DST\\RO.TXT\")", "TRAPERROR(1, 0)",
              "COPYFILE(\"C:\\SRC\\A.TXT\", \"C:\\WINDOWS\\SYSTEM\\BUSY.DLL\")",
              "SET %E% = %ERROR%"}));
    EXPECT_EQ(get("C:\\DST\\RO.TXT"), "alpha");
    EXPECT_EQ(var("E"), "46"); // 10045
    EXPECT_EQ(get("C:\\WINDOWS\\SYSTEM\\BUSY.DLL"), "loaded");
}

} // namespace
