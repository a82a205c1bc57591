// Scripts the generator writes, installed and uninstalled by zrvx32 from disk
// sets laid out by hand: the proof that the templates are right.
#include "authoring/generator/generator.h"
#include "platform/formats/lz.h"
#include "tests/support/process.h"
#include "tests/support/testing.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

using namespace zrv;
using namespace zrv::authoring;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

using Ran = Outcome;

Ran run(const std::string& command) {
    return runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + command);
}

std::string q(const fs::path& p) { return quote(p); }

class Generated : public ::testing::Test {
protected:
    void SetUp() override {
        machine = dir.path() / "machine";
        ASSERT_EQ(zrvx32("machine init").status, 0);
        // The de-install program's folder, which a real setup disk brings along.
        fs::create_directories(machine / "drive_c" / "WINDOWS" / "VQRSOFT");
        ASSERT_EQ(zrvx32("machine snapshot " + q(dir.path() / "before.snap")).status, 0);
    }
    Ran zrvx32(const std::string& args) { return run(std::string(ZRVX32_PATH) + " --machine " + q(machine) + " " + args); }
    Ran zrva32(const std::string& args) {
        return run(std::string(ZRVA32_PATH) + " --machine " + q(dir.path() / "authoring") + " " + args);
    }
    Ran install(const std::string& answers = "", const std::string& options = "") {
        spit(dir.path() / "answers.jsonl", answers);
        return zrvx32(options + " --ui headless --answers " + q(dir.path() / "answers.jsonl") + " --transcript " +
                      q(dir.path() / "t.jsonl") + " install " + q(dir.path() / "set"));
    }
    std::string onC(const std::string& path) { return slurp(machine / "drive_c" / path); }
    // What is left after uninstalling: only what a de-install leaves by design.
    void expectClean() {
        Ran diff = zrvx32("machine diff " + q(dir.path() / "before.snap"));
        std::istringstream lines(diff.out);
        for (std::string line; std::getline(lines, line);) {
            const bool designed = line.find("DAO") != std::string::npos ||
                                  line.find("Microsoft Shared") != std::string::npos ||
                                  line.find("Common Files") != std::string::npos ||
                                  line.find("ZRVUNI.INI") != std::string::npos ||
                                  line.find("VQRSOFT") != std::string::npos ||
                                  line.find("Shared Tools") != std::string::npos ||
                                  line.ends_with("Software\\VQRSoftware");
            EXPECT_TRUE(designed) << line;
        }
    }

    TempDir dir;
    fs::path machine;
};

TEST_F(Generated, AProjectFromTheCommandLineInstallsAndUninstalls) {
    const fs::path src = dir.path() / "src";
    std::string program(3000, 'p');
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<char>("MZ program text "[i % 16]);
    spit(src / "DEMO.EXE", program);
    spit(src / "README.TXT", "Read me.\r\n");
    const std::string project = q(src / "DEMO.SPJ");
    ASSERT_EQ(zrva32("new " + project).status, 0);
    ASSERT_EQ(zrva32("set " + project + " APPNAME=Demo 'DEFPATH=C:\\DEMO\\' PMGROUP=0,1,0,0,0,0").status, 0);
    ASSERT_EQ(zrva32("add " + project + " file " + q(src / "DEMO.EXE") + " compress=1 makeicon=1 icontext=Demo").status, 0);
    ASSERT_EQ(zrva32("add " + project + " file " + q(src / "README.TXT")).status, 0);
    ASSERT_EQ(zrva32("add " + project + " dir '%InstallPath%DATA'").status, 0);
    const fs::path disk1 = dir.path() / "set" / "DISK1";
    fs::create_directories(disk1);
    Ran script = zrva32("script " + project + " -o " + q(disk1 / "INSTALL.SCR"));
    ASSERT_EQ(script.status, 0) << script.out;
    spit(disk1 / "DISK01", "");
    spit(disk1 / "SETUP.DAT", "Demo 1.0\r\n");
    spit(disk1 / "README.TXT", "Read me.\r\n");
    auto packed = szddCompress(program, 'E');
    ASSERT_TRUE(packed.ok());
    spit(disk1 / "DEMO.EX_", *packed);

    Ran r = install("", "--script INSTALL.SCR");
    ASSERT_EQ(r.status, 0) << r.out << slurp(dir.path() / "t.jsonl");
    EXPECT_EQ(onC("DEMO/DEMO.EXE"), program);
    EXPECT_EQ(onC("DEMO/README.TXT"), "Read me.\r\n");
    EXPECT_TRUE(fs::is_directory(machine / "drive_c" / "DEMO" / "DATA"));
    Ran groups = zrvx32("machine groups");
    EXPECT_NE(groups.out.find("Demo"), std::string::npos) << groups.out;
    const std::string deinstall = onC("WINDOWS/VQRSOFT/DEMO.001");
    EXPECT_NE(deinstall.find("Delete(\"C:\\DEMO\\DEMO.EXE\")"), std::string::npos) << deinstall;
    EXPECT_NE(deinstall.find("RmDir(\"C:\\DEMO\\DATA\")"), std::string::npos) << deinstall;
    EXPECT_NE(deinstall.find("DeleteGroup(\"Demo\")"), std::string::npos) << deinstall;

    Ran u = zrvx32("uninstall Demo");
    ASSERT_EQ(u.status, 0) << u.out;
    EXPECT_FALSE(fs::exists(machine / "drive_c" / "DEMO"));
    expectClean();
}

