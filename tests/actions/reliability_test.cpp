// Nothing lost: full disks, kills part way and what they leave, runs of their
// own processes on one machine.
#include "interpreter/actions/actions.h"
#include "interpreter/engine/errors.h"
#include "platform/base/ansi.h"
#include "platform/host/scratch.h"
#include "platform/profile/profile.h"
#include "platform/registry/registry.h"
#include "tests/support/script_test.h"

#include <csignal>
#include <random>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace zrv;
using namespace zrv::engine;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

class Reliability : public ScriptTest {
protected:
    void prepare(Engine& engine) override { actions::registerAll(engine); }

    // Drive D: holds `capacity` bytes (its free space is what is left of it).
    void limitedDrive(std::uint64_t capacity) {
        fs::create_directories(dir.path() / "d");
        MachineOptions o;
        DriveMapping d;
        d.letter = 'D';
        d.hostRoot = (dir.path() / "d").string();
        d.capacity = capacity;
        o.drives.push_back(d);
        open(o);
    }

    // The de-install script of an earlier install with `files` file lines.
    static std::string earlierScript(int files) {
        std::string s = "// Script file for de-installing:\r\n// App\r\n// Do NOT delete or modify.\r\n\r\n//$FILES$\r\n";
        for (int i = 0; i < files; ++i)
            s += "Delete(\"D:\\APP\\FILE" + std::to_string(i) + ".DAT\")\r\n";
        return s + "\r\n//$CLEANUP$\r\n:END\r\n";
    }
};

// An upgrade on a disk too full for the new de-install script: the error is
// reported where the script can trap it, and the earlier script stays whole,
// so an uninstall still removes everything.
TEST_F(Reliability, FullDiskKeepsTheDeinstallScriptAndSaysSo) {
    limitedDrive(8 * 1024);
    const std::string earlier = earlierScript(100);
    ASSERT_LT(earlier.size(), 8u * 1024);
    put("D:\\APP.DIS", earlier);
    put("D:\\FILLER", std::string(8 * 1024 - earlier.size() - 200, 'x'));
    std::vector<std::string> lines = {"SET %APPLICATION% = \"App\"", "OPENDEINSTALL(\"D:\\APP.DIS\")"};
    for (int i = 0; i < 20; ++i)
        lines.push_back("ADDDEINSTALL(\"$CLEANUP$\", \"REGDELETESETTING(2, ^034SOFTWARE\\App^034, ^034V" +
                        std::to_string(i) + "^034)\")");
    lines.push_back("TRAPERROR(1, 0)");
    lines.push_back("CLOSEDEINSTALL()");
    lines.push_back("SET %CLOSED% = %ERROR%");
    EXPECT_EQ(run(crlf(lines)), Interpreter::kEnded);
    EXPECT_EQ(var("CLOSED"), std::to_string(kErrNoSpace - 9999));
    EXPECT_EQ(get("D:\\APP.DIS"), earlier);

    // Left open to the end of the run, the failure still fails the run.
    lines.resize(lines.size() - 3);
    EXPECT_EQ(run(crlf(lines)), Interpreter::kErrorEnded);
    EXPECT_EQ(errors(), std::vector<int>{kErrNoSpace});
    EXPECT_EQ(get("D:\\APP.DIS"), earlier);

    // With room, the upgrade keeps the earlier file lines and adds the new ones.
    ASSERT_TRUE(m->deleteFile("D:\\FILLER"));
    EXPECT_EQ(run(crlf(lines)), Interpreter::kEnded);
    const std::string now = get("D:\\APP.DIS");
    EXPECT_NE(now.find("FILE99.DAT"), std::string::npos);
    EXPECT_NE(now.find("\"V19\")"), std::string::npos) << now;
}

