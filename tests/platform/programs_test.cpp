#include "platform/shell/programs.h"

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

TEST(CommandLines, SplitLikeWindows) {
    EXPECT_EQ(splitCommandLine("A.EXE /s  x"), (std::vector<std::string>{"A.EXE", "/s", "x"}));
    EXPECT_EQ(splitCommandLine("\"C:\\Program Files\\A.EXE\" \"two words\" x\"y z\""),
              (std::vector<std::string>{"C:\\Program Files\\A.EXE", "two words", "xy z"}));
    EXPECT_TRUE(splitCommandLine("   ").empty());
}

class Programs : public MachineTest {
protected:
    void allow(const std::string& lines) {
        std::string ini = readHost(dir.path() / "machine" / "machine.ini");
        ini.replace(ini.find("[Programs]\n"), 11, "[Programs]\n" + lines);
        writeHost(dir.path() / "machine" / "machine.ini", ini);
        open();
    }
    std::vector<std::pair<std::string, std::string>> messages;
    ProgramRunner runner() {
        return ProgramRunner(*m, [this](const std::string& c, const std::string& t) { messages.emplace_back(c, t); });
    }
};

TEST_F(Programs, ResolutionFollowsTheWindowsSearchOrder) {
    put("C:\\WINDOWS\\SYSTEM\\TOOL.EXE", "MZ");
    put("C:\\WINDOWS\\COMMAND\\TOOL.COM", "MZ");
    put("C:\\WINDOWS\\COMMAND\\ONLY.BAT", "@echo");
    ProgramRunner r(*m);
    EXPECT_EQ(r.resolve("tool"), "C:\\WINDOWS\\SYSTEM\\tool.EXE");
    put("C:\\WINDOWS\\TOOL.EXE", "MZ");
    EXPECT_EQ(r.resolve("TOOL.EXE"), "C:\\WINDOWS\\TOOL.EXE");
    put("C:\\TOOL.EXE", "MZ");
    EXPECT_EQ(r.resolve("TOOL.EXE"), "C:\\TOOL.EXE"); // the current directory first
    EXPECT_EQ(r.resolve("TOOL.COM"), "C:\\WINDOWS\\COMMAND\\TOOL.COM");
    EXPECT_EQ(r.resolve("ONLY"), "C:\\WINDOWS\\COMMAND\\ONLY.BAT");
    EXPECT_EQ(r.resolve("C:\\WINDOWS\\TOOL"), "C:\\WINDOWS\\TOOL.EXE");
    EXPECT_EQ(r.resolve("NOWHERE.EXE"), std::nullopt);
    EXPECT_EQ(r.resolve("C:\\WINDOWS"), std::nullopt);
}

TEST_F(Programs, NothingOutsideTheMachineStartsUnlessAllowed) {
    put("C:\\WINDOWS\\SETUP.EXE", "MZ");
    auto r = runner();
    EXPECT_FALSE(r.run("SETUP.EXE", 5, true).started);
    EXPECT_FALSE(r.run("/bin/true", 5, true).started);
    EXPECT_FALSE(r.run("MISSING.EXE", 5, true).started);
}

TEST_F(Programs, AllowedProgramsRunOnTheHostInTheCurrentDirectory) {
    put("C:\\WINDOWS\\TOUCH.EXE", "MZ");
    put("C:\\WINDOWS\\FAIL.EXE", "MZ");
    put("C:\\WINDOWS\\GONE.EXE", "MZ");
    allow("TOUCH.EXE=/usr/bin/touch\nC:\\WINDOWS\\FAIL.EXE=/bin/false\nGONE.EXE=/no/such/program\n");
    ASSERT_TRUE(m->setCurrentDirectory("C:\\WINDOWS\\TEMP").ok());
    auto r = runner();
    ProgramOutcome touched = r.run("TOUCH \"made by it.txt\"", 5, true);
    EXPECT_TRUE(touched.started);
    EXPECT_EQ(touched.exitCode, 0);
    EXPECT_TRUE(fs::exists(cHost() / "WINDOWS" / "TEMP" / "made by it.txt"));
    ProgramOutcome failed = r.run("FAIL.EXE", 5, true);
    EXPECT_TRUE(failed.started);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_FALSE(r.run("GONE.EXE", 5, true).started);
    EXPECT_TRUE(r.run("TOUCH later.txt", 5, false).started);
}

TEST_F(Programs, RegeditMergesRegFiles) {
    put("C:\\APP.REG", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Merged]\r\n\"v\"=\"1\"\r\n");
    put("C:\\BAD.REG", "not a reg file");
    auto r = runner();
    EXPECT_TRUE(r.run("REGEDIT /s C:\\APP.REG", 5, true).started);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE((*m->registry())->keyExists(RegRoot::LocalMachine, "SOFTWARE\\Merged"));
    EXPECT_TRUE(r.run("C:\\WINDOWS\\REGEDT32.EXE C:\\APP.REG", 5, true).started);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].second, "Information in C:\\APP.REG has been successfully entered into the registry.");
    ProgramOutcome bad = r.run("regedit C:\\BAD.REG", 5, true);
    EXPECT_TRUE(bad.started);
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(Programs, Regsvr32RecordsRegistrationsOfDlls) {
    put("C:\\WINDOWS\\SYSTEM\\CTL.OCX", fakePe(true));
    put("C:\\WINDOWS\\SYSTEM\\APP.EXE", fakePe(false));
    auto r = runner();
    ProgramOutcome reg = r.run("REGSVR32 /s C:\\WINDOWS\\SYSTEM\\CTL.OCX", 5, true);
    EXPECT_TRUE(reg.started);
    EXPECT_EQ(reg.exitCode, 0);
    EXPECT_TRUE(messages.empty());
    Registry& registry = **m->registry();
    EXPECT_TRUE(registry.queryValue(RegRoot::LocalMachine, kSelfRegisteredKey, "C:\\WINDOWS\\SYSTEM\\CTL.OCX")->has_value());
    ProgramOutcome notDll = r.run("REGSVR32 C:\\WINDOWS\\SYSTEM\\APP.EXE", 5, true);
    EXPECT_TRUE(notDll.started);
    EXPECT_NE(notDll.exitCode, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].second, "LoadLibrary(\"C:\\WINDOWS\\SYSTEM\\APP.EXE\") failed.");
    EXPECT_EQ(r.run("REGSVR32 /u C:\\WINDOWS\\SYSTEM\\CTL.OCX", 5, true).exitCode, 0);
    EXPECT_EQ(messages.back().second, "DllUnregisterServer in C:\\WINDOWS\\SYSTEM\\CTL.OCX succeeded.");
    EXPECT_FALSE(registry.queryValue(RegRoot::LocalMachine, kSelfRegisteredKey, "C:\\WINDOWS\\SYSTEM\\CTL.OCX")->has_value());
}

TEST(PeDll, LooksAtTheCharacteristics) {
    EXPECT_TRUE(isPeDll(fakePe(true)));
    EXPECT_FALSE(isPeDll(fakePe(false)));
    std::string shortOne = fakePe(true).substr(0, 0x50);
    EXPECT_FALSE(isPeDll(shortOne));
    std::string farOff = fakePe(true);
    farOff[0x3C] = '\x7f';
    farOff[0x3D] = '\x7f';
    EXPECT_FALSE(isPeDll(farOff));
}

} // namespace
