// The installation commands, run in scripts on fresh machines.
#include "interpreter/actions/actions.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/interpreter.h"
#include "interpreter/ui/headless/headless.h"
#include "platform/shell/progman.h"
#include "platform/shell/programs.h"
#include "platform/registry/registry.h"
#include "tests/support/script_test.h"

using namespace zrv;
using namespace zrv::engine;
using namespace zrv::testing;

namespace {

class Actions : public ScriptTest {
  protected:
    void prepare(Engine& engine) override { actions::registerAll(engine); }
    Registry& reg() { return *m->registry().value(); }
};

TEST_F(Actions, RegistrySettings) {
    int status =
        run(crlf({"REGWRITESETTING(2, \"SOFTWARE\\Acme\\App\\Install\", \"Path\", \"C:\\APP\")",
                  "REGGETSETTING(2, \"SOFTWARE\\Acme\\App\\Install\", \"PATH\", \"none\", %P%)",
                  "REGGETSETTING(2, \"SOFTWARE\\Missing\", \"Path\", \"none\", %M%)",
                  "REGWRITEINT(3, \"SOFTWARE\\Acme\", \"Count\", -1)",
                  "REGGETINT(3, \"SOFTWARE\\Acme\", \"Count\", 5, %C%)",
                  "REGGETINT(3, \"SOFTWARE\\Acme\", \"None\", 5, %D%)",
                  "REGDELETESETTING(2, \"SOFTWARE\\Acme\", \"\")",
                  "REGWRITESETTING(7, \"X\", \"v\", \"1\")"}));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(var("P"), "C:\\APP");
    EXPECT_EQ(var("M"), "none");
    EXPECT_EQ(var("C"), "4294967295");
    EXPECT_EQ(var("D"), "5");
    EXPECT_FALSE(reg().keyExists(RegRoot::CurrentUser, "SOFTWARE\\Acme"));
    EXPECT_TRUE(reg().keyExists(RegRoot::LocalMachine, "SOFTWARE\\Acme"));
    EXPECT_EQ(errors(), std::vector<int>{10062});
    run(crlf({"REGGETSETTING(\"2\", \"K\", \"N\", \"D\", %R%)"}));
    EXPECT_EQ(errors(), std::vector<int>{kErrNumericParam});
    run(crlf({"REGGETSETTING(2, \"K\", \"N\", \"D\", \"R\")"}));
    EXPECT_EQ(errors(), std::vector<int>{kErrMissingVariable});
}

TEST_F(Actions, SharedFileCounts) {
    put("C:\\WINDOWS\\SYSTEM\\OLD.DLL", "old");
    run(crlf({"SETSHAREDREGISTRY(\"Acme\", \"App\", \"APP.INI\")",
              "REGISTER(\"C:\\WINDOWS\\SYSTEM\\NEW.DLL\")", "SET %NEW% = %ERROR%",
              "REGISTER(\"C:\\WINDOWS\\SYSTEM\\OLD.DLL\")", "SET %OLD% = %ERROR%",
              "REGISTER(\"C:\\WINDOWS\\SYSTEM\\OLD.DLL\")", "SET %AGAIN% = %ERROR%",
              "GETREGISTRYCOUNT(\"c:\\windows\\system\\old.dll\")", "SET %COUNT% = %ERROR%"}));
    EXPECT_EQ(var("NEW"), "1");
    EXPECT_EQ(var("OLD"), "2");
    EXPECT_EQ(var("AGAIN"), "2"); // the same application counts once
    EXPECT_EQ(var("COUNT"), "2");
    EXPECT_TRUE(reg()
                    .queryValue(RegRoot::CurrentUser, "SOFTWARE\\Acme\\App\\SharedFiles",
                                "C:\\WINDOWS\\SYSTEM\\OLD.DLL")
                    ->has_value());
    put("C:\\WINDOWS\\SYSTEM\\NEW.DLL", "new");
    run(crlf({"SETSHAREDREGISTRY(\"Acme\", \"App\", \"APP.INI\")",
              "UNREGISTER(\"C:\\WINDOWS\\SYSTEM\\NEW.DLL\")", "SET %GONE% = %ERROR%",
              "UNREGISTER(\"C:\\WINDOWS\\SYSTEM\\OLD.DLL\")", "SET %LEFT% = %ERROR%",
              "UNREGISTER(\"C:\\WINDOWS\\SYSTEM\\OLD.DLL\")", "SET %NOTMINE% = %ERROR%"}));
    EXPECT_EQ(var("GONE"), "0");
    EXPECT_FALSE(m->exists("C:\\WINDOWS\\SYSTEM\\NEW.DLL"));
    EXPECT_FALSE(reg()
                     .queryValue(RegRoot::LocalMachine,
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                                 "C:\\WINDOWS\\SYSTEM\\NEW.DLL")
                     ->has_value());
    EXPECT_EQ(var("LEFT"), "1");
    EXPECT_EQ(var("NOTMINE"), "1"); // its mark is gone: the count stays
    EXPECT_TRUE(m->exists("C:\\WINDOWS\\SYSTEM\\OLD.DLL"));
    // Without a complete registration every UNREGISTER counts, below zero too.
    run(crlf({"UNREGISTER(\"C:\\NEVER.DLL\")", "SET %UNDER% = %ERROR%"}));
    EXPECT_EQ(var("UNDER"), "4294967295");
}

TEST_F(Actions, GroupsAndIconsThroughTheShell) {
    enableTrace();
    run(crlf({"MAKEGROUP(\"My App\", \"\")",
              "MAKEICON(\"Run It\", \"C:\\Program Files\\App\\APP.EXE\", \"/x\")",
              "MAKEICON(\"Dir Only\", \"C:\\APP.EXE\", \"\", \"\", \"\", \"C:\\Work Dir\")",
              "MAKEICON(\"Full\", \"C:\\APP.EXE\", \"-a\", \"C:\\APP.ICO\", 2, \"C:\\APP\")",
              "SHOWGROUP(\"My App\", 1)", "DELETEICON(\"Dir Only\")", "RELOAD()",
              "MAKEGROUPFROMFILE(\"x\")"}));
    EXPECT_TRUE(errors().empty());
    std::string trace = get("C:\\DEBUG.DBG");
    EXPECT_NE(
        trace.find(
            "DDE: '[CreateGroup(\"My App\")]' - Ok\r\nDDE: '[ShowGroup(\"My App\",1)]' - Ok\r\n"),
        std::string::npos);
    EXPECT_NE(trace.find("DDE: '[DeleteItem(\"Run It\")]' - Failed\r\n"), std::string::npos);
    EXPECT_NE(trace.find("[AddItem(\"C:\\Program Files\\App\\APP.EXE\" /x,\"Run It\")]' - Ok"),
              std::string::npos);
    EXPECT_NE(trace.find("[AddItem(C:\\APP.EXE,\"Dir Only\",,,-1,-1,\"C:\\Work Dir\")]"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("[AddItem(C:\\APP.EXE -a,\"Full\",C:\\APP.ICO,2,-1,-1,C:\\APP)]"),
              std::string::npos);
    ProgramManager pm(*m);
    auto groups = pm.groups();
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0].items.size(), 2u);
    EXPECT_EQ(groups[0].items[1].link.arguments, "/x");
    run(crlf({"RELOAD(5)"}));
    EXPECT_EQ(errors(), std::vector<int>{kErrInvalidParameters});
    run(crlf({"SHOWGROUP(\"G\", %V%)"}));
    EXPECT_EQ(errors(), std::vector<int>{kErrNumericParam});
}

