// The project commands of zrva32, run as an author's script would run them.
#include "tests/support/process.h"
#include "tests/support/testing.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

struct Ran {
    int status = -1;
    std::string out, err;
};

class Projects : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir.path() / "proj"); }

    Ran zrva32(const std::string& args) {
        const fs::path err = dir.path() / "stderr.txt";
        std::string cmd = std::string(ZRVA32_PATH) + " --machine '" + (dir.path() / "machine").string() + "' " +
                          args + " 2>'" + err.string() + "'";
        Outcome o = runCommand(cmd, false);
        return Ran{o.status, o.out, slurp(err)};
    }
    fs::path at(const std::string& name) const { return dir.path() / "proj" / name; }
    std::string q(const std::string& name) const { return "'" + at(name).string() + "'"; }
    // The project's file as the machine names it.
    std::string win(const std::string& name) const {
        std::string s = "Z:" + at(name).string();
        for (char& c : s)
            if (c == '/')
                c = '\\';
        return s;
    }
    void newProject() {
        Ran r = zrva32("new " + q("A.SPJ") + " --language 1");
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // A refused command leaves the project byte for byte as it was.
    void refused(const std::string& args, int status, const std::string& message) {
        const std::string before = slurp(at("A.SPJ"));
        Ran r = zrva32(args);
        EXPECT_EQ(r.status, status) << args << "\n" << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << "\n" << r.err;
        EXPECT_EQ(slurp(at("A.SPJ")), before) << args;
    }

    TempDir dir;
};

TEST_F(Projects, NewShowAndSaveAgree) {
    newProject();
    const std::string bytes = slurp(at("A.SPJ"));
    EXPECT_TRUE(bytes.starts_with("# Setup Zorvane generated ProJect file - Do not modify\r\n"));
    EXPECT_NE(bytes.find("PROJDIR=" + win("") + "\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("LICENSEINI=A.INI\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("OBJECT1=c:\\zrva32\\default.bkd\r\n"), std::string::npos);
    EXPECT_EQ(zrva32("show " + q("A.SPJ")).out, bytes);
    ASSERT_EQ(zrva32("save " + q("A.SPJ")).status, 0);
    EXPECT_EQ(slurp(at("A.SPJ")), bytes);
    refused("new " + q("A.SPJ"), 1, "exists already");
    EXPECT_EQ(zrva32("new " + q("B.SPJ") + " --language 9").status, 2);
    EXPECT_FALSE(fs::exists(at("B.SPJ")));
    // The default backdrop is in the machine and renders.
    Ran r = zrva32("render 'C:\\ZRVA32\\DEFAULT.BKD'");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("CreateBackdrop(\"DEFAULTBACKDROP\")\r\n"));
    EXPECT_TRUE(r.out.ends_with("EndObject()\r\n\r\n\r\n"));
}

