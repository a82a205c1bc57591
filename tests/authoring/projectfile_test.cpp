#include "authoring/project/projectfile.h"

#include <gtest/gtest.h>

#include <random>

using namespace zrv::authoring;

namespace {

ProjectData defaults() { return newProjectData(0, "C:\\ZRVA32\\DEFAULT.BKD"); }

// A file of `version` holding the header and `body` lines (LF ends, as people write them).
std::string file(int version, std::string_view body) {
    return "# comment\n\nFILETYPE=ZORVANE_PROJECT\nFILEVER=" + std::to_string(version) + "\n" + std::string(body);
}

ProjectData read(const std::string& bytes) {
    auto r = readProjectFile(bytes, defaults());
    EXPECT_TRUE(r.data.has_value()) << (r.error ? r.error->message + " line " + std::to_string(r.error->line) : "");
    return r.data.value_or(ProjectData{});
}

LineProblem refusalOf(const std::string& bytes) {
    auto r = readProjectFile(bytes, defaults());
    EXPECT_FALSE(r.data.has_value());
    return r.error.value_or(LineProblem{});
}

TEST(ProjectFile, ANewProjectWritesTheDocumentedLayout) {
    ProjectData p = defaults();
    p.storedDirectory = "C:\\WORK\\";
    p.iniFile = "DEMO.INI";
    const std::string bytes = writeProjectFile(p);
    const std::string head =
        "# Setup Zorvane generated ProJect file - Do not modify\r\n\r\nFILETYPE=ZORVANE_PROJECT\r\nFILEVER=319\r\n"
        "PROJDIR=C:\\WORK\\\r\nAPPNAME=Untitled\r\nDEFPATH=C:\\\r\nDIRECTORY1=%InstallPath%\r\n"
        "PROJATTRIBS=1,1,1,0,0\r\nLICENSEINI=DEMO.INI\r\nDISKLABEL=DISK\r\nCOMMENTS=\r\nSETUPFILE=SETUP.SCR\r\n"
        "ENCRIPT=0\r\nRESERVE=32\r\nSPLITSIZE=100\r\nSPACEREQD=0\r\nOPTIONALFILES=1,0,0,0,0,1,1,0,0,0,0\r\n"
        "COMPANY=VQRSoftware\r\nOPTINSTALL1=Install the %Application% software\r\nPMGROUP=0,1,0,1,0,0\r\n"
        "GRPCAPFILE=%Application%\r\nLANGUAGE=0\r\nSETUPMSG=Starting %Application% Setup...\r\nCAPTION=Setup\r\n"
        "NEXTDISK=Please insert the diskette labelled '$'\r\n";
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    const std::string tail =
        "ZRVUNI1=Please make a selection from the following options:\r\nZRVUNI2=\r\n"
        "ZRVUNI3=Un-Install %Application%\r\n";
    EXPECT_NE(bytes.find(tail), std::string::npos);
    EXPECT_NE(bytes.find("WAITSELFEXTRACT=Running self-extracting files. Please wait...\r\nBACKDROPRES1=(Default)\r\n"
                         "BACKDROPRES2=(Default)\r\nBACKDROPRES3=(Default)\r\nBACKDROPRES4=(Default)\r\n"
                         "BACKDROPRES5=DEFAULTBACKDROP\r\nOBJECT1=c:\\zrva32\\default.bkd\r\nUSERCODE1=\r\n"),
              std::string::npos);
    EXPECT_TRUE(bytes.ends_with("USERCODE15=\r\n"));
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 4 + 3 + 1 + 10 + 1 + 1 + 3 + 33 + 5 + 1 + 15);
}

TEST(ProjectFile, TheHeaderDecidesWhatIsAProjectAndWhichVersion) {
    EXPECT_TRUE(readProjectFile("a\nb\nFILETYPE=ZORVANE_PROJECT   \t\nFILEVER=319  \n", defaults()).data);
    EXPECT_EQ(refusalOf("a\nb\nfiletype=zorvane_project\nFILEVER=319\n").number, 10002);
    EXPECT_EQ(refusalOf("").number, 10002);
    EXPECT_EQ(refusalOf("a\nb\n").number, 10002);
    EXPECT_EQ(refusalOf(file(319, "APPNAME=A\0B\n").substr(0, 60) + std::string("\0", 1)).number, 10002);
    EXPECT_EQ(refusalOf("a\nb\nFILETYPE=ZORVANE_PROJECT\n").number, 10003);
    EXPECT_EQ(refusalOf("a\nb\nFILETYPE=ZORVANE_PROJECT\nVERSION=319\n").number, 10003);
    EXPECT_EQ(refusalOf(file(307, "")).number, 10003);
    EXPECT_EQ(refusalOf(file(320, "")).number, 10003);
    auto r = readProjectFile(file(308, ""), defaults());
    ASSERT_TRUE(r.data);
    EXPECT_EQ(r.version, 308);
    EXPECT_EQ(*r.data, defaults()); // nothing read keeps every default, the backdrop object too
}