TEST_F(Actions, WithoutProgramManagerTheCommandsStillSucceed) {
    std::string ini = readHost(dir.path() / "machine" / "machine.ini");
    ini.replace(ini.find("ProgramManager=1"), 16, "ProgramManager=0");
    writeHost(dir.path() / "machine" / "machine.ini", ini);
    open();
    enableTrace();
    EXPECT_EQ(run(crlf({"MAKEGROUP(\"G\")", "MAKEICON(\"T\", \"C:\\X.EXE\")"})), 0);
    std::string trace = get("C:\\DEBUG.DBG");
    std::size_t n = 0;
    for (std::size_t at = 0;
         (at = trace.find("Failed to start DDE conversation with Program Manager!\r\n", at)) !=
         std::string::npos;
         ++at)
        ++n;
    EXPECT_EQ(n, 4u);
}

TEST_F(Actions, ProgramsAndSelfRegistration) {
    put("C:\\WINDOWS\\SYSTEM\\CTL.OCX", fakePe(true));
    put("C:\\A.REG", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\FromReg]\r\n");
    int status =
        run(crlf({"WINEXEC(\"MISSING.EXE\")", "SET %W1% = %ERROR%",
                  "WINEXEC(\"REGEDIT /s C:\\A.REG\", 0, 1)", "SET %W2% = %ERROR%",
                  "DLLSELFREGISTER(\"C:\\WINDOWS\\SYSTEM\\CTL.OCX\")", "SET %R1% = %ERROR%",
                  "GETWINVER(%V%)", "DLLSELFREGISTER(\"C:\\NONE.OCX\")"}));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(var("W1"), "0");
    EXPECT_EQ(var("W2"), "32");
    EXPECT_EQ(var("R1"), "0");
    EXPECT_EQ(var("V"), "400");
    EXPECT_TRUE(reg().keyExists(RegRoot::LocalMachine, "SOFTWARE\\FromReg"));
    EXPECT_TRUE(
        reg()
            .queryValue(RegRoot::LocalMachine, kSelfRegisteredKey, "C:\\WINDOWS\\SYSTEM\\CTL.OCX")
            ->has_value());
    EXPECT_EQ(errors(), std::vector<int>{10065});
    // Without silence REGSVR32 shows its own message.
    run(crlf({"DLLSELFUNREGISTER(\"C:\\WINDOWS\\SYSTEM\\CTL.OCX\", 0)"}));
    ASSERT_EQ(ui->transcript().size(), 1u);
    EXPECT_NE(ui->transcript()[0].find(
                  "DllUnregisterServer in C:\\\\WINDOWS\\\\SYSTEM\\\\CTL.OCX succeeded."),
              std::string::npos);
}

