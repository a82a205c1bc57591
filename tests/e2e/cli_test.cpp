// zrvx32 run as a person would run it, against machines in temporary folders.
#include "platform/formats/lz.h"
#include "tests/support/process.h"
#include "tests/support/testing.h"

#include <array>
#include <sstream>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace zrv::testing;
using zrv::Machine;
namespace fs = std::filesystem;

namespace {

Outcome zrvx32(const std::string& args, const std::string& env = "") {
    // Headless unless a test asks for a display: no windows on a developer's screen.
    return runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env + std::string(ZRVX32_PATH) + " " +
                      args);
}

// Only what a run writes on stderr.
Outcome zrvx32Stderr(const std::string& args) {
    return runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + std::string(ZRVX32_PATH) + " " + args +
                          " 2>&1 >/dev/null",
                      false);
}

TEST(Cli, HelpAndVersion) {
    Outcome help = zrvx32("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("machine path WINPATH"), std::string::npos);
    Outcome version = zrvx32("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("zrvx32 ", 0), 0u);
    EXPECT_EQ(zrvx32("--bogus").status, 2);
    EXPECT_EQ(zrvx32("machine frobnicate").status, 2);
}

TEST(Cli, InitShowAndPath) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    Outcome init = zrvx32("--machine " + quote(m) + " machine init --profile nt4");
    ASSERT_EQ(init.status, 0) << init.out;
    EXPECT_NE(init.out.find("C:\\WINNT\\SYSTEM32"), std::string::npos) << init.out;
    EXPECT_TRUE(fs::exists(m / "machine.ini"));
    EXPECT_EQ(zrvx32("--machine " + quote(m) + " machine init").status, 1);

    Outcome path = zrvx32("--machine " + quote(m) + " machine path 'c:\\winnt\\system32\\NEW\\File.dll'");
    ASSERT_EQ(path.status, 0) << path.out;
    EXPECT_EQ(path.out, (fs::canonical(m / "drive_c" / "WINNT" / "SYSTEM32") / "NEW" / "File.dll").string() + "\n");

    Outcome hostile = zrvx32("--machine " + quote(m) + " machine path 'C:\\CON'");
    EXPECT_EQ(hostile.status, 1);
    Outcome dots = zrvx32("--machine " + quote(m) + " machine path 'C:\\..\\..\\..'");
    ASSERT_EQ(dots.status, 0);
    EXPECT_EQ(dots.out, fs::canonical(m / "drive_c").string() + "\n");
}

TEST(Cli, ExtraDrivesAndTheEnvironmentDefault) {
    TempDir dir;
    fs::path disk = dir.path() / "disk1";
    fs::create_directories(disk);
    writeHost(disk / "SETUP.SCR", "x");
    std::string env = "ZRV_MACHINE=" + quote(dir.path() / "envbox") + " ";
    ASSERT_EQ(zrvx32("machine init", env).status, 0);
    Outcome viaEnv = zrvx32("--drive A=" + quote(disk) + ",ro,label=DISK1 machine show", env);
    ASSERT_EQ(viaEnv.status, 0) << viaEnv.out;
    EXPECT_NE(viaEnv.out.find("A:  " + disk.string() + "  (read-only)  label DISK1"), std::string::npos)
        << viaEnv.out;
    EXPECT_TRUE(fs::exists(dir.path() / "envbox" / "machine.ini"));
}

TEST(Cli, BadInputIsReportedAndChangesNothing) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    ASSERT_EQ(zrvx32("--machine " + quote(m) + " machine init").status, 0);
    std::string ini = readHost(m / "machine.ini");
    writeHost(m / "machine.ini", ini + "\n[Drives]\nQ=missing-folder\n");
    Outcome r = zrvx32("--machine " + quote(m) + " machine show");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("machine.ini"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("missing-folder"), std::string::npos) << r.out;
    EXPECT_EQ(zrvx32("--drive A= machine show").status, 2);
    EXPECT_EQ(zrvx32("--machine " + quote(m) + " machine init --profile win31").status, 2);
}

} // namespace

namespace {

TEST(Cli, RegistryExportAndImport) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    std::string machine = "--machine " + quote(m) + " ";
    writeHost(dir.path() / "in.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme]\r\n\"Path\"=\"C:\\\\Acme\"\r\n"
                                     "\"N\"=dword:00000010\r\n");
    // Only init makes a machine: a mistyped folder is not filled with a new one.
    Outcome none = zrvx32(machine + "machine reg import " + quote(dir.path() / "in.reg"));
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.out.find("machine init' makes one"), std::string::npos) << none.out;
    EXPECT_FALSE(fs::exists(m));
    ASSERT_EQ(zrvx32(machine + "machine init").status, 0);
    Outcome imported = zrvx32(machine + "machine reg import " + quote(dir.path() / "in.reg"));
    ASSERT_EQ(imported.status, 0) << imported.out;
    Outcome exported = zrvx32(machine + "machine reg export 'HKLM\\SOFTWARE\\Acme'");
    ASSERT_EQ(exported.status, 0) << exported.out;
    EXPECT_EQ(exported.out, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme]\r\n\"N\"=dword:00000010\r\n"
                            "\"Path\"=\"C:\\\\Acme\"\r\n\r\n");
    Outcome all = zrvx32(machine + "machine reg export");
    EXPECT_NE(all.out.find("[HKEY_USERS\\.DEFAULT]"), std::string::npos);
    EXPECT_NE(all.out.find("\"CommonFilesDir\"=\"C:\\\\Program Files\\\\Common Files\""), std::string::npos);

    writeHost(dir.path() / "bad.reg", "REGEDIT4\r\n[HKLM\\SOFTWARE\\Bad]\r\n\"ok\"=\"1\"\r\n\"broken\r\n");
    Outcome bad = zrvx32(machine + "machine reg import " + quote(dir.path() / "bad.reg"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("line 4"), std::string::npos) << bad.out;
    EXPECT_NE(zrvx32(machine + "machine reg export 'HKLM\\SOFTWARE\\Bad'").out.find("\"ok\"=\"1\""), std::string::npos);
    EXPECT_EQ(zrvx32(machine + "machine reg export 'HKLM\\NoSuchKey'").status, 1);
    EXPECT_EQ(zrvx32(machine + "machine reg export 'HKXX\\A'").status, 1);
    EXPECT_EQ(zrvx32(machine + "machine reg frob").status, 2);

    // REGEDIT4 text is code page 1252 both ways; UTF-8 input is taken where it
    // cannot be mistaken (a byte order mark, or valid UTF-8 beyond ASCII).
    writeHost(dir.path() / "cp.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"Caf\xe9 \xa9\"\r\n");
    writeHost(dir.path() / "u8.reg", "\xEF\xBB\xBFREGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n\"v\"=\"Caf\xc3\xa9 \xc2\xa9\"\r\n");
    for (const char* f : {"cp.reg", "u8.reg"})
        ASSERT_EQ(zrvx32(machine + "machine reg import " + quote(dir.path() / f)).status, 0) << f;
    for (const char* key : {"A", "B"}) {
        Outcome e = zrvx32(machine + "machine reg export 'HKCU\\" + key + "'");
        EXPECT_NE(e.out.find("\"v\"=\"Caf\xe9 \xa9\""), std::string::npos) << key << ": " << e.out;
        Outcome u = zrvx32(machine + "machine reg export --utf8 'HKCU\\" + key + "'");
        EXPECT_NE(u.out.find("\"v\"=\"Caf\xc3\xa9 \xc2\xa9\""), std::string::npos) << key << ": " << u.out;
    }
}

} // namespace

