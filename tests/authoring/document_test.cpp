#include "authoring/project/document.h"
#include "authoring/project/imports.h"
#include "authoring/project/objectfile.h"

#include "tests/support/testing.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace zrv;
using namespace zrv::authoring;

namespace {

class Documents : public zrv::testing::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(m->createDirectory("C:\\WORK").ok());
        ASSERT_TRUE(ensureDefaultBackdrop(*m, kDefaultBackdropPath).ok());
    }
    std::unique_ptr<Project> project() {
        Prompts prompts;
        prompts.ask = [this](const Message& msg) {
            asked.push_back(msg);
            if (answers.empty())
                return msg.buttons == Buttons::Ok || msg.buttons == Buttons::OkCancel ? Answer::Ok : Answer::No;
            Answer a = answers.front();
            answers.erase(answers.begin());
            return a;
        };
        prompts.status = [this](int n) { statuses.push_back(n); };
        prompts.opened = [this](const std::string& path) { opened.push_back(path); };
        return std::make_unique<Project>(*m, prompts, std::string(kDefaultBackdropPath), 0);
    }
    std::vector<Message> asked;
    std::vector<Answer> answers;
    std::vector<int> statuses;
    std::vector<std::string> opened;
};

TEST_F(Documents, NewWritesTheProjectAndNamesItsIniFile) {
    auto p = project();
    ASSERT_TRUE(p->newProject("C:\\WORK\\DEMO.SPJ", 0));
    EXPECT_EQ(p->data().title, "DEMO.SPJ");
    EXPECT_EQ(p->data().directory, "C:\\WORK\\");
    EXPECT_EQ(p->data().iniFile, "DEMO.INI");
    EXPECT_EQ(m->currentDirectory(), "C:\\WORK");
    EXPECT_EQ(statuses.back(), 11004);
    EXPECT_EQ(opened, (std::vector<std::string>{"C:\\WORK\\DEMO.SPJ"}));
    const std::string bytes = get("C:\\WORK\\DEMO.SPJ");
    EXPECT_NE(bytes.find("PROJDIR=C:\\WORK\\\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("LICENSEINI=DEMO.INI\r\n"), std::string::npos);
    // Opening and saving what New wrote changes nothing.
    auto q = project();
    ASSERT_TRUE(q->open("C:\\WORK\\DEMO.SPJ"));
    EXPECT_FALSE(q->changed());
    ASSERT_TRUE(q->save());
    EXPECT_EQ(get("C:\\WORK\\DEMO.SPJ"), bytes);
    EXPECT_FALSE(p->newProject("C:\\NOWHERE\\X.SPJ", 0));
    EXPECT_EQ(asked.back().number, 10000);
    EXPECT_EQ(p->data().title, "DEMO.SPJ"); // the document is unchanged
}

TEST_F(Documents, NewProjectsMatchTheirGoldenFiles) {
    for (auto [name, language] : {std::pair<std::string, int>{"NEW", 0}, {"NEW_FRENCH", 2}}) {
        auto p = project();
        ASSERT_TRUE(p->newProject("C:\\WORK\\" + (language ? std::string("FRENCH") : std::string("DEMO")) + ".SPJ",
                                  language));
        std::ifstream in(std::string(ZRV_SOURCE_DIR) + "/tests/authoring/golden/" + name + ".SPJ", std::ios::binary);
        std::ostringstream golden;
        golden << in.rdbuf();
        ASSERT_FALSE(golden.str().empty()) << name;
        EXPECT_EQ(get(p->data().path), golden.str()) << name;
    }
}

TEST_F(Documents, OpenFailuresAreReportedAndKeepNothing) {
    auto p = project();
    EXPECT_FALSE(p->open("C:\\WORK\\NONE.SPJ"));
    EXPECT_EQ(asked.back().number, 10001);
    put("C:\\WORK\\BAD.SPJ", "a\r\nb\r\nFILETYPE=SOMETHING\r\n");
    EXPECT_FALSE(p->open("C:\\WORK\\BAD.SPJ"));
    EXPECT_EQ(asked.back().number, 10002);
    EXPECT_EQ(statuses.back(), 11014);
    put("C:\\WORK\\OLD.SPJ", "a\r\nb\r\nFILETYPE=ZORVANE_PROJECT\r\nFILEVER=300\r\n");
    EXPECT_FALSE(p->open("C:\\WORK\\OLD.SPJ"));
    EXPECT_EQ(asked.back().number, 10003);
    put("C:\\WORK\\LONG.SPJ", "a\r\nb\r\nFILETYPE=ZORVANE_PROJECT\r\nFILEVER=319\r\nDISKLABEL=TOOLONG\r\n");
    EXPECT_FALSE(p->open("C:\\WORK\\LONG.SPJ"));
    EXPECT_EQ(asked.back().line, 5);
    EXPECT_EQ(asked.back().key, "DISKLABEL");
    EXPECT_EQ(asked.back().file, "C:\\WORK\\LONG.SPJ");
    EXPECT_FALSE(p->isOpen());
    EXPECT_TRUE(opened.empty());
}

TEST_F(Documents, TheSavePromptDecidesWhetherToGoOn) {
    auto p = project();
    ASSERT_TRUE(p->newProject("C:\\WORK\\A.SPJ", 0));
    p->data().appName = "Changed";
    p->markChanged();
    answers = {Answer::Cancel};
    EXPECT_FALSE(p->close());
    EXPECT_TRUE(p->isOpen());
    answers = {Answer::No};
    ASSERT_TRUE(p->close());
    EXPECT_EQ(p->data().title, "[Untitled]");
    EXPECT_EQ(get("C:\\WORK\\A.SPJ").find("APPNAME=Changed"), std::string::npos);
    ASSERT_TRUE(p->open("C:\\WORK\\A.SPJ"));
    p->data().appName = "Saved";
    p->markChanged();
    answers = {Answer::Yes};
    ASSERT_TRUE(p->close());
    EXPECT_NE(get("C:\\WORK\\A.SPJ").find("APPNAME=Saved\r\n"), std::string::npos);
    EXPECT_EQ(asked.back().text, std::string(kSavePrompt));
}

TEST_F(Documents, SaveAsSwitchesToTheNewFile) {
    auto p = project();
    ASSERT_TRUE(p->newProject("C:\\WORK\\A.SPJ", 0));
    ASSERT_TRUE(m->createDirectory("C:\\OTHER").ok());
    ASSERT_TRUE(p->saveAs("C:\\OTHER\\B.SPJ"));
    EXPECT_EQ(p->data().path, "C:\\OTHER\\B.SPJ");
    EXPECT_NE(get("C:\\OTHER\\B.SPJ").find("PROJDIR=C:\\OTHER\\\r\n"), std::string::npos);
    EXPECT_NE(get("C:\\WORK\\A.SPJ").find("PROJDIR=C:\\WORK\\\r\n"), std::string::npos);
    EXPECT_FALSE(p->saveAs("C:\\MISSING\\C.SPJ"));
    EXPECT_EQ(p->data().path, "C:\\OTHER\\B.SPJ");
}

TEST_F(Documents, AMovedProjectIsRebuiltOnlyWhenAsked) {
    ASSERT_TRUE(m->createDirectory("C:\\OLD").ok());
    ASSERT_TRUE(m->createDirectory("C:\\NEW").ok());
    IniDocument card;
    ObjectHeader h;
    h.name = "Card";
    h.type = 3;
    writeHeader(card, h);
    ControlRecord picture;
    picture.type = static_cast<int>(ControlType::Bitmap);
    picture.bitmap = "C:\\OLD\\LOGO.BMP";
    saveControls(card, {picture});
    ASSERT_TRUE(storeObject(*m, "C:\\NEW\\CARD.CUE", card).ok());
    const std::string body = "a\r\nb\r\nFILETYPE=ZORVANE_PROJECT\r\nFILEVER=319\r\nPROJDIR=C:\\OLD\\\r\n"
                             "BITMAP1=C:\\OLD\\LOGO.BMP\r\nOBJECT1=C:\\OLD\\CARD.CUE\r\nFILE1=C:\\OLD\\APP.EXE\r\n"
                             "FILE2=C:\\ELSEWHERE\\LIB.DLL\r\n";
    put("C:\\NEW\\P.SPJ", body);

    auto p = project();
    answers = {Answer::No};
    ASSERT_TRUE(p->open("C:\\NEW\\P.SPJ"));
    EXPECT_EQ(asked.back().number, 10005);
    EXPECT_EQ(p->data().files[0].source, "C:\\OLD\\APP.EXE");
    EXPECT_EQ(p->data().storedDirectory, "C:\\OLD\\");
    EXPECT_EQ(get("C:\\NEW\\P.SPJ"), body); // nothing written until a save

    answers = {Answer::Yes};
    ASSERT_TRUE(p->open("C:\\NEW\\P.SPJ"));
    EXPECT_EQ(p->data().files[0].source, "C:\\NEW\\APP.EXE");
    EXPECT_EQ(p->data().files[1].source, "C:\\ELSEWHERE\\LIB.DLL");
    EXPECT_EQ(p->data().objects[0], "C:\\NEW\\CARD.CUE");
    EXPECT_EQ(p->data().bitmaps[0].path, "C:\\NEW\\LOGO.BMP");
    EXPECT_EQ(readControls(loadObject(*m, "C:\\NEW\\CARD.CUE"))[0].bitmap, "C:\\NEW\\LOGO.BMP");
    const std::string saved = get("C:\\NEW\\P.SPJ");
    EXPECT_NE(saved.find("PROJDIR=C:\\NEW\\\r\n"), std::string::npos);
    // Where it is now, the question is not asked again.
    asked.clear();
    ASSERT_TRUE(p->open("c:\\new\\p.spj"));
    EXPECT_TRUE(asked.empty());
}

TEST(DebugData, IsTheProjectPathUpperCasedWithDdb) {
    EXPECT_EQ(debugDataName("C:\\Work\\demo.spj"), "C:\\WORK\\DEMO.DDB");
    EXPECT_EQ(debugDataName("C:\\W.X\\DEMO"), "C:\\W.X\\DEMO.DDB");
}

class Imports : public zrv::testing::MachineTest {};

TEST_F(Imports, AVisualBasicProjectBringsItsControlsAndExecutables) {
    ASSERT_TRUE(m->createDirectory("C:\\VB").ok());
    put("C:\\VB\\APP.VBP", "Type=Exe\r\nObject={6B7E6392-850A-101B-AFC0-4210102A8DA7}#1.0#0; COMCTL32.OCX\r\n"
                           "C:\\VB\\GRID.VBX\r\nVBX=c:\\vb\\old.vbx\r\nTitle=\"My \"\"Great\"\" App\"\r\n"
                           "ExeName=\"APP16.EXE\"\r\nExeName32=\"App32.exe\"\r\nPath32=\"c:\\vb\\out\"\r\n");
    ProjectData p = newProjectData(0, "x");
    p.runtime = {1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0};
    int warnings = 0;
    auto r = importVbProject(*m, p, "C:\\VB\\APP.VBP", [&](const std::string&) {
        ++warnings;
        return Answer::Ok;
    });
    ASSERT_TRUE(r.completed);
    ASSERT_EQ(p.files.size(), 5u);
    EXPECT_EQ(p.files[0].source, "C:\\WINDOWS\\SYSTEM\\COMCTL32.OCX");
    EXPECT_EQ(p.files[0].action, 2);
    EXPECT_EQ(p.files[0].extension, "OC_");
    EXPECT_EQ(p.files[0].comment, "Copying: Application .OCX Control File");
    EXPECT_EQ(p.files[1].source, "C:\\VB\\GRID.VBX");
    EXPECT_EQ(p.files[1].action, 0);
    EXPECT_EQ(p.files[1].overwrite, 2);
    EXPECT_EQ(p.files[2].source, "C:\\VB\\OLD.VBX");
    EXPECT_EQ(p.files[3].source, "C:\\VB\\APP16.EXE");
    EXPECT_EQ(p.files[4].source, "C:\\VB\\OUT\\APP32.EXE");
    EXPECT_EQ(p.files[4].iconText, "My Great App");
    EXPECT_EQ(p.files[4].makeIcon, 1);
    EXPECT_EQ(p.files[4].extension, "EX_");
    EXPECT_EQ(p.runtimeFile(Runtime::RegSvr32), 1); // the dependency check ran
    EXPECT_EQ(warnings, 0);

    // Again: every file is there already; Cancel on the first warning ends it.
    r = importVbProject(*m, p, "C:\\VB\\APP.VBP", [&](const std::string& text) {
        EXPECT_EQ(text, "Warning: The file 'C:\\WINDOWS\\SYSTEM\\COMCTL32.OCX' already exists in the "
                        "project.\n\nIt cannot be added again!");
        ++warnings;
        return Answer::Cancel;
    });
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(p.files.size(), 5u);
    EXPECT_EQ(importVbProject(*m, p, "C:\\VB\\NONE.MAK", {}).refusal->number, 10001);
}

TEST_F(Imports, ComponentsBringTheFilesOfWhatTheyUse) {
    put("C:\\LIST.INI", "[Grid Control]\r\nUses1=data\r\nFile1=%SYSTEMDIRECTORY%GRID.OCX,%SystemDirectory%,Copying "
                        "grid,1,1,2,2,1,OC_\r\n"
                        "[Base]\r\nUses1=Extra\r\nFile1=%WINDOWSDIRECTORY%BASE.DLL,%SystemDirectory%,Copying base,1,0,0,0,1,DL_\r\n"
                        "[Data Access]\r\nUses1=Base\r\nFile1=%DAOPATH%DAO.DLL,%DAOPath%,Copying data,1,0,3,2,1,DL_\r\n"
                        "File2=%SYSTEMDIRECTORY%GRID.OCX,x,y,0,0,0,0,0,OC_\r\n"
                        "[Extra]\r\nFile1=C:\\EXTRA.DLL,x,y,0,0,0,0,0,DL_\r\n");
    EXPECT_EQ(componentNames(*m, "C:\\LIST.INI"),
              (std::vector<std::string>{"Grid Control", "Base", "Data Access", "Extra"}));
    ProjectData p = newProjectData(0, "x");
    auto r = importComponents(*m, p, "C:\\LIST.INI", {true, false, false, false});
    ASSERT_TRUE(r.completed);
    // Grid selects Data Access, which lies below it and is expanded in turn; the
    // Base it selects lies above it, so Base's own Extra is not.
    ASSERT_EQ(p.files.size(), 3u);
    EXPECT_EQ(p.files[0].source, "C:\\WINDOWS\\SYSTEM\\GRID.OCX");
    EXPECT_EQ(p.files[0].checkInUse, 1);
    EXPECT_EQ(p.files[0].overwrite, 2);
    EXPECT_EQ(p.files[0].action, 2);
    EXPECT_EQ(p.files[0].usage, 1);
    EXPECT_EQ(p.files[1].source, "C:\\WINDOWS\\BASE.DLL");
    EXPECT_EQ(p.files[2].source, "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\DAO.DLL");
    EXPECT_EQ(p.files[2].target, "%DAOPath%");
    EXPECT_EQ(p.files[2].overwrite, 3);
    r = importComponents(*m, p, "C:\\LIST.INI", {true, false, false, false});
    EXPECT_EQ(r.added, 0);
    EXPECT_EQ(p.files.size(), 3u);
    EXPECT_TRUE(componentNames(*m, "C:\\NONE.INI").empty());
}

TEST_F(Imports, ComponentValuesOutsideTheFormatRefuseNamingComponentAndKey) {
    put("C:\\LIST.INI", "[Short]\r\nFile1=A.DLL,B,C\r\n[Action]\r\nFile1=A.DLL,B,C,0,0,0,9,0,DL_\r\n"
                        "[Overwrite]\r\nFile1=A.DLL,B,C,0,0,5,0,0,DL_\r\n");
    for (int i = 0; i < 3; ++i) {
        ProjectData p = newProjectData(0, "x");
        std::vector<bool> selected(3, false);
        selected[i] = true;
        auto r = importComponents(*m, p, "C:\\LIST.INI", selected);
        ASSERT_TRUE(r.refusal) << i;
        EXPECT_EQ(r.refusal->key, "File1");
        EXPECT_NE(r.refusal->message.find(componentNames(*m, "C:\\LIST.INI")[i]), std::string::npos);
        EXPECT_TRUE(p.files.empty());
    }
}

class ImportsOnNt : public zrv::testing::MachineTest {
protected:
    void SetUp() override {
        MachineOptions o;
        o.profile = MachineProfile::NT4;
        open(o);
    }
};

TEST_F(ImportsOnNt, SystemMeansThe16BitSystemFolderWhenItHoldsFiles) {
    put("C:\\LIST.INI", "[C]\r\nFile1=%SYSTEMDIRECTORY%CTL3D32.DLL,x,y,0,0,0,0,0,DL_\r\n"
                        "File2=%SYSTEM32DIRECTORY%OTHER.DLL,x,y,0,0,0,0,0,DL_\r\n");
    const std::string system = m->systemDirectory();
    ASSERT_NE(system.find("SYSTEM32"), std::string::npos);
    std::string system16 = system.substr(0, system.size() - 2);
    ProjectData p = newProjectData(0, "x");
    ASSERT_TRUE(importComponents(*m, p, "C:\\LIST.INI", {true}).completed);
    // An empty SYSTEM folder: the system folder itself.
    EXPECT_EQ(p.files[0].source, system + "\\CTL3D32.DLL");
    if (!m->isDirectory(system16)) {
        ASSERT_TRUE(m->createDirectory(system16).ok());
    }
    put(system16 + "\\OLD.DRV", "x");
    p = newProjectData(0, "x");
    ASSERT_TRUE(importComponents(*m, p, "C:\\LIST.INI", {true}).completed);
    EXPECT_EQ(p.files[0].source, system16 + "\\CTL3D32.DLL");
    EXPECT_EQ(p.files[1].source, system + "\\OTHER.DLL");
}

} // namespace