TEST_F(Generated, TwoDisksTwoOptionsSplitAndGuardedFiles) {
    ProjectData p = newProjectData(0, "c:\\zrva32\\default.bkd");
    p.title = "DEMO.SPJ";
    p.appName = "Demo";
    p.defaultPath = "C:\\DEMO\\";
    p.iniFile = "DEMO.INI";
    p.options = {"Program", "Help"};
    p.group = {0, 1, 0, 0, 0, 0};
    p.userCode[8] = "Delete(\"%InstallPath%DEMO.LOG\")";
    std::string help(40000, 'h');
    for (std::size_t i = 0; i < help.size(); ++i)
        help[i] = static_cast<char>("help text, "[i % 11]);
    const std::string library(5000, 'L');
    FileEntry exe = newFileEntry("C:\\SRC\\DEMO.EXE", 0);
    exe.makeIcon = 1, exe.iconText = "Demo", exe.protect = 1;
    FileEntry hlp = newFileEntry("C:\\SRC\\DEMO.HLP", 0);
    hlp.compress = 1, hlp.extension = "HL_", hlp.options = 3;
    FileEntry lib = newFileEntry("C:\\SRC\\SHARED.DLL", 0);
    lib.checkInUse = 1, lib.overwrite = 3, lib.shared = 1, lib.target = "%WindowsDirectory%";
    FileEntry extra = newFileEntry("C:\\SRC\\EXTRA.TXT", 0);
    extra.options = 2; // only with "Help", which the default answers leave off
    p.files = {exe, hlp, lib, extra};

    generator::Input in;
    in.project = &p;
    in.layout.files = {{1, 1}, {1, 2}, {2, 2}, {2, 2}};
    in.layout.cleanupDisk = 2;
    in.sizes = {3000, help.size(), library.size(), 10};
    in.objects = {{true, "DEFAULTBACKDROP", {"CreateBackdrop(\"DEFAULTBACKDROP\")", "EndObject()", "", ""}}};
    auto g = generator::generate(in);
    ASSERT_TRUE(g.output) << g.error->key << " " << g.error->reason;

    const fs::path set = dir.path() / "set";
    spit(set / "DISK1" / "SETUP.SCR", g.output->script);
    spit(set / "DISK1" / "DISK01", "");
    spit(set / "DISK2" / "DISK02", "");
    spit(set / "DISK1" / "DEMO.EXE", std::string(3000, 'x'));
    auto packed = szddCompress(help, 'P');
    ASSERT_TRUE(packed.ok());
    const std::size_t half = packed->size() / 2;
    spit(set / "DISK1" / "DEMO.HL_", packed->substr(0, half));
    spit(set / "DISK2" / "DEMO.HL_", packed->substr(half));
    spit(set / "DISK2" / "SHARED.DLL", library);
    spit(set / "DISK2" / "EXTRA.TXT", "extra");

    Ran r = install();
    ASSERT_EQ(r.status, 0) << r.out << slurp(dir.path() / "t.jsonl");
    EXPECT_EQ(onC("DEMO/DEMO.EXE"), std::string(3000, 'x'));
    EXPECT_EQ(onC("DEMO/DEMO.HLP"), help); // gathered from both disks, then expanded
    EXPECT_FALSE(fs::exists(machine / "drive_c" / "DEMO" / "DEMO.HL_"));
    EXPECT_EQ(onC("WINDOWS/SHARED.DLL"), library);
    EXPECT_FALSE(fs::exists(machine / "drive_c" / "DEMO" / "EXTRA.TXT"));
    const std::string deinstall = onC("WINDOWS/VQRSOFT/DEMO.001");
    EXPECT_NE(deinstall.find("UnRegister(\"C:\\WINDOWS\\SHARED.DLL\""), std::string::npos) << deinstall;
    EXPECT_NE(deinstall.find("SetFileAttr(\"C:\\DEMO\\DEMO.EXE\", 0, 0, 0, 0)"), std::string::npos) << deinstall;
    EXPECT_NE(deinstall.find("Delete(\"%InstallPath%DEMO.LOG\")"), std::string::npos) << deinstall;

    Ran u = zrvx32("uninstall Demo");
    ASSERT_EQ(u.status, 0) << u.out;
    EXPECT_FALSE(fs::exists(machine / "drive_c" / "DEMO"));
    EXPECT_FALSE(fs::exists(machine / "drive_c" / "WINDOWS" / "SHARED.DLL"));
    expectClean();
}