namespace {

Outcome zrva32(const std::string& args) { return runCommand(std::string(ZRVA32_PATH) + " " + args); }

TEST(Zrva32, CompressAndExpandHostFiles) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i % 37) + " of the readme\r\n";
    writeHost(dir.path() / "README.TXT", text);
    Outcome c = zrva32("compress " + quote(dir.path() / "README.TXT") + " " + quote(dir.path() / "README.TX_"));
    ASSERT_EQ(c.status, 0) << c.out;
    std::string packed = readHost(dir.path() / "README.TX_");
    EXPECT_EQ(packed.substr(0, 4), "SZDD");
    EXPECT_EQ(packed[9], 'T'); // the character the '_' stands for
    EXPECT_LT(packed.size(), text.size() / 4);
    Outcome e = zrva32("expand " + quote(dir.path() / "README.TX_") + " " + quote(dir.path() / "OUT.TXT"));
    ASSERT_EQ(e.status, 0) << e.out;
    EXPECT_EQ(readHost(dir.path() / "OUT.TXT"), text);
    // An uncompressed file expands to itself.
    ASSERT_EQ(zrva32("expand " + quote(dir.path() / "README.TXT") + " " + quote(dir.path() / "SAME.TXT")).status, 0);
    EXPECT_EQ(readHost(dir.path() / "SAME.TXT"), text);
}

TEST(Zrva32, BadInputFailsAndLeavesNoHalfFile) {
    TempDir dir;
    writeHost(dir.path() / "CUT.TX_", std::string("SZDD\x88\xf0\x27\x33" "A_\x10\0\0\0\xff" "ab", 17));
    Outcome e = zrva32("expand " + quote(dir.path() / "CUT.TX_") + " " + quote(dir.path() / "OUT"));
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.out.find("cut short"), std::string::npos) << e.out;
    EXPECT_FALSE(fs::exists(dir.path() / "OUT"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1); // no temporary left
    EXPECT_EQ(zrva32("compress " + quote(dir.path() / "NONE") + " " + quote(dir.path() / "X")).status, 1);
    EXPECT_EQ(zrva32("compress onlyone").status, 2);
    EXPECT_EQ(zrva32("--help").status, 0);
    EXPECT_EQ(zrva32("frob").status, 2);
}

// Host paths are files on the authoring machine's Z:, the host's "/".
TEST(Zrva32, EncryptsAndDecryptsAScriptOnTheHost) {
    TempDir dir;
    const std::string machine = "--machine " + quote(dir.path() / "authoring") + " ";
    writeHost(dir.path() / "SETUP.SCR", "SET %A% = 1\nEXIT\n");
    Outcome e = zrva32(machine + "encrypt " + quote(dir.path() / "SETUP.SCR"));
    ASSERT_EQ(e.status, 0) << e.out;
    std::string enc = readHost(dir.path() / "SETUP.SCR");
    EXPECT_EQ(enc.substr(0, 4), std::string("\x00\x40\x00\x00", 4));
    EXPECT_EQ(enc.find("SET"), std::string::npos);
    Outcome again = zrva32(machine + "encrypt " + quote(dir.path() / "SETUP.SCR"));
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find("zrva32: Warning: The selected script file is already encrypted"), std::string::npos)
        << again.out;
    Outcome d = zrva32(machine + "decrypt " + quote(dir.path() / "SETUP.SCR") + " " + quote(dir.path() / "PLAIN.SCR"));
    ASSERT_EQ(d.status, 0) << d.out;
    EXPECT_EQ(readHost(dir.path() / "PLAIN.SCR"), "SET %A% = 1\r\nEXIT\r\n");
    EXPECT_EQ(readHost(dir.path() / "SETUP.SCR"), enc);
    EXPECT_EQ(zrva32(machine + "decrypt").status, 2);
}

} // namespace

namespace {

TEST(Cli, RunsAScriptHeadlessly) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    ASSERT_EQ(zrvx32("--machine " + quote(m) + " machine init").status, 0);
    writeHost(m / "drive_c" / "WINDOWS" / "ZRVX32.INI", "[Debug]\r\nDebug=1\r\nOutputTo=C:\\RUN.LOG\r\n");
    writeHost(m / "drive_c" / "APP" / "SETUP.SCR",
              "SET %N% = 40 + 2\r\n"
              "MESSAGEBOX(\"Install in %CURRENTDIRECTORY%?\", \"Setup\", MB_YESNO, MB_ICONQUESTION)\r\n"
              "SET %ANSWER% = %ERROR%\r\n"
              "DUMPVARIABLES()\r\n");
    writeHost(dir.path() / "answers.jsonl", "{\"kind\":\"messagebox\",\"text\":\"Install in*\",\"result\":\"IDNO\"}\n");
    fs::path transcript = dir.path() / "t.jsonl";
    Outcome run = zrvx32("--machine " + quote(m) + " --ui headless --answers " + quote(dir.path() / "answers.jsonl") +
                         " --transcript " + quote(transcript) + " 'C:\\APP\\SETUP' '/DIR:C:\\APP' p1 p2");
    EXPECT_EQ(run.status, 0) << run.out;
    std::string t = readHost(transcript);
    EXPECT_NE(t.find("\"text\":\"Install in C:\\\\APP\\\\?\""), std::string::npos) << t;
    EXPECT_NE(t.find("\"result\":7"), std::string::npos) << t;
    std::string log = readHost(m / "drive_c" / "RUN.LOG");
    EXPECT_NE(log.find("Running: 'C:\\APP\\SETUP'  Directory: 'C:\\APP'  Debug: ''  Params: 'p1 p2'\r\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("\nN=42\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\nANSWER=7\n"), std::string::npos);
    EXPECT_NE(log.find("\nPARAMETERS=p1 p2\n"), std::string::npos);
}

TEST(Cli, ExitStatusTellsHowTheRunEnded) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    ASSERT_EQ(zrvx32("--machine " + quote(m) + " machine init").status, 0);
    writeHost(m / "drive_c" / "BAD.SCR", "GOTO :NOWHERE\r\n");
    writeHost(m / "drive_c" / "TOK.SCR", "SET %A% = \"open\r\n");
    writeHost(m / "drive_c" / "SETUP.SCR", "SET %A% = 1\r\n");
    std::string base = "--machine " + quote(m) + " ";
    EXPECT_EQ(zrvx32(base + "'C:\\BAD.SCR'").status, 2);
    EXPECT_EQ(zrvx32(base + "'C:\\TOK.SCR'").status, 2);
    EXPECT_EQ(zrvx32(base + "'C:\\MISSING.SCR'").status, 3);
    EXPECT_EQ(zrvx32(base + "--").status, 0); // SETUP.SCR in the current directory, C:\ .
    EXPECT_EQ(zrvx32(base + "--ui curses x").status, 2);
    Outcome badDrive = zrvx32(base + "--drive A=" + quote(dir.path() / "none") + " --");
    EXPECT_EQ(badDrive.status, 2);
    EXPECT_NE(badDrive.out.find("--drive A="), std::string::npos) << badDrive.out; // the command line, not machine.ini
    Outcome noDisplay = zrvx32(base + "--ui qt 'C:\\SETUP.SCR'");
    EXPECT_EQ(noDisplay.status, 1);
    EXPECT_NE(noDisplay.out.find("--ui qt: no display is named"), std::string::npos) << noDisplay.out;
    // A display that is named but does not answer: headless with a warning,
    // or a clean failure when Qt was asked for.
    const std::string stale = "DISPLAY=:987 XDG_RUNTIME_DIR=/nonexistent ";
    Outcome fellBack = runCommand("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + stale + ZRVX32_PATH + " " + base +
                                  "'C:\\SETUP.SCR'");
    EXPECT_EQ(fellBack.status, 0) << fellBack.out;
    EXPECT_NE(fellBack.out.find("no X server answers on DISPLAY=:987; running headless"), std::string::npos)
        << fellBack.out;
    Outcome refused = runCommand("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + stale + ZRVX32_PATH + " " + base +
                                 "--ui qt 'C:\\SETUP.SCR'");
    EXPECT_EQ(refused.status, 1) << refused.out;
    EXPECT_NE(refused.out.find("--ui qt: no X server answers"), std::string::npos) << refused.out;
    EXPECT_EQ(zrvx32(base + "--record r.jsonl 'C:\\SETUP.SCR'").status, 1); // headless cannot record
    writeHost(dir.path() / "bad.jsonl", "{\"result\":\"IDMAYBE\"}\n");
    Outcome badAnswers = zrvx32(base + "--answers " + quote(dir.path() / "bad.jsonl") + " 'C:\\SETUP.SCR'");
    EXPECT_EQ(badAnswers.status, 1);
    EXPECT_NE(badAnswers.out.find("line 1"), std::string::npos) << badAnswers.out;
}

} // namespace