TEST_F(Projects, SetChangesKeysAndRefusesWhatDoesNotFit) {
    newProject();
    spit(at("code.txt"), "Set %A%=1\nSet %B%=2\n");
    Ran r = zrva32("set " + q("A.SPJ") + " APPNAME=Demo 'COMMENTS=first~~second' LANGUAGE=3 --file USERCODE1=" +
                   q("code.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = slurp(at("A.SPJ"));
    EXPECT_NE(bytes.find("APPNAME=Demo\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("COMMENTS=first~~second\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("USERCODE1=Set %A%=1~~Set %B%=2\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("LANGUAGE=3\r\n"), std::string::npos);
    refused("set " + q("A.SPJ") + " APPNAME=Other DISKLABEL=TOOLONG", 1, "DISKLABEL");
    refused("set " + q("A.SPJ") + " BOGUS=1", 2, "BOGUS");
    refused("set " + q("A.SPJ") + " ZRVUNI2=x", 2, "ZRVUNI2");
    refused("set " + q("A.SPJ") + " LANGUAGE=7", 1, "LANGUAGE");
    refused("set " + q("A.SPJ") + " --file APPNAME=" + q("code.txt"), 1, "line break");
    refused("set " + q("A.SPJ") + " 'APPNAME=\xC4\x80'", 1, "code page 1252"); // not in the code page
}

TEST_F(Projects, DirectoriesAndOptionsWithTheirRules) {
    newProject();
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " dir '%InstallPath%\\DATA'").status, 0);
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " option Extras").status, 0);
    ASSERT_EQ(zrva32("set " + q("A.SPJ") + " option 2 'More extras'").status, 0);
    std::string bytes = slurp(at("A.SPJ"));
    EXPECT_NE(bytes.find("DIRECTORY1=%InstallPath%\r\nDIRECTORY2=%InstallPath%\\DATA\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("OPTINSTALL2=More extras\r\n"), std::string::npos);
    refused("add " + q("A.SPJ") + " dir '%InstallPath%\\DATA'", 1,
            "zrva32: Error: This directory already exists in the list! It cannot be added again.");
    refused("remove " + q("A.SPJ") + " dir 1", 1, "Error: Cannot delete the main directory!");
    refused("set " + q("A.SPJ") + " dir 1 X", 1, "Error: Cannot edit the main directory!");
    refused("set " + q("A.SPJ") + " option 1 'More extras'", 1, "Error: This installation already exists!");
    refused("remove " + q("A.SPJ") + " option 9", 1, "no installation 9");
    refused("remove " + q("A.SPJ") + " option x", 2, "not a number");
    ASSERT_EQ(zrva32("remove " + q("A.SPJ") + " dir 2").status, 0);
    ASSERT_EQ(zrva32("remove " + q("A.SPJ") + " option 1").status, 0);
    bytes = slurp(at("A.SPJ"));
    EXPECT_EQ(bytes.find("DIRECTORY2="), std::string::npos);
    EXPECT_NE(bytes.find("OPTINSTALL1=More extras\r\nPMGROUP"), std::string::npos);
}

TEST_F(Projects, FilesAreAddedSetListedAndRemoved) {
    newProject();
    spit(at("APP.EXE"), "MZ program");
    spit(at("README"), "read me");
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " file " + q("APP.EXE") + " makeicon=1 icontext=Demo").status, 0);
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " file " + q("README")).status, 0);
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " file 'C:\\GONE.DLL' action=2").status, 0);
    refused("add " + q("A.SPJ") + " file " + q("app.exe"), 1, "already exists in the project");
    refused("add " + q("A.SPJ") + " file 'C:\\X.DLL' colour=red", 2, "colour=red");
    refused("set " + q("A.SPJ") + " file 1 action=8", 1, "action");
    refused("set " + q("A.SPJ") + " file 4 usage=1", 1, "no file 4");
    std::string bytes = slurp(at("A.SPJ"));
    EXPECT_NE(bytes.find("FILE2=" + win("README.") + "\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("FLAGS2=0,0,0,0,0,1,0,0,0,0,1,0,_\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("FLAGS3=0,0,0,0,0,1,0,0,0,1,1,2,DL_\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("OPTIONALFILES=1,0,0,0,0,1,1,0,1,0,0\r\n"), std::string::npos); // REGSVR32.EXE

    Ran list = zrva32("list " + q("A.SPJ"));
    ASSERT_EQ(list.status, 0);
    std::istringstream lines(list.out);
    std::string first, second, third;
    std::getline(lines, first), std::getline(lines, second), std::getline(lines, third);
    EXPECT_TRUE(first.starts_with("  1 ")) << first;
    EXPECT_TRUE(first.ends_with("Display In Gauge, Icon 'Demo'")) << first;
    EXPECT_EQ(third.substr(0, 42), "  3 C:\\GONE.DLL" + std::string(27, ' '));
    EXPECT_TRUE(third.ends_with("Display In Gauge, Registry")) << third;
    list = zrva32("list " + q("A.SPJ") + " --details --no-descriptions");
    EXPECT_NE(list.out.find("        10  "), std::string::npos) << list.out; // APP.EXE's size
    EXPECT_NE(list.out.find("C:\\GONE.DLL" + std::string(27, ' ') + "<Not Found>"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("Display"), std::string::npos);

    ASSERT_EQ(zrva32("remove " + q("A.SPJ") + " file 1").status, 0);
    bytes = slurp(at("A.SPJ"));
    EXPECT_NE(bytes.find("FILE1=" + win("README.") + "\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("FILE3="), std::string::npos);
}

TEST_F(Projects, TheWorkbenchsEditingFromTheCommandLine) {
    newProject();
    for (const char* f : {"A.EXE", "B.DLL", "C.HLP"})
        spit(at(f), f);
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " file " + q("A.EXE") + " icontext=Kept").status, 0);
    // The list in a new order: a known file keeps its entry.
    Ran r = zrva32("files " + q("A.SPJ") + " order " + q("C.HLP") + " " + q("a.exe") + " " + q("B.DLL"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::string bytes = slurp(at("A.SPJ"));
    EXPECT_NE(bytes.find("FILE1=" + win("C.HLP") + "\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("FILE3=" + win("B.DLL") + "\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("Kept"), std::string::npos);
    ASSERT_EQ(zrva32("move " + q("A.SPJ") + " file 3 up").status, 0);
    ASSERT_EQ(zrva32("move " + q("A.SPJ") + " file 1 up").status, 0); // the first stays
    bytes = slurp(at("A.SPJ"));
    EXPECT_NE(bytes.find("FILE2=" + win("B.DLL") + "\r\n"), std::string::npos) << bytes;
    refused("move " + q("A.SPJ") + " file 4 down", 1, "no file 4");
    refused("move " + q("A.SPJ") + " file 1 sideways", 2, "up|down");

    // Objects through the properties' rules; the file is made with its type's extension.
    r = zrva32("object " + q("A.SPJ") + " new name=Ask type=dialog caption=Hello file=" + q("ASK.BKD"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(at("ASK.DLG")));
    EXPECT_NE(slurp(at("ASK.DLG")).find("Name=Ask"), std::string::npos);
    refused("object " + q("A.SPJ") + " new name=Ask file=" + q("OTHER.BKD"), 1, "An object with this name already exists");
    refused("object " + q("A.SPJ") + " new name=", 1, "Invalid object name");
    refused("object " + q("A.SPJ") + " new type=wobbly", 1, "wobbly");
    ASSERT_EQ(zrva32("object " + q("A.SPJ") + " set 2 type=CueCard border=3").status, 0) << "the new one is object 2";
    EXPECT_TRUE(fs::exists(at("ASK.CUE")));
    // The preview script of it, printed.
    r = zrva32("preview " + q("A.SPJ") + " Ask --print");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("// Preview script file\r\n")) << r.out;
    EXPECT_NE(r.out.find("ShowCueCard(\"Ask\")\r\nMessageBox(\"Object Preview Complete!\",\"Preview\",MB_OK,0)\r\n"),
              std::string::npos)
        << r.out;
    // And run: the interpreter shows the default backdrop, the card and the closing box.
    const fs::path shown = dir.path() / "preview.jsonl";
    r = zrva32("preview " + q("A.SPJ") + " 2 --ui headless --transcript '" + shown.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string transcript = slurp(shown);
    EXPECT_NE(transcript.find("\"kind\":\"cuecard\",\"name\":\"Ask\""), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("Object Preview Complete!"), std::string::npos) << transcript;
    EXPECT_TRUE(fs::is_empty(dir.path() / "machine" / "drive_c" / "WINDOWS" / "TEMP")) << "the script is gone";
    // An interpreter the machine cannot start is 10010, with the command line.
    ASSERT_EQ(zrva32("settings Executables Zrvx32 'C:\\NO\\ZRVX32.EXE'").status, 0);
    r = zrva32("preview " + q("A.SPJ") + " Ask");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Failed to execute interpreter program command: C:\\NO\\ZRVX32.EXE C:\\WINDOWS\\TEMP\\"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("returned error code (2)"), std::string::npos) << r.err;
    // Deleted: out of the project, its file kept.
    refused("object " + q("A.SPJ") + " delete 3", 1, "no object 3");
    ASSERT_EQ(zrva32("object " + q("A.SPJ") + " delete 2").status, 0);
    EXPECT_EQ(slurp(at("A.SPJ")).find("ASK.CUE"), std::string::npos);
    EXPECT_TRUE(fs::exists(at("ASK.CUE")));
}

// A project made from nothing on the command line, built, and tested in a
// machine of its own, normally and under the debugger.
TEST_F(Projects, TestInstallsTheBuiltSetIntoAScratchMachine) {
    newProject();
    spit(at("APP.EXE"), "the application");
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " file " + q("APP.EXE")).status, 0);
    ASSERT_EQ(zrva32("set " + q("A.SPJ") + " APPNAME=Tested 'DEFPATH=C:\\TESTED'").status, 0);
    Ran r = zrva32("test " + q("A.SPJ"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no disk set at"), std::string::npos) << r.err;
    r = zrva32("build " + q("A.SPJ") + " --quiet");
    ASSERT_EQ(r.status, 0) << r.err;

    const fs::path scratch = dir.path() / "scratch";
    const fs::path shown = dir.path() / "test.jsonl";
    r = zrva32("test " + q("A.SPJ") + " --ui headless --machine-for-test '" + scratch.string() + "' --transcript '" +
               shown.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_EQ(slurp(scratch / "drive_c" / "TESTED" / "APP.EXE"), "the application") << slurp(shown);
    EXPECT_FALSE(fs::exists(dir.path() / "machine" / "drive_c" / "TESTED")) << "the author's machine is untouched";
    EXPECT_NE(r.out.find("Installed in"), std::string::npos) << r.out;

    // Debug mode: the debugger stops, and the debug data file is the project's.
    r = zrva32("test " + q("A.SPJ") + " --debug --ui headless --transcript '" + shown.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_NE(slurp(shown).find("\"kind\":\"debug\""), std::string::npos);
    EXPECT_NE(r.err.find("(removed afterwards)"), std::string::npos) << r.err;
}

TEST_F(Projects, ObjectsBitmapsAndRendering) {
    newProject();
    spit(at("CARD.CUE"), "[ObjectDef]\r\nVersion=100\r\nName=Card\r\nType=3\r\nPosition=3\r\nWidth=200\r\n"
                         "[Controls]\r\nType1=4\r\nCoords1=1,2,3,4\r\nBitmap1=C:\\ART\\LOGO.BMP\r\nBitmapPos1=2,2\r\n");
    spit(at("SAME.CUE"), "[ObjectDef]\r\nVersion=100\r\nName=CARD\r\nType=3\r\n");
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " object " + q("CARD.CUE")).status, 0);
    refused("add " + q("A.SPJ") + " object " + q("SAME.CUE"), 1, "An object with this name already exists!");
    refused("add " + q("A.SPJ") + " object " + q("NONE.CUE"), 1, "Failed to find object file");
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " bitmap 'C:\\ART\\LOGO.BMP'").status, 0);
    refused("add " + q("A.SPJ") + " bitmap 'c:\\art\\logo.bmp'", 1, "already");
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " file 'C:\\X.DLL' cuecard=Card").status, 0);
    std::string bytes = slurp(at("A.SPJ"));
    EXPECT_NE(bytes.find("BITMAP1=C:\\ART\\LOGO.BMP\r\nOBJECT1=c:\\zrva32\\default.bkd\r\nOBJECT2=" +
                         win("CARD.CUE") + "\r\n"),
              std::string::npos);
    Ran r = zrva32("render " + q("CARD.CUE"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "CreateCueCard(\"Card\",0,0,200,0,0)\r\n"
                     "CreateControl(\"Bitmap\",\"%WindowsDirectory%TEMP\\LOGO.BMP\",0,1,2,3,4,655360)\r\n"
                     "CentreDialog(3,3)\r\nEndObject()\r\n\r\n\r\n");
    EXPECT_NE(zrva32("render " + q("CARD.CUE") + " --preview").out.find("\"C:\\ART\\LOGO.BMP\""), std::string::npos);
    EXPECT_EQ(zrva32("render " + q("NONE.CUE")).status, 1);
    ASSERT_EQ(zrva32("remove " + q("A.SPJ") + " object 2").status, 0);
    bytes = slurp(at("A.SPJ"));
    EXPECT_EQ(bytes.find("OBJECT2="), std::string::npos);
    EXPECT_NE(bytes.find("CUECARD1=\r\n"), std::string::npos);
    ASSERT_EQ(zrva32("remove " + q("A.SPJ") + " bitmap 1").status, 0);
    EXPECT_EQ(slurp(at("A.SPJ")).find("BITMAP1="), std::string::npos);
}

TEST_F(Projects, OlderFilesAreUpgradedAndMovedOnesRelocatedOnRequest) {
    spit(at("OLD.SPJ"), "# x\r\n\r\nFILETYPE=ZORVANE_PROJECT\r\nFILEVER=312\r\nPROJDIR=C:\\SOMEWHERE\\\r\n"
                        "APPNAME=Old\r\nSPACECHECK1=Needs $\r\nodd line\r\nFILE1=C:\\SOMEWHERE\\APP.EXE\r\n");
    const std::string old = slurp(at("OLD.SPJ"));
    Ran show = zrva32("show " + q("OLD.SPJ"));
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.err.find("has been moved"), std::string::npos);
    EXPECT_NE(show.err.find("line 8"), std::string::npos) << show.err; // the odd line
    EXPECT_EQ(slurp(at("OLD.SPJ")), old);
    EXPECT_NE(show.out.find("FILEVER=319\r\n"), std::string::npos);
    EXPECT_NE(show.out.find("SPACECHECK1=Needs %Required%\r\n"), std::string::npos);
    EXPECT_NE(show.out.find("FILE1=C:\\SOMEWHERE\\APP.EXE\r\n"), std::string::npos);

    ASSERT_EQ(zrva32("relocate " + q("OLD.SPJ")).status, 0);
    const std::string moved = slurp(at("OLD.SPJ"));
    EXPECT_NE(moved.find("FILE1=" + win("APP.EXE") + "\r\n"), std::string::npos);
    EXPECT_NE(moved.find("PROJDIR=" + win("") + "\r\n"), std::string::npos);
    EXPECT_EQ(moved.find("odd line"), std::string::npos);
    ASSERT_EQ(zrva32("save " + q("OLD.SPJ") + " " + q("NEW.SPJ")).status, 0);
    EXPECT_EQ(slurp(at("NEW.SPJ")), moved);
    EXPECT_EQ(zrva32("save " + q("OLD.SPJ") + " " + q("NEW.SPJ")).status, 1); // no silent replacing
    EXPECT_EQ(zrva32("show " + q("MISSING.SPJ")).status, 1);
    spit(at("BAD.SPJ"), "not a project\n");
    Ran bad = zrva32("save " + q("BAD.SPJ"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Unrecogised project"), std::string::npos) << bad.err;
    EXPECT_EQ(slurp(at("BAD.SPJ")), "not a project\n");
}

TEST_F(Projects, ImportsFromVisualBasicAndComponentLists) {
    newProject();
    spit(at("APP.MAK"), "C:\\VB\\GRID.VBX\r\nExeName=\"APP.EXE\"\r\nTitle=\"Demo App\"\r\n");
    Ran r = zrva32("import-vb " + q("A.SPJ") + " " + q("APP.MAK"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::string bytes = slurp(at("A.SPJ"));
    EXPECT_NE(bytes.find("FILE1=C:\\VB\\GRID.VBX\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("ICONTEXT2=Demo App\r\n"), std::string::npos);
    r = zrva32("import-vb " + q("A.SPJ") + " " + q("APP.MAK"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("already exists in the project"), std::string::npos);
    EXPECT_EQ(slurp(at("A.SPJ")), bytes);

    spit(at("LIST.INI"), "[Grid]\r\nUses1=base\r\nFile1=C:\\LIB\\GRID.OCX,%SystemDirectory%,Copying,1,1,2,2,1,OC_\r\n"
                         "[Base Library]\r\nFile1=C:\\LIB\\BASE.DLL,%SystemDirectory%,Copying,1,0,0,0,1,DL_\r\n"
                         "[Broken]\r\nFile1=C:\\LIB\\X.DLL,x\r\n");
    r = zrva32("import-components " + q("A.SPJ") + " --list " + q("LIST.INI"));
    EXPECT_EQ(r.out, "Grid\nBase Library\nBroken\n");
    EXPECT_EQ(slurp(at("A.SPJ")), bytes);
    refused("import-components " + q("A.SPJ") + " --list " + q("LIST.INI") + " broken", 1, "Broken");
    refused("import-components " + q("A.SPJ") + " --list " + q("LIST.INI") + " Nothing", 1, "no component");
    refused("import-components " + q("A.SPJ"), 1, "no component list");
    ASSERT_EQ(zrva32("settings Install ImportList '" + win("LIST.INI") + "'").status, 0);
    r = zrva32("import-components " + q("A.SPJ") + " GRID");
    ASSERT_EQ(r.status, 0) << r.err;
    bytes = slurp(at("A.SPJ"));
    EXPECT_NE(bytes.find("FILE3=C:\\LIB\\GRID.OCX\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("FILE4=C:\\LIB\\BASE.DLL\r\n"), std::string::npos);
}

TEST_F(Projects, ScriptWritesTheSetupScriptOrNothing) {
    newProject();
    spit(at("APP.EXE"), "MZ");
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " file " + q("APP.EXE")).status, 0);
    Ran r = zrva32("script " + q("A.SPJ"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("wrote " + win("SETUP.SCR")), std::string::npos) << r.err;
    const std::string first = slurp(at("SETUP.SCR"));
    EXPECT_TRUE(first.starts_with("//\r\n// Setup Installation File\r\n"));
    EXPECT_NE(first.find("\"APP.EXE\", \"%InstallPath%\", \"Copying:\", TRUE\r\n"), std::string::npos);
    // The same project at the same instant gives the same bytes.
    Ran a = zrva32("script " + q("A.SPJ") + " -o " + q("ONE.SCR") + " --quiet");
    EXPECT_TRUE(a.err.empty()) << a.err;
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    ASSERT_EQ(zrva32("script " + q("A.SPJ") + " -o " + q("ONE.SCR")).status, 0);
    ASSERT_EQ(zrva32("script " + q("A.SPJ") + " -o " + q("TWO.SCR")).status, 0);
    ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(slurp(at("ONE.SCR")), slurp(at("TWO.SCR")));
    EXPECT_NE(slurp(at("ONE.SCR")).find("// Created: 14-11-2023 at 22:13:20\r\n"), std::string::npos);

    // Refusals name the key and write nothing; an existing script stays.
    ASSERT_EQ(zrva32("set " + q("A.SPJ") + " 'WELCOME1=Say \"hi\"'").status, 0);
    r = zrva32("script " + q("A.SPJ"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(WELCOME1)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("^034"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(at("SETUP.SCR")), first);
    ASSERT_EQ(zrva32("set " + q("A.SPJ") + " 'WELCOME1=Hello'").status, 0);
    fs::remove(at("APP.EXE"));
    ASSERT_EQ(zrva32("add " + q("A.SPJ") + " file " + q("GONE.DLL")).status, 0);
    r = zrva32("script " + q("A.SPJ"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("APP.EXE is missing (FILE1)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("GONE.DLL is missing (FILE2)"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(at("SETUP.SCR")), first);
    EXPECT_EQ(zrva32("script " + q("A.SPJ") + " --frob").status, 2);
}

TEST_F(Projects, BadUsageSaysSo) {
    EXPECT_EQ(zrva32("show").status, 2);
    EXPECT_EQ(zrva32("remove " + q("A.SPJ") + " thing 1").status, 2);
    Ran help = zrva32("--help");
    for (const char* command : {"new ", "show ", "list ", "save ", "set ", "add ", "remove ", "relocate ", "render ",
                                "import-vb ", "import-components ", "script "})
        EXPECT_NE(help.out.find(std::string("  ") + command), std::string::npos) << command;
}

} // namespace
