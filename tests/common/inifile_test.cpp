#include "common/inifile.h"

#include "platform/profile/profile.h"
#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;

namespace {

class MultiProfile : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        put("C:\\WINDOWS\\SYS.INI", "[boot]\r\nshell=Explorer.exe\r\n\r\n[386Enh]\r\ndevice=b.386\r\n\r\n[Other]\r\ndevice=a.386\r\n");
    }
    std::string sys() { return get("C:\\WINDOWS\\SYS.INI"); }
    std::string sysEnd(std::size_t n) {
        std::string s = sys();
        return s.size() < n ? s : s.substr(s.size() - n);
    }
};

TEST_F(MultiProfile, AddsAtTheEndOfItsSectionOnce) {
    EXPECT_EQ(WriteMultiProfileString(*m, "386Enh", "device", "a.386", "SYS.INI"), 1);
    EXPECT_EQ(sys(), "[boot]\r\nshell=Explorer.exe\r\n\r\n[386Enh]\r\ndevice=b.386\r\ndevice=a.386\r\n\r\n[Other]\r\ndevice=a.386\r\n");
    EXPECT_EQ(WriteMultiProfileString(*m, "386ENH", "DEVICE", "A.386", "SYS.INI"), 1);
    EXPECT_EQ(sys(), "[boot]\r\nshell=Explorer.exe\r\n\r\n[386Enh]\r\ndevice=b.386\r\ndevice=a.386\r\n\r\n[Other]\r\ndevice=a.386\r\n");
    // No work copy is left behind.
    EXPECT_FALSE(m->exists("C:\\WINDOWS\\SYS.001"));
}

TEST_F(MultiProfile, TheLastSectionGrowsAfterItsLastLine) {
    EXPECT_EQ(WriteMultiProfileString(*m, "Other", "device", "c.386", "SYS.INI"), 1);
    std::string end = "[Other]\r\ndevice=a.386\r\ndevice=c.386\r\n";
    EXPECT_EQ(sysEnd(end.size()), end);
}

TEST_F(MultiProfile, AMissingSectionComesAtTheEndAfterABlankLine) {
    EXPECT_EQ(WriteMultiProfileString(*m, "New", "k", "v", "SYS.INI"), 1);
    std::string end = "device=a.386\r\n\r\n[New]\r\nk=v\r\n";
    EXPECT_EQ(sysEnd(end.size()), end);
}

TEST_F(MultiProfile, AMissingFileIsCreated) {
    EXPECT_EQ(WriteMultiProfileString(*m, "S", "k", "v", "NEW.INI"), 1);
    EXPECT_EQ(get("C:\\WINDOWS\\NEW.INI"), "[S]\r\nk=v\r\n");
    EXPECT_EQ(WriteMultiProfileString(*m, "S", "k", "v", "C:\\NODIR\\NEW.INI"), 0);
}

TEST_F(MultiProfile, DeletesOnlyInItsSectionByCaseInsensitivePrefix) {
    put("C:\\WINDOWS\\SYS.INI", "[386Enh]\r\ndevice=a.386\r\nDEVICE=A.386,extra\r\ndevice=b.386\r\n[Other]\r\ndevice=a.386\r\n");
    EXPECT_EQ(DelMultiProfileString(*m, "386Enh", "device", "a.386", "SYS.INI"), 1);
    EXPECT_EQ(sys(), "[386Enh]\r\ndevice=b.386\r\n[Other]\r\ndevice=a.386\r\n");
    EXPECT_EQ(DelMultiProfileString(*m, "386Enh", "device", "a.386", "NONE.INI"), 0);
}

TEST_F(MultiProfile, AFailureLeavesTheFileWhole) {
    std::string before = sys();
    ASSERT_TRUE(m->setAttributes("C:\\WINDOWS\\SYS.INI", FileAttribute::ReadOnly).ok());
    EXPECT_EQ(WriteMultiProfileString(*m, "386Enh", "device", "z.386", "SYS.INI"), 0);
    EXPECT_EQ(DelMultiProfileString(*m, "386Enh", "device", "b.386", "SYS.INI"), 0);
    EXPECT_EQ(sys(), before);
    EXPECT_FALSE(m->exists("C:\\WINDOWS\\SYS.001"));
}

TEST_F(MultiProfile, WorkCopiesTakeTheNextFreeBackupName) {
    put("C:\\WINDOWS\\SYS.001", "someone's backup");
    EXPECT_EQ(WriteMultiProfileString(*m, "386Enh", "device", "z.386", "SYS.INI"), 1);
    EXPECT_EQ(get("C:\\WINDOWS\\SYS.001"), "someone's backup");
    EXPECT_FALSE(m->exists("C:\\WINDOWS\\SYS.002"));
}

TEST_F(MultiProfile, WriteProfileNumber) {
    WriteProfileNumber(*m, "App", "Count", -12, "APP.INI");
    EXPECT_EQ(getPrivateProfileInt(*m, "App", "Count", 0, "APP.INI"), -12);
    EXPECT_EQ(get("C:\\WINDOWS\\APP.INI"), "[App]\r\nCount=-12\r\n");
}

} // namespace