namespace {

// What a person at the terminal sees: each error report on stderr, a warning
// for a script saved with LF line ends, usage for no command at all.
TEST(Cli, FailuresAndWarningsAreShownOnTheTerminal) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    std::string base = "--machine " + quote(m) + " ";
    Outcome usage = zrvx32(base);
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.out.find("Usage: zrvx32"), std::string::npos) << usage.out;
    EXPECT_FALSE(fs::exists(m)); // nothing was made
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    Outcome missing = zrvx32Stderr(base + "'C:\\MISSING.SCR'");
    EXPECT_EQ(missing.status, 3);
    EXPECT_EQ(missing.out, "zrvx32: Error 52: Unable to find or open script file: C:\\MISSING.SCR\n");
    writeHost(m / "drive_c" / "BAD.SCR", "SET %A% = 1\r\nSET %A% = LEFT(\"abc\", \"x\")\r\n");
    Outcome bad = zrvx32Stderr(base + "'C:\\BAD.SCR'");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "zrvx32: Error 21 in line 2 of c:\\bad.scr, parameter 4: Invalid numeric parameter\n"
                       "  SET %A% = LEFT(\"abc\", \"x\")\n");
    writeHost(m / "drive_c" / "LF.SCR", "SET %A% = 1\nSET %B% = 2\n");
    Outcome lf = zrvx32Stderr(base + "--transcript " + quote(dir.path() / "t.jsonl") + " 'C:\\LF.SCR'");
    EXPECT_NE(lf.out.find("zrvx32: warning: C:\\LF.SCR has lines that end with LF alone"), std::string::npos)
        << lf.out;
    EXPECT_LT(lf.out.find("warning"), lf.out.find("Error")) << "the warning comes before the error it explains";
    EXPECT_NE(readHost(dir.path() / "t.jsonl").find("\"kind\":\"warning\""), std::string::npos);
}

// zrvx32 carries no Qt (and is linked statically where it can be): a Qt run
// goes to zrvx32-ui beside it, and without that program a Qt run fails
// cleanly, or runs headless with a warning when Qt was only the default.
TEST(Cli, AQtRunIsHandedToTheProgramWithQt) {
    Outcome libraries = runCommand("ldd " + std::string(ZRVX32_PATH) + " 2>&1");
    EXPECT_EQ(libraries.out.find("libQt6"), std::string::npos) << libraries.out;
    TempDir dir;
    fs::path m = dir.path() / "box";
    std::string base = "--machine " + quote(m) + " ";
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    writeHost(m / "drive_c" / "BOX.SCR", "MESSAGEBOX(\"Hello\", \"Setup\", MB_OK, MB_ICONINFORMATION)\r\n");
    fs::path transcript = dir.path() / "t.jsonl";
    const std::string offscreen = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen ";
    const std::string qtRun = base + "--ui qt --answers /dev/null --transcript " + quote(transcript) + " 'C:\\BOX.SCR'";
    Outcome qt = runCommand(offscreen + std::string(ZRVX32_PATH) + " " + qtRun);
    EXPECT_EQ(qt.status, 0) << qt.out;
    EXPECT_NE(readHost(transcript).find("\"text\":\"Hello\""), std::string::npos) << readHost(transcript);

    const fs::path alone = dir.path() / "alone" / "zrvx32";
    fs::create_directories(alone.parent_path());
    fs::copy_file(ZRVX32_PATH, alone);
    Outcome missing = runCommand(offscreen + quote(alone) + " " + qtRun);
    EXPECT_EQ(missing.status, 1) << missing.out;
    EXPECT_NE(missing.out.find("--ui qt: the Qt interface cannot be loaded: " + (alone.parent_path() / "zrvx32-ui").string() +
                               ": No such file or directory"),
              std::string::npos)
        << missing.out;
    Outcome fellBack = runCommand("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:0 " + quote(alone) + " " + base +
                                  "--answers /dev/null 'C:\\BOX.SCR'");
    EXPECT_EQ(fellBack.status, 0) << fellBack.out;
    EXPECT_NE(fellBack.out.find("the Qt interface cannot be loaded"), std::string::npos) << fellBack.out;
    EXPECT_NE(fellBack.out.find("running headless"), std::string::npos) << fellBack.out;
}

// --screen pins the screen scripts see; a bad size is the command line's fault.
TEST(Cli, ScreenSizeFromTheCommandLine) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    std::string base = "--machine " + quote(m) + " ";
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    writeHost(m / "drive_c" / "SCREEN.SCR", "GETSCREENWIDTH(%W%)\r\nGETSCREENHEIGHT(%H%)\r\n"
                                            "WRITEPRIVATEPROFILESTRING(\"S\", \"Size\", \"%W%x%H%\", \"C:\\S.INI\")\r\n");
    ASSERT_EQ(zrvx32(base + "'C:\\SCREEN.SCR'").status, 0);
    EXPECT_EQ(readHost(m / "drive_c" / "S.INI"), "[S]\r\nSize=800x600\r\n"); // machine.ini's
    ASSERT_EQ(zrvx32(base + "--screen 1280x1024 'C:\\SCREEN.SCR'").status, 0);
    EXPECT_EQ(readHost(m / "drive_c" / "S.INI"), "[S]\r\nSize=1280x1024\r\n");
    for (const char* bad : {"1280", "10x10", "axb", "1280x1024x"})
        EXPECT_EQ(zrvx32(base + "--screen " + bad + " 'C:\\SCREEN.SCR'").status, 2) << bad;
}

