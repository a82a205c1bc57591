#include "authoring/generator/generator.h"

#include "common/scripttext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

using namespace zrv;
using namespace zrv::authoring;
using namespace zrv::generator;

namespace {

// A project with its layout, sizes and objects, ready to generate.
struct Case {
    ProjectData project = newProjectData(0, "c:\\zrva32\\default.bkd");
    DiskLayout layout;
    std::vector<std::uint64_t> sizes;
    std::vector<RenderedObject> objects;

    Case() {
        project.title = "DEMO.SPJ";
        project.appName = "Demo";
        project.defaultPath = "C:\\DEMO\\";
        project.iniFile = "DEMO.INI";
        objects.push_back(backdrop("DEFAULTBACKDROP"));
    }
    static RenderedObject backdrop(std::string name) {
        return RenderedObject{true, name, {"CreateBackdrop(\"" + name + "\")", "EndObject()", "", ""}};
    }
    FileEntry& file(const std::string& source, std::uint64_t size = 1000, int first = 1, int last = 1) {
        project.files.push_back(newFileEntry(source, project.language));
        layout.files.push_back({first, last});
        sizes.push_back(size);
        return project.files.back();
    }
    Generated run() const {
        Input in;
        in.project = &project;
        in.layout = layout;
        in.layout.bitmaps.resize(project.bitmaps.size(), 1);
        in.sizes = sizes;
        in.objects = objects;
        in.options.time = 1700000000;
        in.options.utc = true;
        return generate(in);
    }
    std::string script() const {
        auto g = run();
        EXPECT_TRUE(g.output) << (g.error ? g.error->key + ": " + g.error->reason : "");
        return g.output ? g.output->script : std::string();
    }
};

std::vector<std::string> lines(const std::string& script) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < script.size()) {
        auto end = script.find("\r\n", start);
        out.push_back(script.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

// The lines from the one that starts `from` up to (not including) the next empty one.
std::vector<std::string> block(const std::string& script, const std::string& from) {
    auto all = lines(script);
    std::vector<std::string> out;
    bool in = false;
    for (const auto& l : all) {
        if (!in && l.starts_with(from))
            in = true;
        if (in && l.empty())
            break;
        if (in)
            out.push_back(l);
    }
    return out;
}

bool has(const std::string& script, const std::string& line) {
    for (const auto& l : lines(script))
        if (l == line)
            return true;
    return false;
}

// The golden projects: together they reach every branch of the generator.
std::map<std::string, std::function<Case()>> goldenCases() {
    std::map<std::string, std::function<Case()>> cases;
    cases["minimal"] = [] {
        Case c;
        c.file("C:\\SRC\\DEMO.EXE").makeIcon = 1;
        c.project.files[0].iconText = "Demo";
        return c;
    };
    cases["no_deinstall_no_dialogs"] = [] {
        Case c;
        c.project.deinstall = c.project.welcome = c.project.askPath = 0;
        c.project.group = {1, 0, 0, 0, 0, 0};
        c.project.comments = "First line\r\n\r\nThird line";
        c.file("C:\\SRC\\DEMO.EXE");
        return c;
    };
    cases["welcome_without_path"] = [] {
        Case c;
        c.project.askPath = 0;
        c.project.text(DialogText::About).clear();
        c.file("C:\\SRC\\DEMO.EXE");
        return c;
    };
    cases["path_without_welcome"] = [] {
        Case c;
        c.project.welcome = 0;
        c.file("C:\\SRC\\DEMO.EXE");
        return c;
    };
    for (int n : {2, 3, 8}) {
        for (bool radio : {false, true}) {
            cases["options" + std::to_string(n) + (radio ? "_radio" : "_check")] = [n, radio] {
                Case c;
                c.project.exclusiveOptions = radio;
                c.project.welcome = n != 3;
                c.project.options.clear();
                for (int i = 1; i <= n; ++i)
                    c.project.options.push_back("Option number " + std::to_string(i));
                c.project.extraSpace = 2048;
                c.file("C:\\SRC\\DEMO.EXE", 5000).options = 1;
                c.file("C:\\SRC\\EXTRA.DAT", 70000).options = 2;
                c.project.files[1].compress = 1;
                c.file("C:\\SRC\\BOTH.DLL", 3000).options = 3;
                return c;
            };
        }
    }
    cases["file_flags"] = [] {
        Case c;
        c.project.runtime[8] = 1;
        auto& a = c.file("C:\\SRC\\UNPROT.DLL");
        a.unprotect = a.protect = 1;
        a.shared = 1;
        auto& b = c.file("C:\\SRC\\SERVER.EXE");
        b.action = 1, b.shared = 1, b.target = "%SystemDirectory%";
        auto& d = c.file("C:\\SRC\\CONTROL.OCX");
        d.action = 2, d.shared = 1, d.compress = 1, d.extension = "OC_", d.target = "%SystemDirectory%";
        c.file("C:\\SRC\\SETTINGS.REG").action = 3;
        c.file("C:\\SRC\\QUIET.REG").action = 4;
        auto& r = c.file("C:\\SRC\\SETUPDB.EXE");
        r.action = 5, r.actionParams = "/init";
        c.file("C:\\SRC\\HIDDEN.EXE").action = 6;
        auto& p = c.file("C:\\SRC\\DOSTOOL.EXE");
        p.action = 7, p.actionParams = "-x";
        c.file("C:\\SRC\\SKIPPED.TXT").usage = 0;
        auto& o = c.file("C:\\SRC\\OPTIONAL.TXT");
        o.optional = 1;
        auto& i = c.file("C:\\SRC\\INCLUDED.TXT");
        i.optional = i.included = 1;
        i.cueCard = "Card";
        c.file("C:\\SRC\\CURRENT.TXT").cueCard = "(Current)";
        c.file("C:\\SRC\\NONE.TXT").cueCard = "(None)";
        auto& icon1 = c.file("C:\\SRC\\APP1.EXE");
        icon1.makeIcon = 1, icon1.iconText = "App 1", icon1.iconParams = "/a";
        auto& icon2 = c.file("C:\\SRC\\APP2.EXE");
        icon2.makeIcon = 1, icon2.iconText = "App 2", icon2.iconFile = "C:\\ICONS.DLL";
        auto& icon3 = c.file("C:\\SRC\\APP3.EXE");
        icon3.makeIcon = 1, icon3.iconText = "App 3", icon3.iconIndex = 2;
        auto& icon4 = c.file("C:\\SRC\\APP4.EXE");
        icon4.makeIcon = 1, icon4.iconText = "App 4", icon4.workDir = "C:\\W";
        c.project.text(DialogText::WaitMergeReg).clear();
        c.objects.push_back(RenderedObject{true, "Card", {"CreateCueCard(\"Card\",0,0,100,50,1)", "EndObject()", "", ""}});
        c.project.objects.push_back("c:\\card.cue");
        return c;
    };
    auto disks = [](bool several) {
        Case c;
        if (several)
            c.project.options = {"Program", "Help"};
        c.layout.cleanupDisk = 4;
        auto& compressed = c.file("C:\\SRC\\ONE.EXE", 9000, 1, 1);
        compressed.compress = 1, compressed.extension = "EX_";
        c.file("C:\\SRC\\BIG.DAT", 900000, 1, 2);
        c.file("C:\\SRC\\AFTER.TXT", 100, 2, 2);
        auto& packed = c.file("C:\\SRC\\PACKED.HLP", 2000000, 2, 4);
        packed.compress = 1, packed.extension = "HL_", packed.comment = "";
        packed.options = several ? 2 : 1;
        auto& guarded = c.file("C:\\SRC\\GUARDED.DLL", 500000, 4, 4);
        guarded.checkInUse = 1, guarded.overwrite = 1, guarded.overText.clear();
        auto& splitGuarded = c.file("C:\\SRC\\SHARED.DLL", 800000, 4, 5);
        splitGuarded.overwrite = 2, splitGuarded.checkInUse = 1;
        auto& splitGuardedPacked = c.file("C:\\SRC\\TOOLS.DLL", 800000, 5, 6);
        splitGuardedPacked.overwrite = 3, splitGuardedPacked.compress = 1, splitGuardedPacked.extension = "DL_";
        auto& onlyNew = c.file("C:\\SRC\\CONFIG.INI", 10, 6, 6);
        onlyNew.overwrite = 4;
        c.project.bitmaps = {{0, "C:\\ART\\LOGO.BMP"}, {0, "C:\\ART\\SIDE"}};
        c.layout.bitmaps = {1, 2};
        return c;
    };
    cases["disks_one_option"] = [disks] { return disks(false); };
    cases["disks_two_options"] = [disks] { return disks(true); };
    auto group = [](bool newGroup, bool ask, bool protect) {
        Case c;
        c.project.group = {0, newGroup, !newGroup, ask, protect, protect};
        c.project.groupCaption = newGroup ? "Demo Programs" : "DEMO";
        auto& e = c.file("C:\\SRC\\DEMO.EXE");
        e.makeIcon = 1, e.iconText = "Demo";
        return c;
    };
    cases["group_new_asked"] = [group] { return group(true, true, false); };
    cases["group_new_silent"] = [group] { return group(true, false, false); };
    cases["group_file_asked_protected"] = [group] { return group(false, true, true); };
    cases["group_file_silent"] = [group] { return group(false, false, false); };
    cases["user_code"] = [] {
        Case c;
        for (int i = 0; i < 15; ++i)
            c.project.userCode[i] = "// slot " + std::to_string(i + 1) + "\r\nSET %Slot%=" + std::to_string(i + 1);
        c.project.userCode[0] = "// built by $APPNAME$ $APPVERSION$, $APPCOPYRIGHT$";
        c.project.userCode[7] = "MessageBox(\"50% | #1\")\r\n\r\nDelete(\"C:\\OLD.TXT\")";
        c.project.userCode[8] = "SET %A%=\"x\"\r\n";
        c.project.directories = {"%InstallPath%", "%InstallPath%DATA", "%InstallPath%DATA\\LOGS"};
        c.file("C:\\SRC\\DEMO.EXE");
        return c;
    };
    cases["bitmaps_objects"] = [] {
        Case c;
        c.project.bitmaps = {{0, "C:\\ART\\LOGO.BMP"}};
        c.project.objects = {"c:\\zrva32\\default.bkd", "c:\\art\\wide.bkd", "c:\\art\\missing.dlg"};
        c.objects.push_back(Case::backdrop("WIDE"));
        c.objects.push_back(RenderedObject{});
        c.project.backdrops = {"(None)", "(Default)", "WIDE", "WIDE", "DEFAULTBACKDROP"};
        c.file("C:\\SRC\\DEMO.EXE");
        return c;
    };
    cases["encrypted"] = [] {
        Case c;
        c.project.encrypt = 1;
        c.file("C:\\SRC\\DEMO.EXE");
        return c;
    };
    for (int language = 0; language < 7; ++language) {
        cases["language" + std::to_string(language)] = [language] {
            Case c;
            c.project = newProjectData(language, "c:\\zrva32\\default.bkd");
            c.project.title = "DEMO.SPJ";
            c.project.options.push_back("Extra");
            c.file("C:\\SRC\\DEMO.EXE").checkInUse = 1;
            return c;
        };
    }
    return cases;
}

TEST(Generator, GoldenScripts) {
    const bool update = std::getenv("ZRV_UPDATE_GOLDEN") != nullptr;
    for (const auto& [name, make] : goldenCases()) {
        const Case c = make();
        const auto g = c.run();
        ASSERT_TRUE(g.output) << name << ": " << g.error->key << " " << g.error->reason;
        const std::string path = std::string(ZRV_SOURCE_DIR) + "/tests/generator/golden/" + name + ".SCR";
        if (update) {
            std::ofstream(path, std::ios::binary) << g.output->script;
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        std::ostringstream golden;
        golden << in.rdbuf();
        ASSERT_FALSE(golden.str().empty()) << "no golden file " << path << " (ZRV_UPDATE_GOLDEN=1 writes it)";
        EXPECT_EQ(g.output->script, golden.str()) << name;
        // The same input gives the same bytes.
        EXPECT_EQ(c.run().output->script, g.output->script) << name;
        for (const auto& l : lines(c.project.encrypt ? std::string() : g.output->script))
            EXPECT_LE(l.size(), kMaxScriptLine) << name << ": " << l;
    }
}

TEST(Generator, SkeletonEdgeCases) {
    Case single;
    single.project.welcome = 0;
    single.file("C:\\SRC\\A.EXE");
    std::string s = single.script();
    EXPECT_EQ(s.find("CreateDialog(\"OPTIONS\""), std::string::npos); // one option: %Option% stays 1
    EXPECT_TRUE(has(s, "SET %Option%=1"));
    EXPECT_FALSE(has(s, "IF %ERROR% == IDBACK GOTO :BACK1"));
    EXPECT_EQ(s.find("// User defined code"), std::string::npos);

    Case eight;
    eight.project.options.clear();
    for (int i = 1; i <= 8; ++i)
        eight.project.options.push_back("O" + std::to_string(i));
    s = eight.script();
    EXPECT_TRUE(has(s, "CreateDialog(\"OPTIONS\",\"%Caption%\",0,0,300,160)"));
    EXPECT_TRUE(has(s, "CreateControl(\"CheckBox\",\"O5\",104,154,46,124,14,0,%Option5%)"));
    EXPECT_TRUE(has(s, "CreateControl(\"CheckBox\",\"O8\",107,154,106,124,14,0,%Option8%)"));
    EXPECT_TRUE(has(s, "CreateControl(\"CheckBox\",\"O4\",103,20,106,124,14,0,%Option4%)"));
    EXPECT_TRUE(has(s, "CreateControl(\"Button\",\"&Continue\",IDOK,121,143,54,14,0)"));
    EXPECT_TRUE(has(s, "CreateControl(\"Button\",\"E&xit\",IDCANCEL,239,143,54,14,0)"));

    Case comments;
    comments.project.comments = "one\r\ntwo";
    s = comments.script();
    EXPECT_NE(s.find("//\r\n// one\r\n// two\r\n\r\n\r\n// Application Variables"), std::string::npos);
    EXPECT_TRUE(has(s, "// Created: 14-11-2023 at 22:13:20"));

    // French captions are code page 1252 bytes.
    Case french;
    french.project = newProjectData(2, "x");
    french.project.title = "A.SPJ";
    french.project.options.push_back("Deux");
    s = french.script();
    EXPECT_NE(s.find("\"&Pr\xE9" "c\xE9" "dent\",IDBACK"), std::string::npos);
    EXPECT_TRUE(has(s, "SetLanguage(\"French\")"));
}

TEST(Generator, FileSectionEdgeCases) {
    Case none;
    none.file("C:\\SRC\\A.TXT").usage = 0;
    std::string s = none.script();
    // Only the comment: no copy block, and the next section follows at once.
    auto all = lines(s);
    auto at = std::find(all.begin(), all.end(), "// Do the file copying");
    ASSERT_NE(at, all.end());
    EXPECT_EQ(*(at + 1), "// Now setup a new program manager group and its icons");
    EXPECT_EQ(s.find("CopyFile(%TotalBlocks%)"), std::string::npos);

    Case packed;
    auto& e = packed.file("C:\\SRC\\MAIN.EXE");
    e.compress = 1;
    e.extension = "EX_";
    EXPECT_TRUE(has(packed.script(), "\"MAIN.EX_\", \"C:\\DEMO\\MAIN.EXE\", \"Copying:\", TRUE") ==
                false); // the target is the entry's, not the default path
    EXPECT_TRUE(has(packed.script(), "\"MAIN.EX_\", \"%InstallPath%MAIN.EXE\", \"Copying:\", TRUE"));

    Case split;
    auto& h = split.file("C:\\SRC\\BIG.HLP", 1, 2, 4);
    h.compress = 1, h.extension = "HL_", h.comment.clear();
    s = split.script();
    auto c = block(s, "// Do the file copying");
    const std::vector<std::string> expected = {
        "// Do the file copying",
        "SET %TotalBlocks%=4",
        "CopyFile(%TotalBlocks%)",
        "AddDeInstall(\"$FILES$\",\"Delete(^034%InstallPath%BIG.HLP^034)\")",
        "\"BIG.HL_\", \"%InstallPath%\", FALSE",
        "CheckExists(\"%CurrentDrive%DISK03\", \"Please insert the diskette labelled 'DISK03'\")",
        "IF %ERROR% == IDCANCEL GOTO :EXIT",
        "\"BIG.HL_\", \"%InstallPath%\", FALSE, TRUE",
        "CheckExists(\"%CurrentDrive%DISK04\", \"Please insert the diskette labelled 'DISK04'\")",
        "IF %ERROR% == IDCANCEL GOTO :EXIT",
        "\"BIG.HL_\", \"%InstallPath%\", FALSE, TRUE",
        "\"%InstallPath%BIG.HL_\", \"%InstallPath%BIG.HLP\", \"Uncompressing...\", TRUE, FALSE, TRUE",
        "EndCopyFile()",
    };
    // The disk check of disk 2 comes first: the file starts on a later disk.
    ASSERT_GE(c.size(), 3u);
    EXPECT_EQ(c[3], "CheckExists(\"%CurrentDrive%DISK02\", \"Please insert the diskette labelled 'DISK02'\")");
    c.erase(c.begin() + 3, c.begin() + 5);
    EXPECT_EQ(c, expected);

    Case guarded;
    auto& g = guarded.file("C:\\SRC\\LIB.DLL", 1, 1, 2);
    g.overwrite = 1;
    g.overText.clear();
    guarded.file("C:\\SRC\\NEXT.TXT", 1, 2, 2);
    s = guarded.script();
    EXPECT_TRUE(has(s, "ConfirmOverwrite(\"%InstallPath%LIB.DLL\", \"%WindowsDirectory%TEMP\\LIB.DLL\", \"\", 0)"));
    EXPECT_TRUE(has(s, "\"LIB.DLL\", \"%WindowsDirectory%TEMP\\\", \"Copying:\", TRUE"));
    EXPECT_TRUE(has(s, "\"%WindowsDirectory%TEMP\\LIB.DLL\", \"%InstallPath%\", \"Copying:\", FALSE, FALSE, TRUE"));
    EXPECT_TRUE(has(s, "Delete(\"%WindowsDirectory%TEMP\\LIB.DLL\")"));
    EXPECT_TRUE(has(s, "SET %Skip%=3"));
    // With one option, the file after a split file gets a disk check on the same disk.
    all = lines(s);
    auto next = std::find(all.begin(), all.end(), "AddDeInstall(\"$FILES$\",\"Delete(^034%InstallPath%NEXT.TXT^034)\")");
    ASSERT_NE(next, all.end());
    EXPECT_EQ(*(next - 1), "IF %ERROR% == IDCANCEL GOTO :EXIT");
    EXPECT_EQ(*(next - 2), "CheckExists(\"%CurrentDrive%DISK02\", \"Please insert the diskette labelled 'DISK02'\")");
}

TEST(Generator, GroupsAndDeinstallEdgeCases) {
    Case c;
    c.project.group = {0, 1, 0, 0, 0, 0};
    auto& e = c.file("C:\\SRC\\A.EXE");
    e.makeIcon = 1, e.iconText = "A", e.workDir = "C:\\W";
    c.project.userCode[8] = "MessageBox(\"50%\")";
    std::string s = c.script();
    EXPECT_TRUE(has(s, "Set %PmGrp% = IDYES"));
    EXPECT_EQ(s.find(":NOPMGROUP"), std::string::npos);
    EXPECT_EQ(s.find("$DIRECTORIES$"), std::string::npos);
    EXPECT_TRUE(has(s, "IF %Option% AND 1 != 0 MakeIcon(\"A\", \"%InstallPath%A.EXE\", \"\", \"\", 0, \"C:\\W\")"));
    EXPECT_TRUE(has(s, "AddDeInstall(\"$USERSCRIPT$\",\"MessageBox(^03450^037^034)\")"));
    EXPECT_TRUE(has(s, "AddDeInstall(\"$STARTUP$\",\"IF %%ERROR%% == IDYES GOTO :DODELETE\")"));

    // A group file's de-install lines quote with ^034, so the recorded line is whole.
    Case file;
    file.project.group = {0, 0, 1, 0, 1, 1};
    file.project.groupCaption = "DEMO";
    file.file("C:\\SRC\\A.EXE");
    s = file.script();
    EXPECT_TRUE(has(s, "AddDeInstall(\"$PMGROUP$\", \"SetFileAttr(^034%WindowsDirectory%DEMO.GRP^034, 0, 0, 0, 0)\")"));
    EXPECT_TRUE(has(s, "AddDeInstall(\"$PMGROUP$\",\"Delete(^034%WindowsDirectory%DEMO.GRP^034)\")"));
}

TEST(Generator, RefusalsNameTheKey) {
    auto refused = [](const std::function<void(Case&)>& change) {
        Case c;
        c.file("C:\\SRC\\A.EXE");
        change(c);
        auto g = c.run();
        EXPECT_FALSE(g.output);
        return g.error.value_or(Problem{});
    };
    EXPECT_EQ(refused([](Case& c) { c.project.text(DialogText::Welcome1) = "Say \"hi\""; }).key, "WELCOME1");
    EXPECT_NE(refused([](Case& c) { c.project.files[0].target = "C:\\\"X"; }).reason.find("^034"), std::string::npos);
    EXPECT_EQ(refused([](Case& c) { c.project.files[0].target = "C:\\\"X"; }).key, "TARGET1");
    EXPECT_EQ(refused([](Case& c) { c.project.language = 7; }).key, "LANGUAGE");
    EXPECT_EQ(refused([](Case& c) { c.project.diskLabel = ""; }).key, "DISKLABEL");
    EXPECT_EQ(refused([](Case& c) { c.project.diskLabel = "DISKXYZ"; }).key, "DISKLABEL");
    EXPECT_EQ(refused([](Case& c) { c.project.diskLabel = "DI.K"; }).key, "DISKLABEL");
    EXPECT_EQ(refused([](Case& c) { c.project.scriptName = ""; }).key, "SETUPFILE");
    EXPECT_EQ(refused([](Case& c) { c.project.comments = "a\rb"; }).key, "COMMENTS"); // it would split the line
    Problem longLine = refused([](Case& c) { c.project.userCode[3] = "SET %A%=1\r\n" + std::string(301, 'x'); });
    EXPECT_EQ(longLine.key, "USERCODE4");
    EXPECT_GT(longLine.line, 100);
    EXPECT_EQ(refused([](Case& c) { c.project.userCode[8] = std::string(250, '%'); }).key, "USERCODE9");
    EXPECT_EQ(refused([](Case& c) { c.project.text(DialogText::Error1) = std::string(290, 'e'); }).key, "ERROR1");
}

TEST(Generator, WarningsAndLimits) {
    Case c;
    c.project.objects.push_back("c:\\gone.dlg");
    c.objects.push_back(RenderedObject{});
    c.project.backdrops[0] = "NOSUCH";
    c.file("C:\\SRC\\HUGE.DAT", 5'000'000'000ULL);
    auto g = c.run();
    ASSERT_TRUE(g.output);
    ASSERT_EQ(g.output->warnings.size(), 2u);
    EXPECT_EQ(g.output->warnings[0].key, "OBJECT2");
    EXPECT_EQ(g.output->warnings[1].key, "BACKDROPRES1");
    EXPECT_TRUE(has(g.output->script, "SET %Required%=2147483647"));
}

TEST(Generator, EncryptedScriptsKeepAPlainTrace) {
    Case c;
    c.project.encrypt = 1;
    c.file("C:\\SRC\\A.EXE");
    auto g = c.run();
    ASSERT_TRUE(g.output);
    Case plainCase = c;
    plainCase.project.encrypt = 0;
    const std::string plain = plainCase.script();
    const std::string& script = g.output->script;
    ASSERT_EQ(script.substr(0, 4), std::string("\x00\x40\x00\x00", 4));
    std::string body = script.substr(4);
    scramble(body);
    EXPECT_EQ(body, plain);
    EXPECT_EQ(g.output->trace.substr(0, 4), "//\r\n");
    // Each line is followed by its scrambled bytes: "/" (47) becomes 9 - 47 = 218.
    EXPECT_NE(g.output->trace.find("//\r\n218 \xDA  218 \xDA  \r\n"), std::string::npos);
}

TEST(Generator, NewProjectsOfEveryLanguageFitTheInterpreter) {
    for (int language = 0; language < 7; ++language) {
        Case c;
        c.project = newProjectData(language, "x");
        c.project.title = "A.SPJ";
        c.project.options.push_back("Second");
        c.objects = {Case::backdrop("DEFAULTBACKDROP")};
        auto& e = c.file("C:\\SRC\\A.EXE");
        e.checkInUse = 1;
        e.overwrite = 1;
        auto g = c.run();
        EXPECT_TRUE(g.output) << language << ": " << (g.error ? g.error->key : "");
    }
}

} // namespace