TEST_F(Generated, TheMainJobProjectToDiskSetInstallAgainAndUninstall) {
    const fs::path src = dir.path() / "src";
    fs::remove_all(machine / "drive_c" / "WINDOWS" / "VQRSOFT"); // the build's start puts it there
    std::string program, manual, library(7000, 'L');
    for (int i = 0; i < 400; ++i)
        program += "MZ line " + std::to_string(i) + " of the demo program\r\n";
    for (int i = 0; i < 3000; ++i)
        manual += "Chapter " + std::to_string(i % 97) + ": the manual goes on. ";
    spit(src / "APP.EXE", program);
    spit(src / "MANUAL.HLP", manual);
    spit(src / "SHARED.DLL", library);
    spit(src / "COLOURS.REG", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VQRSoftware\\Demo\\Colours]\r\n"
                              "\"Back\"=\"Blue\"\r\n");
    const std::string project = q(src / "APP.SPJ");
    ASSERT_EQ(zrva32("new " + project).status, 0);
    ASSERT_EQ(zrva32("set " + project + " APPNAME=Demo 'DEFPATH=C:\\DEMO\\' PMGROUP=0,1,0,0,0,0 SPLITSIZE=4 RESERVE=16").status, 0);
    ASSERT_EQ(zrva32("add " + project + " option 'Help files'").status, 0);
    ASSERT_EQ(zrva32("add " + project + " file " + q(src / "APP.EXE") + " compress=1 makeicon=1 icontext=Demo").status, 0);
    ASSERT_EQ(zrva32("add " + project + " file " + q(src / "MANUAL.HLP") + " compress=1 options=2").status, 0);
    ASSERT_EQ(zrva32("add " + project + " file " + q(src / "SHARED.DLL") + " shared=1 'target=%WindowsDirectory%'").status, 0);
    ASSERT_EQ(zrva32("add " + project + " file " + q(src / "COLOURS.REG") + " action=4").status, 0);
    Ran script = zrva32("script " + project + " --disk-size 24000 -o " + q(src / "PLANNED.SCR"));
    ASSERT_EQ(script.status, 0) << script.out;
    Ran built = zrva32("build " + project + " --disk-size 24000 -o " + q(dir.path() / "set"));
    ASSERT_EQ(built.status, 0) << built.out;
    EXPECT_NE(built.out.find("Project build complete"), std::string::npos);
    ASSERT_TRUE(fs::exists(dir.path() / "set" / "DISK2"));
    // The script planned alone is the one on disk 1, and the project's folder gets it too
    // (made a second later, the time in its head may differ).
    auto undated = [](std::string text) {
        const std::size_t at = text.find("// Created: ");
        if (at != std::string::npos)
            text.erase(at, text.find('\n', at) - at);
        return text;
    };
    EXPECT_EQ(undated(slurp(dir.path() / "set" / "DISK1" / "SETUP.SCR")), undated(slurp(src / "PLANNED.SCR")));
    EXPECT_EQ(undated(slurp(src / "SETUP.SCR")), undated(slurp(src / "PLANNED.SCR")));

    const std::string answers = "{\"kind\":\"dialog\",\"name\":\"OPTIONS\",\"variables\":{\"OPTION1\":\"TRUE\",\"OPTION2\":\"TRUE\"},\"result\":\"IDOK\"}\n";
    Ran r = install(answers);
    ASSERT_EQ(r.status, 0) << r.out << slurp(dir.path() / "t.jsonl");
    EXPECT_EQ(onC("DEMO/APP.EXE"), program);
    EXPECT_EQ(onC("DEMO/MANUAL.HLP"), manual);
    EXPECT_EQ(onC("WINDOWS/SHARED.DLL"), library);
    EXPECT_TRUE(fs::exists(machine / "drive_c" / "WINDOWS" / "VQRSOFT" / "ZRVX32.EXE"));
    EXPECT_NE(onC("WINDOWS/ZRVUNI.INI").find("DeInstallScript=C:\\WINDOWS\\VQRSOFT\\APP.001"), std::string::npos)
        << onC("WINDOWS/ZRVUNI.INI");
    EXPECT_NE(zrvx32("machine groups").out.find("Demo"), std::string::npos);
    Ran merged = zrvx32("machine reg export 'HKEY_CURRENT_USER\\Software\\VQRSoftware\\Demo\\Colours'");
    EXPECT_NE(merged.out.find("\"Back\"=\"Blue\""), std::string::npos) << merged.out; // the .REG file, merged

    // Again: the upgrade path asks no installation path.
    r = install(answers);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(slurp(dir.path() / "t.jsonl").find("\"name\":\"ASKPATH\""), std::string::npos);
    EXPECT_EQ(onC("DEMO/MANUAL.HLP"), manual);

    Ran u = zrvx32("uninstall Demo");
    ASSERT_EQ(u.status, 0) << u.out;
    EXPECT_FALSE(fs::exists(machine / "drive_c" / "DEMO"));
    expectClean();
}

} // namespace