// Copy progress: a line per file with --progress, one updating line on a
// terminal, none with --quiet; a cancelled copy has its own exit status.
TEST(Cli, CopyProgressAndCancel) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    std::string base = "--machine " + quote(m) + " ";
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    for (const char* name : {"ONE.TXT", "TWO.TXT", "SIX.TXT"})
        writeHost(dir.path() / "disk" / name, std::string(2000, 'x'));
    writeHost(m / "drive_c" / "COPY.SCR", "MKDIR(\"C:\\OUT\")\r\nCOPYFILE(2)\r\n\"A:\\*.TXT\", \"C:\\OUT\\\"\r\nENDCOPYFILE()\r\n");
    const std::string run = base + "--disks " + quote(dir.path() / "disk") + " ";
    Outcome plain = zrvx32Stderr(run + "--progress 'C:\\COPY.SCR'");
    EXPECT_EQ(plain.status, 0) << plain.out;
    EXPECT_NE(plain.out.find("zrvx32: copied"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find("3 files, 0.0 MB"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find("A:\\TWO.TXT -> C:\\OUT\\TWO.TXT"), std::string::npos) << plain.out;
    EXPECT_EQ(zrvx32Stderr(run + "--progress --quiet 'C:\\COPY.SCR'").out, "");
    EXPECT_EQ(zrvx32Stderr(run + "'C:\\COPY.SCR'").out, ""); // no terminal, no --progress
    // Under a pseudo-terminal: one line, redrawn.
    Outcome tty = runCommand("script -qec " +
                             quote("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + std::string(ZRVX32_PATH) +
                                   " " + run + "'C:\\COPY.SCR' </dev/null") +
                             " /dev/null");
    EXPECT_EQ(tty.status, 0) << tty.out;
    EXPECT_NE(tty.out.find("\r\033[KCopying"), std::string::npos) << tty.out;
    EXPECT_EQ(tty.out.find("zrvx32: copied"), std::string::npos) << tty.out;
    writeHost(dir.path() / "cancel.jsonl", "{\"kind\":\"copy\",\"cancel\":2}\n");
    Outcome cancelled = zrvx32(run + "--answers " + quote(dir.path() / "cancel.jsonl") + " 'C:\\COPY.SCR' 2>&1");
    EXPECT_EQ(cancelled.status, 4) << cancelled.out;
    EXPECT_NE(cancelled.out.find("the copy was cancelled"), std::string::npos) << cancelled.out;
}

TEST(Cli, InstallFromADiskSetAndUninstallAgain) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    fs::path set = dir.path() / "set";
    std::string base = "--machine " + quote(m) + " ";
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    writeHost(set / "DISK1" / "SETUP.DAT", "Demo Application 1.0\r\nsecond line\r\n");
    writeHost(set / "DISK1" / "SETUP.SCR",
              "CHECKLABEL(\"A\", \"DISK1\", \"Insert disk 1\")\r\n"
              "IF %ERROR% != 1 GOTO :FAIL\r\n"
              "SET %APPLICATION% = \"Demo\"\r\n"
              "MKDIR(\"C:\\DEMO\")\r\n"
              "REGWRITESETTING(2, \"SOFTWARE\\Acme\\Demo\\Install\", \"Path\", \"C:\\DEMO\\\")\r\n"
              "MAKEGROUP(\"Demo\")\r\n"
              "MAKEICON(\"Demo\", \"C:\\DEMO\\DEMO.EXE\")\r\n"
              "OPENDEINSTALL(\"C:\\DEMO\\DEINST.SCR\")\r\n"
              "ADDDEINSTALL(\"$PMGROUP$\", \"DeleteGroup(^034Demo^034)\")\r\n"
              "ADDDEINSTALL(\"$DIRECTORIES$\", \"Delete(^034C:\\DEMO\\DEINST.SCR^034)\")\r\n"
              "ADDDEINSTALL(\"$DIRECTORIES$\", \"RmDir(^034C:\\DEMO^034)\")\r\n"
              "ADDDEINSTALL(\"$CLEANUP$\", \"RegDeleteSetting(2, ^034SOFTWARE\\Acme^034, ^034^034)\")\r\n"
              "ADDDEINSTALL(\"$CLEANUP$\", \"WriteProfileString(^034Demo^034, ^034^034, ^034^034, ^034ZRVUNI.INI^034)\")\r\n"
              "CLOSEDEINSTALL()\r\n"
              "WRITEPROFILESTRING(\"Demo\", \"DeInstallScript\", \"C:\\DEMO\\DEINST.SCR\", \"ZRVUNI.INI\")\r\n"
              "EXIT\r\n"
              ":FAIL\r\n"
              "GOTO :NOWHERE\r\n");
    fs::path snap = dir.path() / "before.snap";
    ASSERT_EQ(zrvx32(base + "machine snapshot " + quote(snap)).status, 0);
    fs::path transcript = dir.path() / "t.jsonl";
    Outcome inst = zrvx32(base + "--transcript " + quote(transcript) + " install " + quote(set));
    ASSERT_EQ(inst.status, 0) << inst.out << readHost(transcript);
    EXPECT_NE(inst.out.find("values written, 1 groups and 1 items made."), std::string::npos)
        << inst.out;
    EXPECT_EQ(inst.out.find("(0.0 KB)"), std::string::npos) << inst.out; // the files' bytes are counted
    EXPECT_NE(inst.out.find("De-install script for Demo: C:\\DEMO\\DEINST.SCR (zrvx32 uninstall \"Demo\" removes it)."),
              std::string::npos)
        << inst.out;
    EXPECT_NE(readHost(transcript).find("\"kind\":\"setupdat\",\"name\":\"SETUP.DAT\",\"title\":\"Setup\",\"text\":\"Demo Application 1.0\""),
              std::string::npos);
    Outcome groups = zrvx32(base + "machine groups");
    EXPECT_NE(groups.out.find("Demo -> C:\\DEMO\\DEMO.EXE"), std::string::npos) << groups.out;

    Outcome uninst = zrvx32(base + "uninstall Demo");
    ASSERT_EQ(uninst.status, 0) << uninst.out;
    EXPECT_NE(uninst.out.find("De-installed Demo with C:\\DEMO\\DEINST.SCR"), std::string::npos) << uninst.out;
    Outcome diff = zrvx32(base + "machine diff " + quote(snap));
    ASSERT_EQ(diff.status, 0);
    // What stays: the shared data-access-objects directory and its registry value,
    // which every run of the interpreter registers, and ZRVUNI.INI.
    std::istringstream lines(diff.out);
    std::string line;
    while (std::getline(lines, line)) {
        bool expected = line.find("Common Files") != std::string::npos || line.find("Shared Tools") != std::string::npos ||
                        line.find("ZRVUNI.INI") != std::string::npos;
        EXPECT_TRUE(expected) << line;
    }
    EXPECT_EQ(zrvx32(base + "uninstall Demo").status, 1);
    EXPECT_EQ(zrvx32(base + "install " + quote(dir.path() / "nothing")).status, 1);
}

} // namespace

namespace {

TEST(Cli, ADiskChangerInsertsTheDiskAPromptAsksFor) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    std::string base = "--machine " + quote(m) + " ";
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    writeHost(dir.path() / "first" / "ONE.TXT", "one");
    writeHost(dir.path() / "second" / "TWO.TXT", "two");
    writeHost(m / "drive_c" / "RUN.SCR",
              "CHECKLABEL(\"A\", \"SECOND\", \"Insert the second disk\")\r\n"
              "SET %SECOND% = %ERROR%\r\n"
              "COPYFILE(\"A:\\TWO.TXT\", \"C:\\\")\r\n"
              "CHECKLABEL(\"A\", \"FIRST\", \"Insert the first disk\")\r\n"
              "SET %FIRST% = %ERROR%\r\n"
              "COPYFILE(\"A:\\ONE.TXT\", \"C:\\\")\r\n"
              "CHECKLABEL(\"A\", \"THIRD\", \"Insert the third disk\")\r\n"
              "SET %THIRD% = %ERROR%\r\n"
              "DUMPVARIABLES()\r\n");
    writeHost(m / "drive_c" / "WINDOWS" / "ZRVX32.INI", "[Debug]\r\nDebug=1\r\nOutputTo=C:\\RUN.LOG\r\n");
    // The first disk is named by its folder ("first/" too), the second by its label.
    Outcome run = zrvx32(base + "--disks " + quote(dir.path() / "first/") + " --disks " +
                         quote(dir.path() / "second") + ",label=SECOND 'C:\\RUN.SCR'");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(readHost(m / "drive_c" / "TWO.TXT"), "two");
    EXPECT_EQ(readHost(m / "drive_c" / "ONE.TXT"), "one");
    std::string log = readHost(m / "drive_c" / "RUN.LOG");
    EXPECT_NE(log.find("\nSECOND=1\n"), std::string::npos) << log; // IDOK
    EXPECT_NE(log.find("\nFIRST=1\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\nTHIRD=2\n"), std::string::npos) << log; // no such disk: Cancel
    EXPECT_EQ(zrvx32(base + "--disks " + quote(dir.path() / "first") + ",label=TWELVECHARSX 'C:\\RUN.SCR'").status, 2);
    EXPECT_EQ(zrvx32(base + "--disks " + quote(dir.path() / "none") + " 'C:\\RUN.SCR'").status, 2);
}

