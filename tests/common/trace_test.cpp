#include "common/trace.h"

#include "common/datetime.h"
#include "platform/profile/profile.h"
#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;

namespace {

class Trace : public MachineTest {
protected:
    void enable(const char* outputTo = nullptr) {
        ASSERT_TRUE(writePrivateProfileString(*m, "Debug", "Debug", "1", "ZRVX32.INI").ok());
        if (outputTo) {
            ASSERT_TRUE(writePrivateProfileString(*m, "Debug", "OutputTo", outputTo, "ZRVX32.INI").ok());
        }
    }
};

TEST_F(Trace, OffByDefaultAndWritesNothing) {
    TraceLog log(*m);
    log.setApplication("ZRVX32.INI", "Setup");
    log.WriteTrace("hello\n");
    EXPECT_FALSE(log.enabled());
    EXPECT_FALSE(m->exists("C:\\DEBUG.DBG"));
}

TEST_F(Trace, WritesTheBannerOnceThenEveryText) {
    enable("C:\\WINDOWS\\TEMP\\SETUP.LOG");
    TraceLog log(*m);
    log.setApplication("ZRVX32.INI", "Setup");
    log.WriteTrace("line 1\r\n");
    log.WriteTraceNumber(-42);
    log.WriteTraceInt(7);
    log.WriteTrace("\r\n");
    std::string text = get("C:\\WINDOWS\\TEMP\\SETUP.LOG");
    ASSERT_EQ(text.rfind("\n\n**** Application Startup - Setup (", 0), 0u) << text;
    EXPECT_NE(text.find(" ****\nline 1\r\n-427\r\n"), std::string::npos) << text;
    std::size_t banners = 0;
    for (std::size_t at = 0; (at = text.find("Application Startup", at)) != std::string::npos; ++at)
        ++banners;
    EXPECT_EQ(banners, 1u);
    // The date reads dd/mm/yyyy.
    DateTime now = DateTime::now();
    char date[48];
    std::snprintf(date, sizeof date, "(%02d/%02d/%04d ", now.day(), now.month(), now.year());
    EXPECT_NE(text.find(date), std::string::npos) << text;
}

TEST_F(Trace, ByteDumpTwelveToALine) {
    enable();
    TraceLog log(*m);
    log.setApplication("ZRVX32.INI", "Setup");
    std::string bytes = "ABCDEFGHIJKL\x01M";
    log.WriteTraceBytes(bytes.data(), bytes.size());
    std::string text = get("C:\\DEBUG.DBG");
    std::string expected = " 65 A   66 B   67 C   68 D   69 E   70 F   71 G   72 H   73 I   74 J   75 K   76 L  \r\n"
                           "  1 .   77 M  \r\n";
    EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
}

TEST_F(Trace, TimeLine) {
    enable();
    TraceLog log(*m);
    log.setApplication("ZRVX32.INI", "Setup");
    DateTime t;
    ASSERT_EQ(t.SetDateTime(1997, 3, 5, 14, 7, 9), kDateOk);
    log.WriteTraceTime(t);
    std::string text = get("C:\\DEBUG.DBG");
    std::string expected = "Date: 1997/03/5  Time: 14:07:09\r\n";
    EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
}

TEST_F(Trace, BeforeAnApplicationExistsTheLogIsOnAndTitledGlobalStart) {
    TraceLog log(*m);
    log.WriteTrace("early\n");
    std::string text = get("C:\\DEBUG.DBG");
    EXPECT_EQ(text.rfind("\n\n**** Application Startup - GlobalStart (", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 6), "early\n");
}

TEST_F(Trace, AnUnwritableLogReportsEveryTime) {
    TempDir ro;
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("R=" + ro.path().string() + ",ro"));
    open(o);
    enable("R:\\DEBUG.DBG");
    TraceLog log(*m);
    log.setApplication("ZRVX32.INI", "Setup");
    std::vector<std::string> boxes;
    log.setFailureHandler([&](const std::string& s) { boxes.push_back(s); });
    log.WriteTrace("one\n");
    log.WriteTrace("two\n");
    // The banner and both texts each try once.
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], "Failed to open debug file for writing");
}

} // namespace
