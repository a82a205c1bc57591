#include "common/system.h"

#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;

namespace {

TEST(Delay, WaitsForChangesOfTheSecondWhilePumping) {
    int pumps = 0;
    setMessagePump([&] { ++pumps; });
    {
        FakeClock clock;
        Delay(1, true);
        EXPECT_EQ(clock.sleptMs(), 1000);
        EXPECT_EQ(pumps, 200); // one each 5 ms
    }
    {
        // The seconds field changes, not whole seconds pass: 0.3 s, then 1 s.
        FakeClock clock(700);
        Delay(2, false);
        EXPECT_EQ(clock.sleptMs(), 1300);
    }
    pumps = 0;
    FakeClock clock;
    Delay(0, true);
    Delay(-3, true);
    EXPECT_EQ(pumps, 0);
    EXPECT_EQ(clock.sleptMs(), 0);
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

namespace {

// Windows programs take the country from WIN.INI; the machine's own setting
// stands in where WIN.INI has none.
class Country : public MachineTest {};

TEST_F(Country, ComesFromWinIniThenTheMachine) {
    EXPECT_EQ(CountryCode(*m), 44); // a fresh machine says 44 in both
    put("C:\\WINDOWS\\WIN.INI", "[Intl]\r\niCountry=49\r\n");
    EXPECT_EQ(CountryCode(*m), 49);
    put("C:\\WINDOWS\\WIN.INI", "[windows]\r\n");
    EXPECT_EQ(CountryCode(*m), m->countryCode());
}

} // namespace