TEST(Cli, InstallsFromTwoDisksWithASplitFile) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    fs::path set = dir.path() / "set";
    std::string base = "--machine " + quote(m) + " ";
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    std::string app(40000, 'a');
    for (std::size_t i = 0; i < app.size(); i += 7)
        app[i] = static_cast<char>('0' + i % 10);
    writeHost(set / "DISK1" / "DISK01", "");
    writeHost(set / "DISK1" / "APP.EX_", *zrv::szddCompress(app, 'E'));
    writeHost(set / "DISK1" / "BIG.001", std::string(3000, '1'));
    writeHost(set / "DISK2" / "DISK02", "");
    writeHost(set / "DISK2" / "BIG.002", std::string(2000, '2'));
    writeHost(set / "DISK1" / "SETUP.SCR",
              "MKDIR(\"C:\\APP\")\r\n"
              "COPYFILE(3)\r\n"
              "\"A:\\APP.EX_\", \"C:\\APP\\APP.EXE\", \"The program\"\r\n"
              "\"A:\\BIG.001\", \"C:\\APP\\BIG.DAT\", 0, 0\r\n"
              "CHECKEXISTS(\"A:\\DISK02\", \"Please insert the diskette labelled 'DISK02'\")\r\n"
              "IF %ERROR% != IDOK GOTO :EXIT\r\n"
              "\"A:\\BIG.002\", \"C:\\APP\\BIG.DAT\", 0, 1\r\n"
              "ENDCOPYFILE()\r\n"
              "WRITEPRIVATEPROFILESTRING(\"Install\", \"Path\", \"C:\\APP\", \"APP.INI\")\r\n"
              "WRITEMULTIPROFILESTRING(\"386Enh\", \"device\", \"C:\\APP\\APP.386\", \"SYSTEM.INI\")\r\n"
              "CHANGECONFIG(\"C:\\CONFIG.SYS\", 40, 30, %BACKUP%, %COUNT%, 1)\r\n"
              "SET %DONE% = 1\r\n"
              ":EXIT\r\n");
    fs::path transcript = dir.path() / "t.jsonl";
    Outcome inst = zrvx32(base + "--transcript " + quote(transcript) + " install " + quote(set));
    ASSERT_EQ(inst.status, 0) << inst.out << readHost(transcript);
    fs::path c = m / "drive_c";
    EXPECT_TRUE(readHost(c / "APP" / "APP.EXE") == app);
    EXPECT_EQ(readHost(c / "APP" / "BIG.DAT"), std::string(3000, '1') + std::string(2000, '2'));
    EXPECT_NE(readHost(c / "WINDOWS" / "APP.INI").find("Path=C:\\APP"), std::string::npos);
    EXPECT_NE(readHost(c / "WINDOWS" / "SYSTEM.INI").find("device=C:\\APP\\APP.386\r\n"), std::string::npos);
    EXPECT_EQ(readHost(c / "CONFIG.SYS"), "DEVICE=C:\\WINDOWS\\HIMEM.SYS\r\nFILES=40\r\nBUFFERS=30\r\n");
    EXPECT_TRUE(fs::exists(c / "CONFIG.001"));
    std::string t = readHost(transcript);
    EXPECT_NE(t.find("\"kind\":\"disk\",\"name\":\"A:\",\"title\":\"\",\"text\":\"DISK2\""), std::string::npos) << t;
    EXPECT_EQ(t.find("\"kind\":\"prompt\""), std::string::npos) << t;
    std::size_t transfers = 0;
    for (std::size_t at = 0; (at = t.find("\"kind\":\"transfer\"", at)) != std::string::npos; ++at)
        ++transfers;
    EXPECT_EQ(transfers, 3u);
    // Without the second disk the prompt cannot be answered: Cancel, and the script goes to :EXIT.
    fs::remove_all(set / "DISK2");
    fs::path m2 = dir.path() / "box2";
    ASSERT_EQ(zrvx32("--machine " + quote(m2) + " machine init").status, 0);
    Outcome half = zrvx32("--machine " + quote(m2) + " --transcript " + quote(transcript) + " install " + quote(set));
    EXPECT_EQ(half.status, 0) << half.out;
    EXPECT_NE(readHost(transcript).find("\"kind\":\"prompt\""), std::string::npos);
    EXPECT_FALSE(fs::exists(m2 / "drive_c" / "WINDOWS" / "APP.INI"));
}

} // namespace

namespace {

std::string appScript(const std::string& app) {
    std::string a = app, dir = "C:\\" + app;
    auto q = [](const std::string& t) { return "^034" + t + "^034"; };
    return "SET %APPLICATION% = \"" + a + "\"\r\n"
           "SETSHAREDREGISTRY(\"Acme\", \"" + a + "\", \"" + a + ".INI\")\r\n"
           "MKDIR(\"" + dir + "\")\r\n"
           "COPYFILE(3)\r\n"
           "\"A:\\" + a + ".EXE\", \"" + dir + "\\" + a + ".EXE\"\r\n"
           "\"A:\\SHARED.DLL\", \"C:\\WINDOWS\\SYSTEM\\SHARED.DLL\"\r\n"
           "\"A:\\CTL.OCX\", \"C:\\WINDOWS\\SYSTEM\\CTL.OCX\"\r\n"
           "ENDCOPYFILE()\r\n"
           "REGISTER(\"C:\\WINDOWS\\SYSTEM\\SHARED.DLL\")\r\n"
           "REGISTER(\"C:\\WINDOWS\\SYSTEM\\CTL.OCX\")\r\n"
           "DLLSELFREGISTER(\"C:\\WINDOWS\\SYSTEM\\CTL.OCX\")\r\n"
           "REGWRITESETTING(2, \"SOFTWARE\\Acme\\" + a + "\\Install\", \"Path\", \"" + dir + "\\\")\r\n"
           "WRITEPRIVATEPROFILESTRING(\"Settings\", \"Color\", \"Blue\", \"" + a + ".INI\")\r\n"
           "MAKEGROUP(\"" + a + "\")\r\n"
           "MAKEICON(\"" + a + "\", \"" + dir + "\\" + a + ".EXE\")\r\n"
           "OPENDEINSTALL(\"" + dir + "\\DEINST.SCR\")\r\n"
           "ADDDEINSTALL(\"$STARTUP$\", \"SETSHAREDREGISTRY(" + q("Acme") + ", " + q(a) + ", " + q(a + ".INI") + ")\")\r\n"
           "ADDDEINSTALL(\"$OLEUNREGISTER$\", \"GETREGISTRYCOUNT(" + q("C:\\WINDOWS\\SYSTEM\\CTL.OCX") + ")\")\r\n"
           "ADDDEINSTALL(\"$OLEUNREGISTER$\", \"IF ^037ERROR^037 <= 1 DLLSELFUNREGISTER(" + q("C:\\WINDOWS\\SYSTEM\\CTL.OCX") + ")\")\r\n"
           "ADDDEINSTALL(\"$FILES$\", \"DELETE(" + q(dir + "\\" + a + ".EXE") + ")\")\r\n"
           "ADDDEINSTALL(\"$FILES$\", \"UNREGISTER(" + q("C:\\WINDOWS\\SYSTEM\\SHARED.DLL") + ")\")\r\n"
           "ADDDEINSTALL(\"$FILES$\", \"UNREGISTER(" + q("C:\\WINDOWS\\SYSTEM\\CTL.OCX") + ")\")\r\n"
           "ADDDEINSTALL(\"$PMGROUP$\", \"DELETEGROUP(" + q(a) + ")\")\r\n"
           "ADDDEINSTALL(\"$DIRECTORIES$\", \"DELETE(" + q(dir + "\\DEINST.SCR") + ")\")\r\n"
           "ADDDEINSTALL(\"$DIRECTORIES$\", \"RMDIR(" + q(dir) + ")\")\r\n"
           "ADDDEINSTALL(\"$CLEANUP$\", \"REGDELETESETTING(2, " + q("SOFTWARE\\Acme\\" + a) + ", " + q("") + ")\")\r\n"
           "ADDDEINSTALL(\"$CLEANUP$\", \"WRITEPRIVATEPROFILESTRING(" + q("Settings") + ", " + q("") + ", " + q("") + ", " + q(a + ".INI") + ")\")\r\n"
           "ADDDEINSTALL(\"$CLEANUP$\", \"WRITEPROFILESTRING(" + q(a) + ", " + q("") + ", " + q("") + ", " + q("ZRVUNI.INI") + ")\")\r\n"
           "CLOSEDEINSTALL()\r\n"
           "WRITEPROFILESTRING(\"" + a + "\", \"DeInstallScript\", \"" + dir + "\\DEINST.SCR\", \"ZRVUNI.INI\")\r\n";
}

class TwoApplications : public ::testing::TestWithParam<bool> {};

TEST_P(TwoApplications, ShareADllAndLeaveNothingButTheDocumentedLeftovers) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    std::string base = "--machine " + quote(m) + " ";
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    for (const char* app : {"APPA", "APPB"}) {
        fs::path set = dir.path() / app;
        writeHost(set / "SETUP.SCR", appScript(app));
        writeHost(set / (std::string(app) + ".EXE"), std::string("MZ program ") + app);
        writeHost(set / "SHARED.DLL", fakePe(true) + "shared");
        writeHost(set / "CTL.OCX", fakePe(true) + "control");
    }
    fs::path snap = dir.path() / "before.snap";
    ASSERT_EQ(zrvx32(base + "machine snapshot " + quote(snap)).status, 0);
    ASSERT_EQ(zrvx32(base + "install " + quote(dir.path() / "APPA")).status, 0);
    ASSERT_EQ(zrvx32(base + "install " + quote(dir.path() / "APPB")).status, 0);
    fs::path c = m / "drive_c" / "WINDOWS" / "SYSTEM";
    EXPECT_TRUE(fs::exists(c / "SHARED.DLL"));
    Outcome reg = zrvx32(base + "machine reg export 'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls'");
    // Each script registers after copying, so the first install finds the file
    // already there without a count (one user) and adds itself: 2, then 3.
    EXPECT_NE(reg.out.find("\"C:\\\\WINDOWS\\\\SYSTEM\\\\SHARED.DLL\"=dword:00000003"), std::string::npos) << reg.out;

