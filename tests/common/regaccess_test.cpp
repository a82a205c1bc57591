#include "common/regaccess.h"

#include "common/paths.h"
#include "platform/registry/registry.h"
#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;

namespace {

class RegAccess : public MachineTest {
protected:
    Registry& reg() { return *m->registry().value(); }
};

TEST_F(RegAccess, WritesCreateTheWholeKeyPath) {
    EXPECT_EQ(WriteRegString(*m, 3, "SOFTWARE\\A\\B", "Path", "C:\\"), 0);
    EXPECT_TRUE(reg().keyExists(RegRoot::LocalMachine, "SOFTWARE\\A"));
    auto v = reg().queryValue(RegRoot::LocalMachine, "SOFTWARE\\A\\B", "Path");
    ASSERT_TRUE(v.ok() && v->has_value());
    EXPECT_EQ((*v)->type, RegType::Sz);
    EXPECT_EQ((*v)->data, std::string("C:\\\0", 4));
    EXPECT_EQ(WriteRegNumber(*m, 2, "Software\\N", "n", 0x01020304u), 0);
    EXPECT_EQ((*reg().queryValue(RegRoot::CurrentUser, "Software\\N", "n"))->data, "\x04\x03\x02\x01");
    EXPECT_EQ(WriteRegString(*m, 7, "X", "v", "t"), 1); // a root that refuses writes
}

TEST_F(RegAccess, ReadsKeepTheDefaultWhenNothingIsThere) {
    std::string out = "sentinel";
    EXPECT_EQ(ReadRegString(*m, 2, "Software\\Missing", "v", "DEF", out, 256), 1);
    EXPECT_EQ(out, "DEF");
    ASSERT_EQ(WriteRegString(*m, 2, "Software\\Here", "other", "x"), 0);
    out = "sentinel";
    EXPECT_EQ(ReadRegString(*m, 2, "Software\\Here", "v", "DEF", out, 256), 0);
    EXPECT_EQ(out, "DEF");
    EXPECT_EQ(ReadRegString(*m, 2, "software\\here", "OTHER", "DEF", out, 256), 0);
    EXPECT_EQ(out, "x");
    // Too large for the buffer: the default stands.
    ASSERT_EQ(WriteRegString(*m, 2, "Software\\Here", "long", std::string(300, 'l')), 0);
    EXPECT_EQ(ReadRegString(*m, 2, "Software\\Here", "long", "DEF", out, 256), 0);
    EXPECT_EQ(out, "DEF");
    // Reading asks for write rights too, so a read-only root reads as missing.
    EXPECT_EQ(ReadRegString(*m, 7, "", "v", "DEF", out, 256), 1);

    std::uint32_t n = 0;
    EXPECT_EQ(ReadRegNumber(*m, 2, "Software\\Missing", "n", 42, n), 1);
    EXPECT_EQ(n, 42u);
    ASSERT_EQ(WriteRegNumber(*m, 2, "Software\\Here", "n", 7), 0);
    EXPECT_EQ(ReadRegNumber(*m, 2, "Software\\Here", "n", 42, n), 0);
    EXPECT_EQ(n, 7u);
    EXPECT_EQ(ReadRegNumber(*m, 2, "Software\\Here", "none", 42, n), 0);
    EXPECT_EQ(n, 42u);
}

TEST_F(RegAccess, RootNumbersZeroAndEightAreClassesRoot) {
    ASSERT_EQ(WriteRegString(*m, 0, ".abc", "", "zero"), 0);
    std::string out;
    EXPECT_EQ(ReadRegString(*m, 8, ".ABC", "", "", out, 256), 0);
    EXPECT_EQ(out, "zero");
    EXPECT_TRUE(reg().keyExists(RegRoot::LocalMachine, "SOFTWARE\\Classes\\.abc"));
}

TEST_F(RegAccess, DeleteValuesAndWholeKeys) {
    ASSERT_EQ(WriteRegString(*m, 2, "SOFTWARE\\A\\B", "v", "1"), 0);
    ASSERT_EQ(WriteRegString(*m, 2, "SOFTWARE\\A", "w", "2"), 0);
    EXPECT_EQ(DeleteReg(*m, 2, "SOFTWARE\\A", "w"), 0);
    EXPECT_FALSE(reg().queryValue(RegRoot::CurrentUser, "SOFTWARE\\A", "w")->has_value());
    EXPECT_EQ(DeleteReg(*m, 2, "SOFTWARE\\Nope", "w"), 1);
    EXPECT_EQ(DeleteReg(*m, 2, "SOFTWARE\\A", ""), 0);
    EXPECT_FALSE(reg().keyExists(RegRoot::CurrentUser, "SOFTWARE\\A\\B"));
    EXPECT_FALSE(reg().keyExists(RegRoot::CurrentUser, "SOFTWARE\\A"));
    EXPECT_EQ(DeleteReg(*m, 2, "", ""), 0);
    EXPECT_TRUE(reg().keyExists(RegRoot::CurrentUser, ""));
}

TEST_F(RegAccess, DaoDirectoryFromTheRegistryOrItsDefaults) {
    EXPECT_EQ(DaoDirectory(*m), "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO");
    ASSERT_EQ(DeleteReg(*m, 3, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir"), 0);
    EXPECT_EQ(DaoDirectory(*m), "C:\\WINDOWS\\MSAPPS\\DAO");
    ASSERT_EQ(WriteRegString(*m, 3, "SOFTWARE\\Microsoft\\Shared Tools\\DAO", "Path", "D:\\DAO\\DAO3032.DLL"), 0);
    EXPECT_EQ(DaoDirectory(*m), "D:\\DAO");
    ASSERT_EQ(WriteRegString(*m, 3, "SOFTWARE\\Microsoft\\Shared Tools\\DAO", "Path", "C:\\DAO3032.DLL"), 0);
    EXPECT_EQ(DaoDirectory(*m), "C:\\");
}

TEST_F(RegAccess, RegisteringTheDaoDirectoryIsStableFromRunToRun) {
    EXPECT_EQ(RegisterDaoDirectory(*m), kDirCreated);
    EXPECT_TRUE(m->isDirectory("C:\\Program Files\\Common Files\\Microsoft Shared\\DAO"));
    std::string path;
    ReadRegString(*m, 3, "SOFTWARE\\Microsoft\\Shared Tools\\DAO", "Path", "", path, 256);
    EXPECT_EQ(path, "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\DAO3032.DLL");
    EXPECT_EQ(RegisterDaoDirectory(*m), kDirExisted);
    EXPECT_EQ(DaoDirectory(*m), "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO");
}

TEST_F(RegAccess, OldWindowsVersionsUseTheWindowsDirectory) {
    std::string ini = readHost(dir.path() / "machine" / "machine.ini");
    ini.replace(ini.find("Version=400"), 11, "Version=310");
    writeHost(dir.path() / "machine" / "machine.ini", ini);
    open();
    EXPECT_EQ(DaoDirectory(*m), "C:\\WINDOWS\\MSAPPS\\DAO");
}

} // namespace