TEST_F(Actions, ExitWindowsEndsTheScriptAndIsOnlyRecorded) {
    EXPECT_EQ(run(crlf({"EXITWINDOWS(1)", "SET %AFTER% = 1"})), 0);
    EXPECT_EQ(var("AFTER"), "");
    ASSERT_FALSE(ui->transcript().empty());
    EXPECT_NE(ui->transcript().back().find("\"kind\":\"exitwindows\""), std::string::npos);
    EXPECT_NE(ui->transcript().back().find("\"text\":\"restart\""), std::string::npos);
    run(crlf({"EXITWINDOWS(%X%)"}));
    EXPECT_EQ(errors(), std::vector<int>{kErrNumericParam});
}

TEST_F(Actions, WaitingUnattendedNeverHangs) {
    m->openWindow("Other");
    EXPECT_EQ(run(crlf({"WAIT(\"Never There\", 0)", "WAIT(\"Other\", 1)", "WAIT(\"Absent\", 1)",
                        "SET %DONE% = 1"})),
              0);
    EXPECT_EQ(var("DONE"), "1");
    ASSERT_EQ(ui->transcript().size(), 2u);
    EXPECT_NE(ui->transcript()[0].find("window never comes"), std::string::npos);
    EXPECT_NE(ui->transcript()[1].find("window stays"), std::string::npos);
}