    bool aFirst = GetParam();
    const char* first = aFirst ? "APPA" : "APPB";
    const char* second = aFirst ? "APPB" : "APPA";
    ASSERT_EQ(zrvx32(base + "uninstall " + first).status, 0);
    EXPECT_TRUE(fs::exists(c / "SHARED.DLL")); // still used by the other one
    EXPECT_TRUE(fs::exists(c / "CTL.OCX"));
    Outcome still = zrvx32(base + "machine reg export 'HKLM\\SOFTWARE\\ZRV\\Machine\\SelfRegistered'");
    EXPECT_NE(still.out.find("CTL.OCX"), std::string::npos) << still.out;
    ASSERT_EQ(zrvx32(base + "uninstall " + second).status, 0);
    // The user counted for the file found on the disk is never removed by
    // either de-install, so the shared files stay with one user.
    EXPECT_TRUE(fs::exists(c / "SHARED.DLL"));
    EXPECT_FALSE(fs::exists(m / "drive_c" / "APPA"));
    EXPECT_FALSE(fs::exists(m / "drive_c" / "APPB"));
    Outcome after = zrvx32(base + "machine reg export 'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls'");
    EXPECT_NE(after.out.find("SHARED.DLL\"=dword:00000001"), std::string::npos) << after.out;

    // What stays, as the commands define it: the shared data-access-objects
    // directory and value every run registers; the emptied INI files (removing a
    // section keeps its file); the company key above the application keys; the
    // emptied key of self-registered controls; the shared files with their one
    // remaining user.
    Outcome diff = zrvx32(base + "machine diff " + quote(snap));
    EXPECT_NE(diff.out.find("SHARED.DLL"), std::string::npos) << diff.out;
    // Sizes, dates and attribute letters as people read them; --json keeps the raw values.
    EXPECT_NE(diff.out.find("bytes, 20"), std::string::npos) << diff.out;
    EXPECT_EQ(diff.out.find("hash="), std::string::npos) << diff.out;
    EXPECT_NE(zrvx32(base + "machine diff " + quote(snap) + " --json").out.find("hash="), std::string::npos);
    std::istringstream lines(diff.out);
    std::string line;
    while (std::getline(lines, line)) {
        bool documented = line.find("Common Files") != std::string::npos || line.find("Shared Tools") != std::string::npos ||
                          line.find("\\ZRVUNI.INI") != std::string::npos || line.find("\\APPA.INI") != std::string::npos ||
                          line.find("\\APPB.INI") != std::string::npos ||
                          line.find("HKEY_USERS\\.DEFAULT\\Software\\Acme") != std::string::npos ||
                          line.find("SHARED.DLL") != std::string::npos || line.find("CTL.OCX") != std::string::npos ||
                          line.find("SharedDlls") != std::string::npos ||
                          line.find("HKEY_LOCAL_MACHINE\\SOFTWARE\\ZRV") != std::string::npos;
        EXPECT_TRUE(documented) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, TwoApplications, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "FirstInstalledFirstRemoved" : "LastInstalledFirstRemoved"; });

} // namespace

namespace {

TEST(Cli, UninstallRunsADeInstallScriptInAFolderWithBlanks) {
    // The interpreter's command line splits at blanks: the script runs from a
    // copy, which goes afterwards, and can remove its own folder.
    TempDir dir;
    fs::path m = dir.path() / "box";
    std::string base = "--machine " + quote(m) + " ";
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    fs::path c = m / "drive_c";
    writeHost(c / "My Apps" / "APP.TXT", "app");
    writeHost(c / "My Apps" / "DE INST.SCR", "Delete(\"C:\\My Apps\\APP.TXT\")\r\n"
                                           "Delete(\"C:\\My Apps\\DE INST.SCR\")\r\n"
                                           "RmDir(\"C:\\My Apps\")\r\n");
    writeHost(c / "WINDOWS" / "ZRVUNI.INI", "[App]\r\nDeInstallScript=C:\\My Apps\\DE INST.SCR\r\n");
    Outcome uninst = zrvx32(base + "uninstall App");
    ASSERT_EQ(uninst.status, 0) << uninst.out;
    EXPECT_FALSE(fs::exists(c / "My Apps")) << uninst.out;
    EXPECT_EQ(uninst.out.find("TEMP"), std::string::npos) << uninst.out; // the copy is not a change
    std::size_t left = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(c / "WINDOWS" / "TEMP"))
        ++left;
    EXPECT_EQ(left, 0u);
}

TEST(Cli, UninstallRefusesWhatZrvuniIniCannotName) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    std::string base = "--machine " + quote(m) + " ";
    ASSERT_EQ(zrvx32(base + "machine init").status, 0);
    fs::path ini = m / "drive_c" / "WINDOWS" / "ZRVUNI.INI";
    // Missing, then damaged: a clear failure and the file as it was.
    Outcome missing = zrvx32(base + "uninstall App");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("App is not installed"), std::string::npos) << missing.out;
    std::string damaged = std::string("\xff\xfe[App\0\r\nDeInstallScript\r\n=\x01\x02", 28) + std::string(20000, '[');
    writeHost(ini, damaged);
    EXPECT_EQ(zrvx32(base + "uninstall App").status, 1);
    EXPECT_EQ(readHost(ini), damaged);
    // A script named outside the machine, or not there, is never run.
    writeHost(ini, "[App]\r\nDeInstallScript=C:\\..\\..\\..\\..\\etc\\passwd\r\n");
    Outcome outside = zrvx32(base + "uninstall App");
    EXPECT_EQ(outside.status, 1);
    EXPECT_NE(outside.out.find("missing"), std::string::npos) << outside.out;
}

} // namespace