TEST(ProjectFile, KeyNumbersOfListsAndFileLinesAreNotUsed) {
    ProjectData p = read(file(319, "FILE1=A.EXE\nFILE2=B.DLL\nTARGET5=%SystemDirectory%\nOBJECT7=C:\\X.BKD\n"
                                   "OBJECT3=C:\\Y.DLG\nDIRECTORY4=%InstallPath%\\DATA\nDIRECTORY1=%InstallPath%\\BIN\n"));
    ASSERT_EQ(p.files.size(), 2u);
    EXPECT_EQ(p.files[0].target, "");
    EXPECT_EQ(p.files[1].target, "%SystemDirectory%");
    EXPECT_EQ(p.objects, (std::vector<std::string>{"C:\\X.BKD", "C:\\Y.DLG"}));
    // The first DIRECTORY line replaces the default, so a save never adds a second one.
    EXPECT_EQ(p.directories, (std::vector<std::string>{"%InstallPath%\\DATA", "%InstallPath%\\BIN"}));
}

TEST(ProjectFile, OlderVersionsAreReadByTheirOwnRules) {
    ProjectData p = read(file(312, "SPACEREQD=50\nSETUPFILE=MINE.SCR\nSPACECHECK1=Needs $ bytes ($)\n"
                                   "ZRVUNI2=Install everything\nZRVUNI3=Remove it\nUSERCODE1=init\n"
                                   "FILE1=C:\\APP\\MAIN.EXE\nFLAGS1=1,0,1,0,0,1,1,0,0,0,EXE\n"));
    EXPECT_EQ(p.extraSpace, 0u);
    EXPECT_EQ(p.scriptName, "SETUP.SCR");
    EXPECT_EQ(p.text(DialogText::SpaceCheck1), "Needs %Required% bytes (%Required%)");
    EXPECT_EQ(p.options, (std::vector<std::string>{"Install everything"}));
    EXPECT_EQ(p.text(DialogText::ZrvUni2), "");
    EXPECT_EQ(p.text(DialogText::ZrvUni3), "Remove it");
    EXPECT_EQ(p.userCode[0], "init");
    ASSERT_EQ(p.files.size(), 1u);
    EXPECT_EQ(p.files[0].unprotect, 1);
    EXPECT_EQ(p.files[0].usage, 1);
    EXPECT_EQ(p.files[0].shared, 0);  // field 10 came with 312
    EXPECT_EQ(p.files[0].options, 1u);
    EXPECT_EQ(p.files[0].extension, "EXE");

    EXPECT_EQ(read(file(313, "SPACEREQD=50\n")).extraSpace, 51200u);
    EXPECT_EQ(read(file(318, "USERCODE2=pre copy\n")).userCode[2], "pre copy");
    EXPECT_EQ(read(file(319, "USERCODE2=pre path\n")).userCode[1], "pre path");
    // 315: slot 5 moves past the slot added in 316, past 318's, past 319's.
    EXPECT_EQ(read(file(315, "USERCODE6=sub\n")).userCode[8], "sub");
    EXPECT_EQ(read(file(315, "USERCODE1=first\n")).userCode[0], "first");
}

