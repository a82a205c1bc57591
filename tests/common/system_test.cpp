#include "common/system.h"

#include "tests/support/testing.h"

#include <chrono>

using namespace zrv;
using namespace zrv::testing;

namespace {

TEST(Delay, WaitsForChangesOfTheSecondWhilePumping) {
    int pumps = 0;
    setMessagePump([&] { ++pumps; });
    auto start = std::chrono::steady_clock::now();
    Delay(1, true);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GT(pumps, 0);
    EXPECT_LE(elapsed, std::chrono::milliseconds(1100));
    pumps = 0;
    Delay(0, true);
    Delay(-3, true);
    EXPECT_EQ(pumps, 0);
    setMessagePump(nullptr);
    PumpMessages(); // nothing installed: does nothing
}

class Version : public MachineTest {};

TEST_F(Version, ComesFromTheMachine) {
    EXPECT_EQ(WindowsVersion(*m), 400);
    std::string ini = readHost(dir.path() / "machine" / "machine.ini");
    ini.replace(ini.find("Version=400"), 11, "Version=395");
    writeHost(dir.path() / "machine" / "machine.ini", ini);
    open();
    EXPECT_EQ(WindowsVersion(*m), 395);
}

} // namespace