// An install with its own screens: a backdrop, a cue card, a dialog with every
// control type, and the built-in dialogs, answered from a file.
TEST(Cli, AnInstallWithItsOwnScreensAndTheBuiltInDialogs) {
    TempDir dir;
    fs::path m = dir.path() / "box";
    ASSERT_EQ(zrvx32("--machine " + quote(m) + " machine init").status, 0);
    // A 2 x 1 bitmap of 24 bits per pixel.
    std::string bmp = "BM";
    auto le = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bmp += static_cast<char>(i < 4 ? v >> (8 * i) : 0);
    };
    le(62, 4), le(0, 4), le(54, 4), le(40, 4), le(2, 4), le(1, 4), le(1, 2), le(24, 2), le(0, 4), le(0, 4);
    le(0, 16), le(0xFF0000, 3), le(0x00FF00, 3), le(0, 2);
    writeHost(m / "drive_c" / "DISK1" / "LOGO.BMP", bmp);
    writeHost(m / "drive_c" / "DISK1" / "README.TXT", "read me\r\n");
    writeHost(m / "drive_c" / "DISK1" / "SETUP.SCR",
              "SET %CAPTION% = \"Acme Tools\"\r\n"
              "CREATEBACKDROP(\"Screen\")\r\n"
              "CREATECONTROL(\"bitmap\", \"C:\\DISK1\\LOGO.BMP\", 0, 0, 0, 0, 0, 1048576)\r\n"
              "CREATECONTROL(\"text\", \"#CAPTION#\", 0, 0, 8, 0, 0, 524288, \"Arial\", -24, 2, 16777215, 0)\r\n"
              "CREATECONTROL(\"colourblock\", \"\", 0, 0, 0, 100, 4, 65536, 255)\r\n"
              "CREATECONTROL(\"icon\", \"SETUP\", 0, 8, 8, 0, 0, 0)\r\n"
              "ENDOBJECT()\r\n"
              "SHOWBACKDROP(\"Screen\")\r\n"
              "CREATECUECARD(\"Hint\", 20, 20, 120, 40, 3)\r\n"
              "CREATECONTROL(\"text\", \"Choose|your options\", 0, 8, 0, 0, 0, 65536, \"Arial\", -11, 0, 0, 0)\r\n"
              "CREATECONTROL(\"groupbox\", \"\", 1, 0, 0, 10, 10, 0)\r\n"
              "ENDOBJECT()\r\n"
              "SHOWCUECARD(\"Hint\")\r\n"
              "SET %TYPE% = \"Compact\"\r\n"
              "CREATEDIALOG(\"Options\", \"#CAPTION# Options\", 0, 0, 220, 160)\r\n"
              "CREATECONTROL(\"text\", \"Name:\", 0, 8, 8, 0, 0, 0, \"MS Sans Serif\", -11, 0, 0, 0)\r\n"
              "CREATECONTROL(\"edit\", \"\", 50, 40, 6, 100, 12, 0, %USER%, 20)\r\n"
              "CREATECONTROL(\"groupbox\", \"Parts\", 51, 4, 24, 212, 50, 0)\r\n"
              "CREATECONTROL(\"checkbox\", \"Help files\", 52, 10, 34, 90, 12, 0, %HELP%)\r\n"
              "CREATECONTROL(\"radiobutton\", \"Samples\", 53, 10, 50, 90, 12, 0, %SAMPLES%)\r\n"
              "CREATECONTROL(\"listbox\", \"Typical|Compact|Custom\", 54, 110, 34, 100, 36, 0, %TYPE%)\r\n"
              "CREATECONTROL(\"combobox\", \"English|French\", 55, 10, 80, 90, 40, 0, %LANG%)\r\n"
              "CREATECONTROL(\"droplist\", \"\", 56, 110, 80, 100, 40, 0, %GROUP%)\r\n"
              "ADDLISTITEM(\"Options\", 56, \"Acme\")\r\n"
              "CREATECONTROL(\"icon\", \"DISK01\", 57, 190, 4, 0, 0, 0)\r\n"
              "CREATECONTROL(\"bitmap\", \"C:\\DISK1\\LOGO.BMP\", 0, 8, 100, 0, 0, 0)\r\n"
              "CREATECONTROL(\"colourblock\", \"\", 0, 8, 120, 40, 4, 0, 8421504)\r\n"
              "CREATECONTROL(\"button\", \"OK\", IDOK, 60, 140, 45, 14, 1)\r\n"
              "CREATECONTROL(\"button\", \"Cancel\", IDCANCEL, 115, 140, 45, 14, 0)\r\n"
              "SETFOCUS(50)\r\n"
              "CENTREDIALOG()\r\n"
              "ENDOBJECT()\r\n"
              "ADDLISTITEM(\"Options\", 56, \"Tools\")\r\n"
              "SET %MESSAGE1% = \"Welcome to the Acme Tools installation.\"\r\n"
              "DIALOGBOX(\"Welcome\")\r\n"
              "IF %ERROR% != 1 GOTO :EXIT\r\n"
              "DIALOGBOX(\"Options\")\r\n"
              "SET %OPTIONS% = %ERROR%\r\n"
              "SET %INSTALLPATH% = \"C:\\ACME\"\r\n"
              "DIALOGBOX(\"AskPath\")\r\n"
              "SHOWCUECARD(\"\")\r\n"
              "SHOWWAITMESSAGE(\"Copying files|Please wait\")\r\n"
              "MKDIR(\"%INSTALLPATH%\")\r\n"
              "COPYFILE(\"C:\\DISK1\\README.TXT\", \"%INSTALLPATH%\\README.TXT\")\r\n"
              "HIDEWAITMESSAGE()\r\n"
              "SET %MESSAGE1% = \"Done.\"\r\n"
              "DIALOGBOX(\"OkBox\")\r\n"
              "DESTROYOBJECT(\"Screen\")\r\n"
              ":EXIT\r\n");
    writeHost(dir.path() / "answers.jsonl",
              "{\"kind\":\"dialog\",\"name\":\"OPTIONS\",\"variables\":{\"USER\":\"Ann\",\"HELP\":\"1\"},"
              "\"controls\":{\"54\":\"custom\",\"56\":\"Tools\"}}\n"
              "{\"kind\":\"dialog\",\"name\":\"ASKPATH\",\"controls\":{\"50\":\" C:\\\\ACME\\\\TOOLS \"}}\n");
    fs::path transcript = dir.path() / "t.jsonl";
    Outcome run = zrvx32("--machine " + quote(m) + " --answers " + quote(dir.path() / "answers.jsonl") +
                         " --transcript " + quote(transcript) + " 'C:\\DISK1\\SETUP.SCR'");
    ASSERT_EQ(run.status, 0) << run.out;
    std::string t = readHost(transcript);
    auto has = [&](const std::string& part) { return t.find(part) != std::string::npos; };
    // The backdrop: the tiled bitmap, the centred shadowed title, a red bar at the bottom.
    EXPECT_TRUE(has("\"bitmap 0 0,0,800,582 tiled\"")) << t;
    EXPECT_TRUE(has("\"text 346,10,456,34 #000000 Acme Tools\"")) << t; // x (800 - 110 - 2) / 2, shadow 2 on
    EXPECT_TRUE(has("\"fill 0,577,100,581 #0000FF\"")) << t;
    EXPECT_TRUE(has("{\"name\":\"SETUP\",\"x\":8,\"y\":8}"));
    // The cue card, its five-pixel border and its two-line text at the bottom.
    EXPECT_TRUE(has("\"kind\":\"cuecard\",\"name\":\"Hint\""));
    EXPECT_TRUE(has("\"fill 0,0,120,1 #808040\""));
    EXPECT_TRUE(has("#000000 Choose\\nyour options\""));
    // The dialog: every window control with its rectangle, the painted ones as operations.
    EXPECT_TRUE(has("\"title\":\"Acme Tools Options\""));
    EXPECT_TRUE(has("{\"type\":\"edit\",\"id\":50,\"rect\":[60,10,210,29],\"text\":\"Ann\"}")) << t;
    EXPECT_TRUE(has("{\"type\":\"combobox\",\"id\":56,\"rect\":[165,130,315,195],\"text\":\"Acme|Tools\",\"value\":\"Tools\"}"));
    EXPECT_TRUE(has("{\"type\":\"static\",\"id\":57,"));
    EXPECT_TRUE(has("\"variables\":{\"USER\":\"Ann\",\"HELP\":\"1\",\"SAMPLES\":\"0\",\"TYPE\":\"Custom\","
                    "\"LANG\":\"\",\"GROUP\":\"Tools\"}"))
        << t;
    EXPECT_TRUE(has("\"bitmap 0 12,163,14,164\""));
    EXPECT_TRUE(has("\"kind\":\"waitmessage\",\"name\":\"\",\"title\":\"Acme Tools\",\"text\":\"Copying files\\nPlease wait\""));
    EXPECT_TRUE(has("\"name\":\"OKBOX\""));
    EXPECT_TRUE(has("\"kind\":\"backdrop\",\"name\":\"\",\"title\":\"Acme Tools\",\"text\":\"hidden\""));
    // And what the answers decided: the install path, the copy.
    EXPECT_EQ(readHost(m / "drive_c" / "ACME" / "TOOLS" / "README.TXT"), "read me\r\n");
}