TEST_F(Actions, DeinstallScriptSectionsAndDuplicates) {
    int status = run(crlf(
        {"SET %APPLICATION% = \"Demo\"", "OPENDEINSTALL(\"C:\\WINDOWS\\DEMO.DIS\")",
         "ADDDEINSTALL(\"$FILES$\", \"Delete(^034C:\\APP\\A.EXE^034)\")",
         "ADDDEINSTALL(\"$files$\", \"  delete(^034c:\\app\\a.exe^034)  \")",
         "ADDDEINSTALL(\"$STARTUP$\", \"SET ^037X^037 = 1\")",
         "ADDDEINSTALL(\"$STARTUP$\", \"SET ^037X^037 = 1\")", "ADDDEINSTALL(\"$NOPE$\", \"x\")"}));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(errors(), std::vector<int>{10072});
    std::string text = get("C:\\WINDOWS\\DEMO.DIS"); // closed at the end of the run
    EXPECT_EQ(
        text,
        "// Script file for de-installing:\r\n// Demo\r\n// Do NOT delete or modify.\r\n"
        "\r\n//$STARTUP$\r\nSET %X% = 1\r\nSET %X% = 1\r\n"
        "\r\n//$PREDEINSTALL$\r\n\r\n//$UNPROTECT$\r\n\r\n//$OLEUNREGISTER$\r\n"
        "\r\n//$FILES$\r\nDelete(\"C:\\APP\\A.EXE\")\r\n"
        "\r\n//$PMGROUP$\r\n\r\n//$USERSCRIPT$\r\n\r\n//$DIRECTORIES$\r\n\r\n//$CLEANUP$\r\n");
    // No temporary section files are left.
    auto temps = m->findFiles("C:\\WINDOWS\\*.TMP");
    ASSERT_TRUE(temps.ok());
    EXPECT_TRUE(temps->empty());
    // Reopened: the per-file sections stay, the others are rebuilt.
    run(crlf({"OPENDEINSTALL(\"C:\\WINDOWS\\DEMO.DIS\")", "ADDDEINSTALL(\"$CLEANUP$\", \":END\")",
              "CLOSEDEINSTALL()", "CLOSEDEINSTALL()"}));
    std::string again = get("C:\\WINDOWS\\DEMO.DIS");
    EXPECT_NE(again.find("//$FILES$\r\nDelete(\"C:\\APP\\A.EXE\")\r\n"), std::string::npos);
    EXPECT_EQ(again.find("SET %X% = 1"), std::string::npos);
    EXPECT_NE(again.find("//$CLEANUP$\r\n:END\r\n"), std::string::npos);
    // The whole de-install script runs as a script.
    EXPECT_EQ(run(again), 0);
}

TEST_F(Actions, DeinstallErrors) {
    run(crlf({"ADDDEINSTALL(\"$FILES$\", \"x\")"}));
    EXPECT_EQ(errors(), std::vector<int>{10071});
    TempDir ro;
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("R=" + ro.path().string() + ",ro"));
    open(o);
    run(crlf({"OPENDEINSTALL(\"R:\\X.DIS\")"}));
    EXPECT_EQ(errors(), std::vector<int>{10070});
}

} // namespace