TEST_F(Reliability, FullDiskProfileWritesAreErrorsAndLeaveTheFile) {
    limitedDrive(4 * 1024);
    const std::string ini = "[Settings]\r\nOld=1\r\n";
    put("D:\\APP.INI", ini);
    put("D:\\FILLER", std::string(4 * 1024 - ini.size() - 10, 'x'));
    EXPECT_EQ(run(crlf({"TRAPERROR(1, 0)",
                        "WRITEPRIVATEPROFILESTRING(\"Settings\", \"New\", \"a long enough value\", \"D:\\APP.INI\")",
                        "SET %W% = %ERROR%", "SET %ERROR% = 0",
                        "APPENDPROFILESTRING(\"Settings\", \"List\", \"another value here\", \"D:\\APP.INI\")",
                        "SET %A% = %ERROR%"})),
              Interpreter::kEnded);
    EXPECT_EQ(var("W"), std::to_string(kErrNoSpace - 9999));
    EXPECT_EQ(var("A"), std::to_string(kErrNoSpace - 9999));
    EXPECT_EQ(get("D:\\APP.INI"), ini);
    // Other write failures are errors too: a file made read-only.
    ASSERT_TRUE(m->deleteFile("D:\\FILLER"));
    ASSERT_TRUE(m->setAttributes("D:\\APP.INI", FileAttribute::ReadOnly));
    run(crlf({"WRITEPRIVATEPROFILESTRING(\"Settings\", \"New\", \"1\", \"D:\\APP.INI\")"}));
    EXPECT_EQ(errors(), std::vector<int>{kErrWrite});
}

// The sections that skip repeats compare a new line with the start of every
// line already there, without regard to case; the kept lines of an upgrade
// count too.
TEST_F(Reliability, DeinstallRepeatsAreFoundByTheirStart) {
    put("C:\\APP.DIS", earlierScript(3));
    run(crlf({"OPENDEINSTALL(\"C:\\APP.DIS\")",
              "ADDDEINSTALL(\"$FILES$\", \"delete(^034d:\\app\\file1.dat^034)\")", // kept already
              "ADDDEINSTALL(\"$FILES$\", \"DELETE(^034D:\\APP\\FILE\")",             // the start of one
              "ADDDEINSTALL(\"$FILES$\", \"Delete(^034D:\\APP\\FILE1.DAT^034) \")",  // trimmed, same
              "ADDDEINSTALL(\"$FILES$\", \"Delete(^034D:\\APP\\FILE1.DATX^034)\")",  // longer: new
              "ADDDEINSTALL(\"$FILES$\", \"Delete(^034D:\\APP\\FILE0^034)\")",       // sorts between: new
              "ADDDEINSTALL(\"$STARTUP$\", \"X\")", "ADDDEINSTALL(\"$STARTUP$\", \"X\")", "CLOSEDEINSTALL()"}));
    EXPECT_EQ(get("C:\\APP.DIS"), "// Script file for de-installing:\r\n// \r\n// Do NOT delete or modify.\r\n"
                                  "\r\n//$STARTUP$\r\nX\r\nX\r\n\r\n//$PREDEINSTALL$\r\n\r\n//$UNPROTECT$\r\n"
                                  "\r\n//$OLEUNREGISTER$\r\n\r\n//$FILES$\r\n"
                                  "Delete(\"D:\\APP\\FILE0.DAT\")\r\nDelete(\"D:\\APP\\FILE1.DAT\")\r\n"
                                  "Delete(\"D:\\APP\\FILE2.DAT\")\r\nDelete(\"D:\\APP\\FILE1.DATX\")\r\n"
                                  "Delete(\"D:\\APP\\FILE0\")\r\n\r\n//$PMGROUP$\r\n\r\n//$USERSCRIPT$\r\n"
                                  "\r\n//$DIRECTORIES$\r\n\r\n//$CLEANUP$\r\n");
}