// Runs on one machine at the same time: one changes it at a time, so no entry,
// value or count of another is lost.
TEST(Cli, ParallelRunsLoseNothing) {
    TempDir dir;
    const fs::path m = dir.path() / "box";
    ASSERT_EQ(zrvx32("--machine " + quote(m) + " machine init").status, 0);
    writeHost(m / "drive_c" / "P.SCR",
              "SET %I% = 0\r\n:LOOP\r\n"
              "WRITEPRIVATEPROFILESTRING(\"Runs\", \"%PARAMETERS%%I%\", \"1\", \"C:\\RUNS.INI\")\r\n"
              "REGWRITESETTING(2, \"SOFTWARE\\Runs\", \"%PARAMETERS%%I%\", \"1\")\r\n"
              "SET %I% = %I% + 1\r\nIF %I% < 100 GOTO :LOOP\r\n"
              "SETSHAREDREGISTRY(\"Acme\", \"%PARAMETERS%\", \"X.INI\")\r\n"
              "REGISTER(\"C:\\WINDOWS\\SYSTEM\\SHARED.DLL\")\r\n");
    std::string line;
    for (const char* run : {"A", "B", "C", "D"})
        line += "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + std::string(ZRVX32_PATH) + " --machine " +
                quote(m) + " 'C:\\P.SCR' " + run + " & ";
    Outcome all = runCommand("(" + line + "wait)");
    const std::string ini = slurp(m / "drive_c" / "RUNS.INI");
    int entries = 0;
    for (std::size_t at = 0; (at = ini.find("=1\r\n", at)) != std::string::npos; at += 4)
        ++entries;
    EXPECT_EQ(entries, 400) << all.out;
    Outcome reg = zrvx32("--machine " + quote(m) + " machine reg export 'HKCU\\SOFTWARE\\Runs'");
    int values = 0;
    for (std::size_t at = 0; (at = reg.out.find("=\"1\"", at)) != std::string::npos; at += 4)
        ++values;
    EXPECT_EQ(values, 400);
    Outcome shared = zrvx32("--machine " + quote(m) +
                            " machine reg export 'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls'");
    EXPECT_NE(shared.out.find("\"C:\\\\WINDOWS\\\\SYSTEM\\\\SHARED.DLL\"=dword:00000004"), std::string::npos)
        << shared.out;
}

// A run that finds the machine held waits, saying so, and gives up after --wait.
TEST(Cli, ARunWaitsForTheMachine) {
    TempDir dir;
    const fs::path m = dir.path() / "box";
    ASSERT_EQ(zrvx32("--machine " + quote(m) + " machine init").status, 0);
    writeHost(m / "drive_c" / "S.SCR", "SET %A% = 1\r\n");
    auto machine = Machine::open(m);
    ASSERT_TRUE(machine.ok());
    {
        auto held = (*machine)->lockChanges(std::chrono::milliseconds(0), {});
        ASSERT_TRUE(held.ok());
        Outcome gaveUp = zrvx32("--machine " + quote(m) + " --wait 1 'C:\\S.SCR'");
        EXPECT_EQ(gaveUp.status, 1);
        EXPECT_NE(gaveUp.out.find("zrvx32: Another installation is in progress on this machine. Waiting up to 1 "
                                  "seconds"),
                  std::string::npos)
            << gaveUp.out;
        EXPECT_NE(gaveUp.out.find("Gave up after 1 seconds"), std::string::npos) << gaveUp.out;
        // Read-only commands do not wait; a registry import does.
        EXPECT_EQ(zrvx32("--machine " + quote(m) + " --wait 0 machine show").status, 0);
        writeHost(dir.path() / "x.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n");
        EXPECT_EQ(zrvx32("--machine " + quote(m) + " --wait 0 machine reg import " + quote(dir.path() / "x.reg")).status,
                  1);
    }
    // Held by a process that dies: the kernel lets go, and the run goes on.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto mine = Machine::open(m);
        auto held = mine ? (*mine)->lockChanges(std::chrono::milliseconds(0), {})
                         : zrv::Result<zrv::UniqueFd>(zrv::fail(zrv::WinError::AccessDenied, "no machine"));
        if (held)
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
        ::_exit(0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Outcome waited = zrvx32("--machine " + quote(m) + " --wait 30 'C:\\S.SCR'");
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(waited.status, 0) << waited.out;
    EXPECT_NE(waited.out.find("Another installation is in progress"), std::string::npos) << waited.out;
}

namespace {

// The debugger as people and CI meet it: on a terminal (a pseudo-terminal
// that `script` makes), and unattended from an answer file.
TEST(Cli, DebuggingOnATerminalAndUnattended) {
    TempDir dir;
    const fs::path m = dir.path() / "box";
    ASSERT_EQ(zrvx32("--machine " + quote(m) + " machine init").status, 0);
    writeHost(m / "drive_c" / "S.SCR", "SET %A% = 1\r\nSET %B% = 2\r\nSET %C% = 3\r\nSET %D% = 4\r\n");
    const std::string run = std::string(ZRVX32_PATH) + " --machine " + quote(m) + " 'C:\\S.SCR' /DEBUG:C:\\S.DDB";
    Outcome tty = runCommand("printf 's\\nb 4\\nr\\nr\\n' | env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                             "script -qec \"" + run + "\" /dev/null");
    EXPECT_EQ(tty.status, 0) << tty.out;
    for (const char* seen : {"Debug - C:\\S.SCR   line 1 of 4", "=> 0002  SET %B% = 2", "breakpoint set at line 4",
                             "*> 0004  SET %D% = 4"})
        EXPECT_NE(tty.out.find(seen), std::string::npos) << seen << "\n---\n" << tty.out;

    // Unattended: the breakpoint kept in S.DDB stops the run again; the answer
    // file steps there, and the transcript records each stop.
    writeHost(dir.path() / "answers", "{\"kind\":\"debug\",\"line\":4,\"result\":\"cancel\"}\n");
    Outcome ci = zrvx32("--machine " + quote(m) + " --answers " + quote(dir.path() / "answers") + " --transcript " +
                        quote(dir.path() / "t.json") + " 'C:\\S.SCR' /DEBUG:C:\\S.DDB");
    EXPECT_EQ(ci.status, 0) << ci.out;
    const std::string t = slurp(dir.path() / "t.json");
    EXPECT_NE(t.find("\"kind\":\"debug\",\"name\":\"C:\\\\S.SCR\""), std::string::npos) << t;
    EXPECT_NE(t.find("\"line\":4,\"parameters\":[\"D = ''\",\"4\"]"), std::string::npos) << t;
    EXPECT_NE(t.find("\"answer\":\"cancel\""), std::string::npos) << t;
}

} // namespace
