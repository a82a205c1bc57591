#include "common/system.h"

#include "platform/profile/profile.h"
#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;

namespace {

class Run : public MachineTest {};

TEST_F(Run, ResultIsThirtyTwoWhenStartedAndZeroWhenNot) {
    put("C:\\A.REG", "REGEDIT4\r\n");
    EXPECT_EQ(RunProgram(*m, "REGEDIT /s C:\\A.REG", 5, false, "ZRVX32.INI"), 32);
    FakeClock clock;
    EXPECT_EQ(RunProgram(*m, "MISSING.EXE", 5, true, "ZRVX32.INI"), 0);
    EXPECT_EQ(clock.sleptMs(), 0); // nothing started, nothing waited for
}

TEST_F(Run, AWaitedStartWaitsTheExtraSecondsOfTheProfile) {
    put("C:\\A.REG", "REGEDIT4\r\n");
    ASSERT_TRUE(writePrivateProfileString(*m, "Application", "WinExecWait", "1", "ZRVX32.INI").ok());
    {
        FakeClock clock(400);
        EXPECT_EQ(RunProgram(*m, "REGEDIT /s C:\\A.REG", 5, true, "ZRVX32.INI"), 32);
        EXPECT_EQ(clock.sleptMs(), 600); // one change of the second
    }
    // Without waiting, no extra delay.
    FakeClock clock(400);
    EXPECT_EQ(RunProgram(*m, "REGEDIT /s C:\\A.REG", 5, false, "ZRVX32.INI"), 32);
    EXPECT_EQ(clock.sleptMs(), 0);
}

} // namespace