// A real full file system: the whole machine in a small tmpfs (needs the right
// to mount, as root has; skipped otherwise).
class FullFileSystem : public Reliability {
protected:
    void SetUp() override {
        mountPoint = dir.path() / "small";
        fs::create_directories(mountPoint);
        if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs here (not root)";
        mounted = true;
        auto r = Machine::open(mountPoint / "machine");
        ASSERT_TRUE(r.ok()) << r.error().describe();
        m = std::move(r.value());
        ASSERT_TRUE(m->registry().ok());
    }
    void TearDown() override {
        m.reset();
        ui.reset();
        interp.reset();
        if (mounted)
            ::umount2(mountPoint.c_str(), MNT_DETACH);
    }
    // Fills the file system up to `free` bytes left.
    void fill(std::uint64_t free) {
        auto space = fs::space(mountPoint);
        ASSERT_GT(space.available, free);
        std::ofstream(mountPoint / "filler", std::ios::binary)
            << std::string(static_cast<std::size_t>(space.available - free), 'x');
    }
    fs::path mountPoint;
    bool mounted = false;
};

TEST_F(FullFileSystem, RegistryAndProfileWritesThatFailAreErrors) {
    put("C:\\APP.INI", "[S]\r\nK=old\r\n");
    std::vector<std::string> lines = {"TRAPERROR(1, 0)"};
    for (int i = 0; i < 50; ++i) {
        lines.push_back("REGWRITESETTING(2, \"SOFTWARE\\Acme\\App\", \"Value" + std::to_string(i) + "\", \"" +
                        std::string(200, 'v') + "\")");
        lines.push_back("IF %ERROR% != 0 GOTO :REGFAIL");
    }
    lines.insert(lines.end(), {":REGFAIL", "SET %R% = %ERROR%", "SET %ERROR% = 0",
                               "WRITEPRIVATEPROFILESTRING(\"S\", \"K\", \"new\", \"C:\\APP.INI\")", "SET %P% = %ERROR%"});
    // The script goes on the disk before it fills.
    put("C:\\MAIN.SCR", crlf(lines));
    fill(0);
    ui = std::move(ui::HeadlessUi::fromText("").value());
    interp = std::make_unique<Interpreter>(*m, *ui);
    prepare(interp->engine());
    interp->run("C:\\MAIN.SCR");
    EXPECT_EQ(var("R"), std::to_string(kErrRegistryEntry - 9999));
    EXPECT_EQ(var("P"), std::to_string(kErrNoSpace - 9999));
    EXPECT_EQ(get("C:\\APP.INI"), "[S]\r\nK=old\r\n");
    // Nothing temporary is left in the folder the profile write used.
    for (const auto& e : fs::directory_iterator(mountPoint / "machine" / "drive_c"))
        EXPECT_FALSE(host::ScratchJournal::isTemporaryName(e.path().filename().string())) << e.path();
}

// Runs C:\MAIN.SCR in a process of its own again and again, and kills it at
// a random point within the first `withinUs` microseconds.
void runAndKill(const fs::path& machineDir, std::mt19937& rng, unsigned withinUs, const std::string& before = {}) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto mm = Machine::open(machineDir);
        auto headless = ui::HeadlessUi::fromText("");
        if (!mm || !headless)
            ::_exit(9);
        for (;;) {
            if (!before.empty())
                (void)(*mm)->deleteFile(before);
            Interpreter in(**mm, **headless);
            actions::registerAll(in.engine());
            (void)in.run("C:\\MAIN.SCR");
        }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(1000 + rng() % withinUs));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

// Kills at random points of a copy to a new target: never a part of the file
// under its final name, and the next process on the machine removes what the
// killed one left.
TEST_F(Reliability, KilledCopiesLeaveNoPartAndNoLeftovers) {
    std::string big(8 * 1024 * 1024, '\0');
    std::mt19937 rng(7);
    for (char& c : big)
        c = static_cast<char>(rng());
    put("C:\\SRC.DAT", big);
    ASSERT_TRUE(m->createDirectory("C:\\APP"));
    put("C:\\MAIN.SCR", crlf({"COPYFILE(\"C:\\SRC.DAT\", \"C:\\APP\\NEW.DAT\")"}));
    for (int round = 0; round < 6; ++round) {
        (void)m->deleteFile("C:\\APP\\NEW.DAT");
        runAndKill(dir.path() / "machine", rng, 40000, "C:\\APP\\NEW.DAT");
        if (auto st = m->stat("C:\\APP\\NEW.DAT")) {
            EXPECT_EQ(st->size, big.size()) << "round " << round;
        }
        // The next process to open the machine takes away the killed one's temporaries.
        open();
        for (const auto& e : fs::directory_iterator(cHost() / "APP"))
            EXPECT_FALSE(host::ScratchJournal::isTemporaryName(e.path().filename().string())) << e.path();
        const fs::path journals = dir.path() / "machine" / "temp";
        EXPECT_TRUE(!fs::exists(journals) || fs::is_empty(journals));
    }
}