TEST(ProjectFile, FlagsLinesByVersionKeepWhatTheyLack) {
    auto flags = [](int version, std::string_view line) {
        ProjectData p = read(file(version, "FILE1=C:\\A\\LIB.DLL\n" + std::string(line) + "\n"));
        return p.files.at(0);
    };
    FileEntry e = flags(312, "FLAGS1=0,0,0,0,0,0,1,0,0,1,DL_");
    EXPECT_EQ(e.shared, 1);
    EXPECT_EQ(e.extension, "DL_");
    e = flags(314, "FLAGS1=0,0,0,0,0,0,0,0,0,0,6,DL_");
    EXPECT_EQ(e.options, 6u);
    EXPECT_EQ(e.action, 0);
    e = flags(319, "FLAGS1=0,0,0,1,2,0,0,0,0,0,3,5,");
    EXPECT_EQ(e.usage, 1); // forced by check-in-use
    EXPECT_EQ(e.action, 5);
    EXPECT_EQ(e.extension, "DL_"); // derived from the source
    e = flags(319, "FLAGS1=1,1,x");
    EXPECT_EQ(e.unprotect, 1);
    EXPECT_EQ(e.protect, 1);
    EXPECT_EQ(e.options, 1u);
    EXPECT_EQ(e.extension, "DL_");
    EXPECT_EQ(flags(319, "ICONINFO1=3,C:\\A,B\\X.ICO").iconFile, "C:\\A,B\\X.ICO");
}

TEST(ProjectFile, DerivedExtensionsComeFromTheFileName) {
    EXPECT_EQ(derivedExtension("C:\\APP\\MAIN.EXE"), "EX_");
    EXPECT_EQ(derivedExtension("C:\\APP\\PAGE.HTML"), "HT_");
    EXPECT_EQ(derivedExtension("C:\\APP\\X.C"), "_");
    EXPECT_EQ(derivedExtension("C:\\APP.D\\README"), "_");
    EXPECT_EQ(derivedExtension("README."), "_");
    EXPECT_EQ(derivedExtension("C:\\A. e X W"), "eX_"); // the stored form is one word
    // An entry without a FLAGS line gets one too, so the second save changes nothing.
    EXPECT_EQ(read(file(319, "FILE1=C:\\A\\B.TXT\n")).files[0].extension, "TX_");
}

TEST(ProjectFile, OldBackdropLinesBecomeBitmaps) {
    ProjectData p = read(file(310, "BACKDROP1=1, c:\\art\\logo.bmp \nBACKDROP2=0,C:\\ART\\LOGO.BMP\nBACKDROP3=0,\n"
                                   "BITMAP1=C:\\ART\\LOGO.BMP\n"));
    ASSERT_EQ(p.bitmaps.size(), 2u);
    EXPECT_EQ(p.bitmaps[0].path, "C:\\ART\\LOGO.BMP");
    EXPECT_EQ(p.bitmaps[1].path, "C:\\ART\\LOGO.BMP");
}

TEST(ProjectFile, BadValuesRefuseTheFileNamingLineAndKey) {
    struct Case {
        const char* body;
        int line;
        const char* key;
    };
    const Case cases[] = {
        {"APPNAME=1234567890123456789012345678901\n", 5, "APPNAME"},
        {"\nCOMPANY=ok\nDISKLABEL=TOOLONG\n", 7, "DISKLABEL"},
        {"OPTINSTALL16=x\n", 5, "OPTINSTALL16"},
        {"OPTINSTALL=x\n", 5, "OPTINSTALL"},
        {"ZRVUNI10=x\n", 5, "ZRVUNI10"},
        {"BACKDROPRES6=x\n", 5, "BACKDROPRES6"},
        {"USERCODE16=x\n", 5, "USERCODE16"},
        {"LANGUAGE=7\n", 5, "LANGUAGE"},
        {"RESERVE=99999999999\n", 5, "RESERVE"},
        {"SPLITSIZE=4194304\n", 5, "SPLITSIZE"},
        {"PMGROUP=1,2,99999999999\n", 5, "PMGROUP"},
        {"FILE1=A.EXE\nFLAGS1=0,0,0,0,0,0,0,0,0,0,1,8,EX_\n", 6, "FLAGS1"},
        {"FILE1=A.EXE\nFLAGS1=0,0,0,0,5,0,0,0,0,0,1,0,EX_\n", 6, "FLAGS1"},
        {"FILE1=A.EXE\nFLAGS1=0,0,0,0,0,0,0,0,0,0,1,0,EXE_\n", 6, "FLAGS1"},
        {"FILE1=A.EXE\nCOMMENT1=Copying\rnow\n", 6, "COMMENT1"},
        {"CAPTION=" "12345678901234567890123456789012345678901234567890123456789012345678901234567890"
         "123456789012345678901234567890123456789012345678901\n", 5, "CAPTION"},
    };
    for (const Case& c : cases) {
        LineProblem r = refusalOf(file(319, c.body));
        EXPECT_EQ(r.line, c.line) << c.body;
        EXPECT_EQ(r.key, c.key) << c.body;
        EXPECT_FALSE(r.message.empty()) << c.body;
    }
    std::string many;
    for (int i = 0; i < 17; ++i)
        many += "DIRECTORY" + std::to_string(i + 1) + "=D" + std::to_string(i) + "\n";
    EXPECT_EQ(refusalOf(file(319, many)).line, 21);
    many.clear();
    for (int i = 0; i < 65; ++i)
        many += "OBJECT1=C:\\O" + std::to_string(i) + ".BKD\n";
    EXPECT_EQ(refusalOf(file(319, many)).line, 69);
    many.clear();
    for (int i = 0; i < 2049; ++i)
        many += "FILE1=F" + std::to_string(i) + ".EXE\n";
    EXPECT_EQ(refusalOf(file(319, many)).number, 10004);
}

