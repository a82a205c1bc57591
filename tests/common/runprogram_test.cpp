#include "common/system.h"

#include "platform/profile/profile.h"
#include "tests/support/testing.h"

#include <chrono>

using namespace zrv;
using namespace zrv::testing;

namespace {

class Run : public MachineTest {};

TEST_F(Run, ResultIsThirtyTwoWhenStartedAndZeroWhenNot) {
    put("C:\\A.REG", "REGEDIT4\r\n");
    EXPECT_EQ(RunProgram(*m, "REGEDIT /s C:\\A.REG", 5, false, "ZRVX32.INI"), 32);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProgram(*m, "MISSING.EXE", 5, true, "ZRVX32.INI"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(Run, AWaitedStartWaitsTheExtraSecondsOfTheProfile) {
    put("C:\\A.REG", "REGEDIT4\r\n");
    ASSERT_TRUE(writePrivateProfileString(*m, "Application", "WinExecWait", "1", "ZRVX32.INI").ok());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProgram(*m, "REGEDIT /s C:\\A.REG", 5, true, "ZRVX32.INI"), 32);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GT(waited, std::chrono::milliseconds(0));
    EXPECT_LE(waited, std::chrono::milliseconds(1200));
    // Without waiting, no extra delay.
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProgram(*m, "REGEDIT /s C:\\A.REG", 5, false, "ZRVX32.INI"), 32);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

} // namespace