namespace {

TEST_F(Actions, FilesAndDirectories) {
    put("C:\\A.TMP", "a");
    put("C:\\B.TMP", "b");
    put("C:\\KEEP.INF", "k");
    put("C:\\KEEP.001", "old backup");
    int status = run(crlf({"DELETE(\"C:\\*.TMP\")",
                           "SET %D1% = %ERROR%",
                           "DELETE(\"C:\\*.TMP\")",
                           "SET %D2% = %ERROR%",
                           "MKDIR(\"C:\\APP\\SUB\")",
                           "SET %M1% = %ERROR%",
                           "MKDIR(\"C:\\APP\\SUB\")",
                           "SET %M2% = %ERROR%",
                           "MKDIR(\"C:\\1\\2\\3\\4\\5\\6\\7\")",
                           "SET %M3% = %ERROR%",
                           "RENAME(\"C:\\KEEP.INF\", \"C:\\APP\\K.INF\")",
                           "SET %R1% = %ERROR%",
                           "RMDIR(\"C:\\APP\")",
                           "SET %RM1% = %ERROR%",
                           "CHDIR(\" c:\\app\\sub\\ \")",
                           "SET %C1% = %ERROR%",
                           "SET %CD1% = %CURRENTDIRECTORY%",
                           "CHDIR(\"C:\\NOWHERE\")",
                           "SET %C2% = %ERROR%",
                           "SET %CD2% = %CURRENTDIRECTORY%",
                           "ISWRITEABLE(\"C:\\APP\")",
                           "SET %W% = %ERROR%",
                           "GETBACKUPNAME(\"C:\\KEEP.INF\", %BK%)",
                           "FINDINPATH(\"K.INF\", %F1%)",
                           "SET %FE1% = %ERROR%",
                           "FINDINPATH(\"NONE.EXE\", %F2%)",
                           "SET %FE2% = %ERROR%",
                           "GETMODULEINUSE(\"KERNEL32.DLL\")",
                           "SET %MOD% = %ERROR%"}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(var("D1"), "0");
    EXPECT_EQ(var("D2"), "1");
    EXPECT_EQ(var("M1"), "0");
    EXPECT_EQ(var("M2"), "1"); // it existed already
    EXPECT_EQ(var("M3"), "1");
    EXPECT_FALSE(m->exists("C:\\1"));
    EXPECT_EQ(var("R1"), "0");
    EXPECT_EQ(var("RM1"), "1"); // not empty
    EXPECT_EQ(var("C1"), "0");
    EXPECT_EQ(var("CD1"), "C:\\APP\\SUB\\");
    EXPECT_EQ(var("C2"), "1");
    EXPECT_EQ(var("CD2"), "C:\\APP\\SUB\\");
    EXPECT_EQ(var("W"), "1");
    EXPECT_FALSE(m->exists("C:\\APP\\SETUP.TST"));
    EXPECT_EQ(var("BK"), "C:\\KEEP.002");
    EXPECT_EQ(var("F1"), "");
    EXPECT_EQ(var("FE2"), "0");
    EXPECT_EQ(var("MOD"), "0");
}

TEST_F(Actions, AppendFileWritesALineOnce) {
    run(crlf(
        {"APPENDFILE(\"device=x\", \"C:\\CONF.TXT\")", "APPENDFILE(\"device=x\", \"C:\\CONF.TXT\")",
         "APPENDFILE(\"DEVICE=X\", \"C:\\CONF.TXT\")", "APPENDFILE(\"x\", \"C:\\NODIR\\F.TXT\")"}));
    EXPECT_EQ(get("C:\\CONF.TXT"), "device=x\r\nDEVICE=X\r\n");
    EXPECT_EQ(errors(), std::vector<int>{10045});
}

TEST_F(Actions, ProfileCommands) {
    int status = run(crlf(
        {"WRITEPROFILESTRING(\"Install\", \"Path\", \"C:\\APP\", \"APP.INI\")",
         "GETPRIVATEPROFILESTRING(\"Install\", \"Path\", \"none\", \"APP.INI\", %P%)",
         "GETPROFILESTRING(\"Install\", \"Missing\", \"none\", \"APP.INI\", %M%)",
         "APPENDPROFILESTRING(\"L\", \"Items\", \"one\", \"APP.INI\")",
         "APPENDPROFILESTRING(\"L\", \"Items\", \"TWO\", \"APP.INI\")",
         "APPENDPROFILESTRING(\"L\", \"Items\", \"two\", \"APP.INI\")",
         "APPENDPROFILESTRING(\"L\", \"Items\", \"tw\", \"APP.INI\")",
         "WRITEMULTIPROFILESTRING(\"386Enh\", \"device\", \"a.386\", \"SYSTEM.INI\")",
         "SET %WM% = %ERROR%", "WRITEPRIVATEPROFILESTRING(\"Install\", \"\", \"\", \"APP.INI\")"}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(var("P"), "C:\\APP");
    EXPECT_EQ(var("M"), "none");
    EXPECT_EQ(var("WM"), "1");
    EXPECT_EQ(get("C:\\WINDOWS\\APP.INI"), "[L]\r\nItems=one;TWO;tw;\r\n");
    EXPECT_NE(get("C:\\WINDOWS\\SYSTEM.INI").find("device=*vshare\r\ndevice=a.386\r\n"),
              std::string::npos);
}

TEST_F(Actions, ChangeConfigOnlyRaisesSettings) {
    put("C:\\CONFIG.SYS", "files=20\r\nBUFFERS=40\r\nDEVICE=X.SYS\r\n");
    run(crlf(
        {"CHANGECONFIG(\"C:\\CONFIG.SYS\", 30, 30, %BACKUP%, %COUNT%, 0)", "SET %E1% = %ERROR%"}));
    EXPECT_EQ(get("C:\\CONFIG.SYS"), "files=30\r\nBUFFERS=40\r\nDEVICE=X.SYS\r\n");
    EXPECT_EQ(var("COUNT"), "1");
    EXPECT_EQ(var("BACKUP"), "C:\\CONFIG.001");
    EXPECT_EQ(get("C:\\CONFIG.001"), "files=20\r\nBUFFERS=40\r\nDEVICE=X.SYS\r\n");
    EXPECT_EQ(var("E1"), "1");
    run(crlf({"CHANGECONFIG(\"C:\\CONFIG.SYS\", 30, 25, %BACKUP%, %COUNT%, 0)"}));
    EXPECT_EQ(var("COUNT"), "0");
    EXPECT_EQ(var("BACKUP"), "");
    EXPECT_FALSE(m->exists("C:\\CONFIG.002"));
    run(crlf({"CHANGECONFIG(\"C:\\NEW.SYS\", 40, 0, %BACKUP%, %COUNT%, 1)", "SET %E2% = %ERROR%"}));
    EXPECT_EQ(get("C:\\NEW.SYS"), "FILES=40\r\n");
    EXPECT_EQ(var("E2"), "0");
    run(crlf(
        {"CHANGECONFIG(\"C:\\NONE.SYS\", 40, 0, %BACKUP%, %COUNT%, 0)", "SET %E3% = %ERROR%"}));
    EXPECT_FALSE(m->exists("C:\\NONE.SYS"));
    EXPECT_EQ(var("E3"), "1");
    EXPECT_EQ(var("COUNT"), "0");
}

} // namespace

namespace {

TEST_F(Actions, FileStreams) {
    put("C:\\IN.TXT", "first\r\n\r\nlast");
    put("C:\\EMPTY.TXT", "");
    put("C:\\LOG.TXT", "old\r\n");
    int status = run(crlf({"OPEN(\"C:\\IN.TXT\", 1, READ)",
                           "READLINE(1, %A%)",
                           "SET %E1% = %ERROR%",
                           "READLINE(1, %B%)",
                           "READLINE(1, %C%)",
                           "READLINE(1, %D%)",
                           "SET %E2% = %ERROR%",
                           "CLOSE(1)",
                           "OPEN(\"C:\\OUT.TXT\", 10, WRITE)",
                           "WRITELINE(10, \"//$FILES$\")",
                           "CLOSE()",
                           "OPEN(\"C:\\LOG.TXT\", 2, APPEND)",
                           "WRITELINE(2, \"new\")",
                           "CLOSE(%N%)",
                           "CLOSE(2)",
                           "OPEN(\"C:\\MISSING.TXT\", 3, READ)",
                           "SET %E3% = %ERROR%",
                           "OPEN(\"C:\\EMPTY.TXT\", 4, READ)",
                           "READLINE(4, %X%)",
                           "SET %E4% = %ERROR%",
                           "TRAPERROR(1, 0)",
                           "READLINE(3, %X%)",
                           "SET %T1% = %ERROR%",
                           "OPEN(\"C:\\IN.TXT\", 11, READ)",
                           "SET %T2% = %ERROR%",
                           "OPEN(\"C:\\IN.TXT\", 4, READ)",
                           "SET %T3% = %ERROR%",
                           "WRITELINE(4, \"x\")",
                           "SET %T4% = %ERROR%",
                           "OPEN(\"C:\\X.TXT\", 5, 3)",
                           "SET %T5% = %ERROR%",
                           "OPEN(\"C:\\X.TXT\", %N%, READ)",
                           "SET %T6% = %ERROR%"}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(var("A"), "first");
    EXPECT_EQ(var("E1"), "0");
    EXPECT_EQ(var("B"), "");
    EXPECT_EQ(var("C"), "last");
    EXPECT_EQ(var("E2"), "2");
    EXPECT_EQ(get("C:\\OUT.TXT"), "//$FILES$\r\n");
    EXPECT_EQ(get("C:\\LOG.TXT"), "old\r\nnew\r\n");
    EXPECT_EQ(var("E3"), "1");
    EXPECT_EQ(var("E4"), "2");
    EXPECT_EQ(var("T1"), "39"); // 10038: not open
    EXPECT_EQ(var("T2"), "37"); // 10036
    EXPECT_EQ(var("T3"), "38"); // 10037: in use
    EXPECT_EQ(var("T4"), "41"); // 10040
    EXPECT_EQ(var("T5"), "50"); // 10049
    EXPECT_EQ(var("T6"), "21"); // 10020
}

TEST_F(Actions, FileAttributesDatesAndLengths) {
    put("C:\\F.TXT", "12345");
    int status = run(crlf({"SETFILEATTR(\"C:\\F.TXT\", 1, 1, 0, 0)",
                           "GETFILEATTR(\"C:\\F.TXT\", %RO%, %HI%, %SY%, %AR%)",
                           "SET %E1% = %ERROR%",
                           "SETFILEATTR(\"C:\\F.TXT\", 0, 0, 0, 0)",
                           "GETFILEATTR(\"C:\\F.TXT\", %RO2%, %HI2%, %SY2%, %AR2%)",
                           "GETFILEATTR(\"C:\\NONE\", %Q%, %Q%, %Q%, %Q%)",
                           "SET %E2% = %ERROR%",
                           "GETFILELENGTH(\"C:\\F.TXT\")",
                           "SET %LEN% = %ERROR%",
                           "GETFILELENGTH(\"C:\\NONE\")",
                           "SET %LEN2% = %ERROR%",
                           "SETFILEDATE(\"C:\\F.TXT\", \"05/03/97\")",
                           "SET %E3% = %ERROR%",
                           "SETFILETIME(\"C:\\F.TXT\", \"14:07:09\")",
                           "GETFILEDATE(\"C:\\F.TXT\", %D0%)",
                           "GETFILEDATE(\"C:\\F.TXT\", %D1%, 1)",
                           "GETFILETIME(\"C:\\F.TXT\", %TM%)",
                           "SETFILEDATE(\"C:\\F.TXT\", \"31/02/97\")",
                           "SET %E4% = %ERROR%",
                           "GETDATE(%TODAY%)",
                           "GETTIME(%NOW%)",
                           "GETFILEDATE(\"C:\\F.TXT\", %D2%, 2)"}));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(var("RO") + var("HI") + var("SY") + var("AR"), "1100");
    EXPECT_EQ(var("E1"), "0");
    EXPECT_EQ(var("RO2") + var("HI2") + var("SY2") + var("AR2"), "0000");
    EXPECT_EQ(var("E2"), "1");
    EXPECT_EQ(var("LEN"), "5");
    EXPECT_EQ(var("LEN2"), "4294967295");
    EXPECT_EQ(var("E3"), "0");
    EXPECT_EQ(var("D0"), "05/03/97");
    EXPECT_EQ(var("D1"), "97/03/05");
    EXPECT_EQ(var("TM"), "14:07:08"); // stored at two-second resolution
    EXPECT_EQ(var("E4"), "1");
    EXPECT_EQ(var("TODAY").size(), 8u);
    EXPECT_EQ(var("NOW").size(), 8u);
    EXPECT_EQ(errors(), std::vector<int>{10024});
}

} // namespace

namespace {

TEST_F(Actions, BadInputEndsSafely) {
    const std::string dlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
    put("C:\\BIG.DLL", "x");
    put("C:\\OLD.DIS", "//$FILES$\r\n" + std::string(10000, 'X') +
                           "\r\nbin\x01\xff\x80 line\r\n//$CLEANUP$\r\ngone\r\n");
    int status = run(
        crlf({// A name the registry cannot hold is the specified failure, nothing half-written.
              "REGWRITESETTING(2, \"SOFTWARE\\" + std::string(260, 'L') + "\", \"v\", \"1\")"}));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(errors(), std::vector<int>{10062});
    status =
        run(crlf({// A value name may hold backslashes; it never names a key.
                  "REGWRITESETTING(2, \"SOFTWARE\\Acme\", \"a\\b\", \"c\")",
                  "REGGETSETTING(2, \"SOFTWARE\\Acme\", \"A\\B\", \"none\", %S%)",
                  "REGDELETESETTING(2, \"SOFTWARE\\Acme\", \"a\\b\")",
                  "REGGETSETTING(2, \"SOFTWARE\\Acme\", \"a\\b\", \"none\", %T%)",
                  // A count at the top stays there instead of wrapping to "unused".
                  "REGWRITEINT(3, \"" + dlls + "\", \"C:\\BIG.DLL\", 2147483647)",
                  "REGISTER(\"C:\\BIG.DLL\")", "SET %UP% = %ERROR%", "UNREGISTER(\"C:\\BIG.DLL\")",
                  "SET %DOWN% = %ERROR%",
                  // Quotes and brackets in names go through the shell and come back out.
                  "MAKEGROUP(\"Odd [x] ^034q^034 (y),z\")",
                  "MAKEICON(\"[Run] ^034it^034\", \"C:\\A [1]\\B.EXE\", \"say ^034hi^034 [now]\")",
                  // An existing script's overlong and binary lines are kept to the line limit.
                  "OPENDEINSTALL(\"C:\\OLD.DIS\")", "CLOSEDEINSTALL()"}));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(var("S"), "c");
    EXPECT_EQ(var("T"), "none");
    EXPECT_TRUE(reg().keyExists(RegRoot::CurrentUser, "SOFTWARE\\Acme"));
    EXPECT_EQ(var("UP"), "2147483647");
    EXPECT_EQ(var("DOWN"), "2147483646");
    EXPECT_TRUE(m->exists("C:\\BIG.DLL"));
    ProgramManager pm(*m);
    auto groups = pm.groups();
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0].items.size(), 1u);
    // Names are folder and file names: what a file name cannot hold becomes _.
    EXPECT_EQ(groups[0].items[0].title, "[Run] _it_");
    EXPECT_EQ(groups[0].items[0].link.target, "C:\\A [1]\\B.EXE");
    run(crlf({"DELETEGROUP(\"Odd [x] ^034q^034 (y),z\")"}));
    EXPECT_TRUE(ProgramManager(*m).groups().empty());
    std::string kept = get("C:\\OLD.DIS");
    EXPECT_NE(kept.find("//$FILES$\r\n" + std::string(299, 'X') + "\r\nbin\x01\xff\x80 line\r\n"),
              std::string::npos);
    EXPECT_EQ(kept.find("gone"), std::string::npos);
}

} // namespace