TEST(ProjectFile, UnknownAndMisplacedLinesAreIgnoredWithAWarning) {
    auto r = readProjectFile(file(319, "appname=lower\nNONSENSE\nTARGET1=%InstallPath%\nAPPNAME=Real\n"), defaults());
    ASSERT_TRUE(r.data);
    EXPECT_EQ(r.data->appName, "Real");
    ASSERT_EQ(r.warnings.size(), 3u);
    EXPECT_EQ(r.warnings[0].line, 5);
    EXPECT_EQ(r.warnings[0].key, "appname");
    EXPECT_EQ(r.warnings[2].line, 7);
    EXPECT_EQ(r.warnings[2].key, "TARGET1");
    EXPECT_TRUE(r.data->files.empty());
}

TEST(ProjectFile, LinesEndAtLineFeedsAndBlanksAreTrimmed) {
    ProjectData p = read(file(319, "  APPNAME=\tMy App \t\r\nCOMMENTS=one~~two~~~three\r\n"));
    EXPECT_EQ(p.appName, "\tMy App"); // blanks after "=" belong to the value
    EXPECT_EQ(p.comments, "one\r\ntwo\r\n~three");
    // A CR inside a line is not a line end; a one-line field refuses it.
    EXPECT_EQ(refusalOf(file(319, "COMPANY=A\rB\n")).key, "COMPANY");
}

// A random document within every limit, as the editor could make it.
class RandomProject {
public:
    explicit RandomProject(unsigned seed) : m_rng(seed) {}