// Kills during upgrades: the de-install script is the earlier one or the whole
// new one, never a part, and a run after the kill leaves the install whole.
TEST_F(Reliability, KilledUpgradesKeepAWholeDeinstallScript) {
    std::vector<std::string> lines = {"SET %APPLICATION% = \"App\"", "OPENDEINSTALL(\"C:\\APP.DIS\")"};
    for (int i = 0; i < 60; ++i) {
        const std::string n = std::to_string(i);
        lines.push_back("WRITEPRIVATEPROFILESTRING(\"S\", \"K" + n + "\", \"" + n + "\", \"C:\\APP.INI\")");
        lines.push_back("ADDDEINSTALL(\"$CLEANUP$\", \"WRITEPRIVATEPROFILESTRING(^034S^034, ^034K" + n +
                        "^034, ^034^034, ^034C:\\APP.INI^034)\")");
    }
    lines.push_back("CLOSEDEINSTALL()");
    EXPECT_EQ(run(crlf(lines)), Interpreter::kEnded);
    const std::string whole = get("C:\\APP.DIS"), ini = get("C:\\APP.INI");
    std::mt19937 rng(11);
    for (int round = 0; round < 6; ++round) {
        runAndKill(dir.path() / "machine", rng, 30000);
        EXPECT_EQ(get("C:\\APP.DIS"), whole) << "round " << round;
        open();
        EXPECT_EQ(run(crlf(lines)), Interpreter::kEnded);
        EXPECT_EQ(get("C:\\APP.DIS"), whole);
        EXPECT_EQ(get("C:\\APP.INI"), ini);
        // Nothing temporary anywhere: not beside the files, not in the Windows directory.
        for (const auto& e : fs::recursive_directory_iterator(cHost())) {
            const std::string name = e.path().filename().string();
            EXPECT_FALSE(host::ScratchJournal::isTemporaryName(name)) << e.path();
            EXPECT_NE(upperAnsi(e.path().extension().string()), ".TMP") << e.path();
        }
    }
}

TEST(ScratchJournal, NamesAndTheJournalsOfLiveProcessesStay) {
    TempDir dir;
    const fs::path journals = dir.path() / "temp", folder = dir.path() / "f";
    fs::create_directories(folder);
    EXPECT_TRUE(host::ScratchJournal::isTemporaryName(".zrv-12-3.tmp"));
    for (const char* no : {".zrv--3.tmp", ".zrv-12-.tmp", ".zrv-1a-3.tmp", "zrv-12-3.tmp", ".zrv-12-3.tmpx", "X.TMP"})
        EXPECT_FALSE(host::ScratchJournal::isTemporaryName(no)) << no;
    {
        host::ScratchJournal mine(journals);
        const std::string name = mine.nameIn(folder);
        EXPECT_TRUE(host::ScratchJournal::isTemporaryName(name));
        EXPECT_NE(mine.nameIn(folder), name);
        writeHost(folder / name, "part");
        writeHost(folder / ".zrv-999999-1.tmp", "another process's");
        writeHost(folder / "KEEP.TMP", "not ours");
        // This process lives: its journal and temporary stay.
        EXPECT_EQ(host::ScratchJournal::removeDead(journals), 0u);
        EXPECT_TRUE(fs::exists(folder / name));
        fs::remove(folder / name);
    }
    // A journal goes with its process when that ends normally.
    EXPECT_TRUE(fs::is_empty(journals));
    EXPECT_TRUE(fs::exists(folder / ".zrv-999999-1.tmp"));
    EXPECT_TRUE(fs::exists(folder / "KEEP.TMP"));
}

} // namespace