    ProjectData make() {
        ProjectData p = newProjectData(pick(0, 6), "c:\\x.bkd");
        p.storedDirectory = text(0, 255);
        p.appName = text(0, 30);
        p.company = text(0, 30);
        p.defaultPath = text(0, 255);
        p.iniFile = text(0, 255);
        p.diskLabel = text(0, 6);
        p.scriptName = text(0, 12);
        p.comments = lines(300);
        p.welcome = pick(-5, 5), p.deinstall = pick(0, 1), p.askPath = pick(0, 1);
        p.exclusiveOptions = pick(0, 1), p.encrypt = pick(0, 1);
        p.reserveKb = pick(-100000, 100000);
        p.splitSize = static_cast<std::uint32_t>(pick(0, 4194303)) * 1024;
        p.extraSpace = static_cast<std::uint32_t>(pick(0, 4194303)) * 1024;
        for (int& r : p.runtime)
            r = pick(0, 1);
        for (int& g : p.group)
            g = pick(0, 3);
        p.groupCaption = text(0, 255);
        p.options.assign(pick(1, 15), "");
        for (auto& o : p.options)
            o = text(0, 255);
        for (int i = 0; i < kDialogTextCount; ++i)
            p.texts[i] = i == static_cast<int>(DialogText::ZrvUni2) ? "" : text(0, kDialogTexts[i].maxLength);
        for (auto& b : p.backdrops)
            b = text(0, 40);
        for (auto& u : p.userCode)
            u = lines(pick(0, 1) ? 6144 : 40);
        p.directories.assign(pick(1, 16), "");
        for (auto& d : p.directories)
            d = text(0, 255);
        p.objects.assign(pick(1, 64), "");
        for (auto& o : p.objects)
            o = text(0, 255);
        p.bitmaps.assign(pick(0, 5), {});
        for (auto& b : p.bitmaps)
            b.path = text(0, 255);
        p.files.assign(pick(0, 40), {});
        for (auto& e : p.files) {
            e.source = text(0, 255), e.target = text(0, 255), e.comment = text(0, 60), e.cueCard = text(0, 40);
            e.iconText = text(0, 40), e.iconParams = text(0, 50), e.iconFile = text(0, 255);
            e.workDir = text(0, 255), e.overText = text(0, 200), e.actionParams = text(0, 50);
            e.extension = word(1, 3);
            e.unprotect = pick(0, 1), e.protect = pick(0, 1), e.makeIcon = pick(0, 1);
            e.checkInUse = pick(0, 1), e.overwrite = pick(0, 4), e.compress = pick(0, 1);
            e.optional = pick(0, 1), e.included = pick(0, 1), e.shared = pick(0, 1), e.action = pick(0, 7);
            e.usage = e.checkInUse || e.overwrite ? 1 : pick(0, 1);
            e.iconIndex = pick(-1000, 1000);
            e.options = static_cast<std::uint32_t>(m_rng());
        }
        return p;
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    // Any code page 1252 text of one line but "~" (which the format keeps for
    // line breaks) without blanks at its end (the reader trims them).
    std::string text(int lo, int hi) {
        std::string s(static_cast<std::size_t>(pick(lo, std::min(hi, lo + 30))), ' ');
        for (char& c : s) {
            do
                c = static_cast<char>(pick(0x20, 0xFF));
            while (c == '~');
        }
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.pop_back();
        return s;
    }
    std::string word(int lo, int hi) {
        std::string s(static_cast<std::size_t>(pick(lo, hi)), 'A');
        for (char& c : s)
            c = static_cast<char>("ABCXYZ_019"[pick(0, 9)]);
        return s;
    }
    std::string lines(int max) {
        std::string s;
        while (s.size() + 40 < static_cast<std::size_t>(max) && pick(0, 3)) {
            if (!s.empty())
                s += "\r\n";
            s += text(0, 30);
        }
        return s;
    }
    std::mt19937 m_rng;
};

TEST(ProjectFile, RandomDocumentsReadBackAsWrittenAndWriteTheSameBytes) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        ProjectData p = RandomProject(seed).make();
        ASSERT_FALSE(checkProject(p)) << checkProject(p)->message << " " << checkProject(p)->key;
        const std::string bytes = writeProjectFile(p);
        auto r = readProjectFile(bytes, defaults());
        ASSERT_TRUE(r.data) << "seed " << seed << ": " << r.error->message << " line " << r.error->line << " "
                            << r.error->key;
        EXPECT_TRUE(r.warnings.empty()) << "seed " << seed << " line " << r.warnings[0].line;
        // Identity comes from where the file is, not from its text.
        r.data->title = p.title, r.data->path = p.path, r.data->directory = p.directory;
        ASSERT_EQ(*r.data, p) << "seed " << seed;
        EXPECT_EQ(writeProjectFile(*r.data), bytes);
    }
}

TEST(ProjectFile, SettingsOfTheCommandLineTakeScalarKeysOnly) {
    ProjectData p = defaults();
    EXPECT_EQ(applySetting(p, "APPNAME=Demo").status, SettingStatus::Applied);
    EXPECT_EQ(applySetting(p, "USERCODE3=a~~b").status, SettingStatus::Applied);
    EXPECT_EQ(applySetting(p, "ZRVUNI3=Remove").status, SettingStatus::Applied);
    EXPECT_EQ(applySetting(p, "PMGROUP=1,0,0").status, SettingStatus::Applied);
    EXPECT_EQ(p.appName, "Demo");
    EXPECT_EQ(p.userCode[2], "a\r\nb");
    EXPECT_EQ(p.text(DialogText::ZrvUni3), "Remove");
    EXPECT_EQ(p.group, (std::array<int, 6>{1, 0, 0, 1, 0, 0}));
    for (const char* key : {"ZRVUNI2=x", "DIRECTORY1=x", "FILE1=x", "TARGET1=x", "PROJDIR=x", "OBJECT1=x",
                            "APPNAMEX=x", "USERCODE=x", "USERCODE1x=y", "appname=x", "NOEQUALS"})
        EXPECT_EQ(applySetting(p, key).status, SettingStatus::UnknownKey) << key;
    const ProjectData before = p;
    auto r = applySetting(p, "DISKLABEL=TOOLONG");
    EXPECT_EQ(r.status, SettingStatus::Refused);
    EXPECT_EQ(r.refusal.key, "DISKLABEL");
    EXPECT_EQ(p, before);
}

} // namespace
