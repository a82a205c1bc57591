#include "platform/registry/registry.h"

#include "platform/machine/machine.h"
#include "tests/support/testing.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zrv;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

std::string sz(const std::string& s) { return s + std::string(1, '\0'); }

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto r = Registry::open(dir.path() / "registry.db");
        ASSERT_TRUE(r.ok()) << r.error().describe();
        reg = std::move(*r);
    }
    std::string text(RegRoot root, const std::string& key, const std::string& name) {
        auto v = reg->queryValue(root, key, name);
        if (!v)
            return "<no key>";
        if (!*v)
            return "<no value>";
        return (*v)->data;
    }
    TempDir dir;
    std::unique_ptr<Registry> reg;
};

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirCase) {
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "SOFTWARE\\Acme\\Widget", "InstallPath", RegType::Sz, sz("C:\\W")).ok());
    EXPECT_EQ(text(RegRoot::LocalMachine, "software\\ACME\\widget", "INSTALLPATH"), sz("C:\\W"));
    EXPECT_EQ(*reg->subkeys(RegRoot::LocalMachine, "SOFTWARE"), std::vector<std::string>{"Acme"});
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "SOFTWARE\\ACME", "x", RegType::Dword, "abcd").ok());
    EXPECT_EQ(*reg->subkeys(RegRoot::LocalMachine, "SOFTWARE"), std::vector<std::string>{"Acme"});
    auto vals = reg->values(RegRoot::LocalMachine, "Software\\Acme\\Widget");
    ASSERT_TRUE(vals.ok());
    ASSERT_EQ(vals->size(), 1u);
    EXPECT_EQ((*vals)[0].name, "InstallPath");
    EXPECT_EQ((*vals)[0].type, RegType::Sz);
}

TEST_F(RegistryTest, AliasedRootsShareTheirTrees) {
    ASSERT_TRUE(reg->setValue(RegRoot::ClassesRoot, ".txt", "", RegType::Sz, sz("txtfile")).ok());
    EXPECT_EQ(text(RegRoot::LocalMachine, "SOFTWARE\\Classes\\.txt", ""), sz("txtfile"));
    ASSERT_TRUE(reg->setValue(RegRoot::CurrentUser, "Software\\A", "v", RegType::Sz, sz("1")).ok());
    EXPECT_EQ(text(RegRoot::Users, ".DEFAULT\\Software\\A", "v"), sz("1"));
    ASSERT_TRUE(reg->createKey(RegRoot::CurrentConfig, "Display").ok());
    EXPECT_TRUE(reg->keyExists(RegRoot::LocalMachine, "Config\\0001\\Display"));
}

TEST_F(RegistryTest, DynamicRootsAreReadableButRefuseWrites) {
    EXPECT_TRUE(reg->keyExists(RegRoot::DynData, ""));
    EXPECT_TRUE(reg->subkeys(RegRoot::PerformanceData, "").ok());
    EXPECT_EQ(reg->setValue(RegRoot::DynData, "X", "v", RegType::Sz, sz("1")).code(), WinError::AccessDenied);
    EXPECT_EQ(reg->createKey(RegRoot::PerformanceData, "X").code(), WinError::AccessDenied);
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
    std::string binary("\x00\x01\xff\x00", 4);
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "K", "bin", RegType::Binary, binary).ok());
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "K", "multi", RegType::MultiSz, std::string("a\0b\0\0", 5)).ok());
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "K", "odd", 0x1234, "raw").ok());
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "K", "empty", RegType::Binary, "").ok());
    EXPECT_EQ(text(RegRoot::LocalMachine, "K", "bin"), binary);
    EXPECT_EQ(text(RegRoot::LocalMachine, "K", "multi"), std::string("a\0b\0\0", 5));
    EXPECT_EQ((*reg->queryValue(RegRoot::LocalMachine, "K", "odd"))->type, 0x1234u);
    EXPECT_EQ(text(RegRoot::LocalMachine, "K", "empty"), "");
    EXPECT_EQ(text(RegRoot::LocalMachine, "K", "none"), "<no value>");
    EXPECT_EQ(text(RegRoot::LocalMachine, "Missing", "bin"), "<no key>");
    // Overwriting keeps one value and takes the new type.
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "K", "BIN", RegType::Dword, "1234").ok());
    EXPECT_EQ((*reg->queryValue(RegRoot::LocalMachine, "K", "bin"))->type, RegType::Dword);
    EXPECT_EQ(reg->values(RegRoot::LocalMachine, "K")->size(), 4u);
}

TEST_F(RegistryTest, DeletingAKeyTakesEverythingBelowIt) {
    for (const char* k : {"A\\B\\C", "A\\B\\D", "A\\E", "AB"})
        ASSERT_TRUE(reg->setValue(RegRoot::CurrentUser, k, "v", RegType::Sz, sz(k)).ok());
    ASSERT_TRUE(reg->deleteKey(RegRoot::CurrentUser, "a\\b").ok());
    EXPECT_FALSE(reg->keyExists(RegRoot::CurrentUser, "A\\B\\C"));
    EXPECT_FALSE(reg->keyExists(RegRoot::CurrentUser, "A\\B"));
    EXPECT_TRUE(reg->keyExists(RegRoot::CurrentUser, "A\\E"));
    EXPECT_TRUE(reg->keyExists(RegRoot::CurrentUser, "AB"));
    EXPECT_EQ(reg->deleteKey(RegRoot::CurrentUser, "A\\B").code(), WinError::FileNotFound);
    EXPECT_EQ(reg->deleteKey(RegRoot::CurrentUser, "").code(), WinError::InvalidParameter);
    ASSERT_TRUE(reg->deleteValue(RegRoot::CurrentUser, "AB", "V").ok());
    EXPECT_EQ(reg->deleteValue(RegRoot::CurrentUser, "AB", "v").code(), WinError::FileNotFound);
    // No values of deleted keys are left behind in the store.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "registry.db").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM vals WHERE key NOT IN (SELECT id FROM keys)", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST_F(RegistryTest, RootNumbersOfScripts) {
    EXPECT_EQ(regRootFromNumber(2), RegRoot::CurrentUser);
    EXPECT_EQ(regRootFromNumber(3), RegRoot::LocalMachine);
    EXPECT_EQ(regRootFromNumber(4), RegRoot::Users);
    EXPECT_EQ(regRootFromNumber(5), RegRoot::PerformanceData);
    EXPECT_EQ(regRootFromNumber(6), RegRoot::CurrentConfig);
    EXPECT_EQ(regRootFromNumber(7), RegRoot::DynData);
    for (int n : {0, 1, 8, -1, 1000})
        EXPECT_EQ(regRootFromNumber(n), RegRoot::ClassesRoot) << n;
    EXPECT_EQ(regRootFromName("hklm"), RegRoot::LocalMachine);
    EXPECT_EQ(regRootFromName("HKEY_CURRENT_USER"), RegRoot::CurrentUser);
    EXPECT_FALSE(regRootFromName("HKEY_NOWHERE").has_value());
}

TEST_F(RegistryTest, ChangesSurviveAReopenAndAnotherProcess) {
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "P", "v", RegType::Sz, sz("parent")).ok());
    pid_t child = ::fork();
    if (child == 0) {
        auto other = Registry::open(dir.path() / "registry.db");
        bool ok = other.ok() && (*other)->setValue(RegRoot::LocalMachine, "P", "w", RegType::Sz, sz("child")).ok();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(text(RegRoot::LocalMachine, "P", "w"), sz("child"));
    reg.reset();
    auto again = Registry::open(dir.path() / "registry.db");
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE((*again)->queryValue(RegRoot::LocalMachine, "P", "v")->has_value());
}

TEST(RegistryFile, DamagedAndForeignFilesAreRefusedAndKept) {
    TempDir dir;
    writeHost(dir.path() / "junk.db", std::string(4096, 'j'));
    auto junk = Registry::open(dir.path() / "junk.db");
    ASSERT_FALSE(junk.ok());
    EXPECT_NE(junk.error().message.find("junk.db"), std::string::npos);
    EXPECT_EQ(readHost(dir.path() / "junk.db"), std::string(4096, 'j'));

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "other.db").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    auto foreign = Registry::open(dir.path() / "other.db");
    ASSERT_FALSE(foreign.ok());
    EXPECT_NE(foreign.error().message.find("another program"), std::string::npos);
}

TEST(RegistryFile, ARunThatDidNotFinishHasTheWholeFileChecked) {
    TempDir dir;
    const fs::path file = dir.path() / "registry.db";
    {
        auto reg = Registry::open(file);
        ASSERT_TRUE(reg.ok());
        for (int i = 0; i < 400; ++i)
            ASSERT_TRUE((*reg)->setValue(RegRoot::LocalMachine, "K" + std::to_string(i), "v", RegType::Sz,
                                         std::string(64, 'x')).ok());
    }
    EXPECT_FALSE(fs::exists(dir.path() / "registry.db-wal")); // closed cleanly: no log left
    // A page in the middle damaged; then a log left behind as by a killed run.
    std::string bytes = readHost(file);
    ASSERT_GT(bytes.size(), 8u * 4096);
    std::fill(bytes.begin() + 4 * 4096, bytes.begin() + 5 * 4096, '\x5a');
    writeHost(file, bytes);
    writeHost(dir.path() / "registry.db-wal", "");
    auto reg = Registry::open(file);
    ASSERT_FALSE(reg.ok());
    EXPECT_NE(reg.error().message.find("is damaged"), std::string::npos) << reg.error().message;
    EXPECT_EQ(readHost(file), bytes);
}

// ---------------------------------------------------------------------------
// REGEDIT4 text

TEST_F(RegistryTest, ExportWritesRegedit4) {
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "SOFTWARE\\Acme", "", RegType::Sz, sz("default")).ok());
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "SOFTWARE\\Acme", "Path", RegType::Sz, sz("C:\\Acme \"1\"")).ok());
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "SOFTWARE\\Acme", "Count", RegType::Dword, std::string("\x0a\0\0\0", 4)).ok());
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "SOFTWARE\\Acme", "Bin", RegType::Binary, "\x01\x02").ok());
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "SOFTWARE\\Acme", "Exp", RegType::ExpandSz, sz("%x%")).ok());
    ASSERT_TRUE(reg->createKey(RegRoot::LocalMachine, "SOFTWARE\\Acme\\Sub").ok());
    auto text = reg->exportText(RegRoot::LocalMachine, "software\\acme");
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(*text, "REGEDIT4\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\software\\acme]\r\n"
                     "@=\"default\"\r\n"
                     "\"Bin\"=hex:01,02\r\n"
                     "\"Count\"=dword:0000000a\r\n"
                     "\"Exp\"=hex(2):25,78,25,00\r\n"
                     "\"Path\"=\"C:\\\\Acme \\\"1\\\"\"\r\n"
                     "\r\n"
                     "[HKEY_LOCAL_MACHINE\\software\\acme\\Sub]\r\n"
                     "\r\n");
    EXPECT_EQ(reg->exportText(RegRoot::LocalMachine, "NoSuchKey").code(), WinError::FileNotFound);
}

TEST_F(RegistryTest, LongHexValuesWrapAndReadBack) {
    std::string big;
    for (int i = 0; i < 300; ++i)
        big += static_cast<char>(i);
    ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "W", "big", RegType::Binary, big).ok());
    auto exported = reg->exportText(RegRoot::LocalMachine, "W");
    ASSERT_TRUE(exported.ok());
    std::size_t start = 0;
    for (std::size_t end; (end = exported->find("\r\n", start)) != std::string::npos; start = end + 2)
        EXPECT_LE(end - start, 80u) << exported->substr(start, end - start);
    ASSERT_TRUE(reg->deleteKey(RegRoot::LocalMachine, "W").ok());
    ASSERT_TRUE(reg->importText(*exported).ok());
    EXPECT_EQ(text(RegRoot::LocalMachine, "W", "big"), big);
}

// Strings a quoted form cannot carry go out as bytes and come back unchanged.
TEST_F(RegistryTest, StringsWithLineBreaksOrNoTerminatorReadBackExactly) {
    const std::string values[] = {std::string("two\r\nlines\0", 11), "bare", std::string("a\0b\0", 4),
                                  std::string("lone\r\0", 6)};
    for (std::size_t i = 0; i < std::size(values); ++i)
        ASSERT_TRUE(reg->setValue(RegRoot::LocalMachine, "S", std::to_string(i), RegType::Sz, values[i]).ok());
    auto exported = reg->exportText(RegRoot::LocalMachine, "S");
    ASSERT_TRUE(exported.ok());
    EXPECT_NE(exported->find("\"0\"=hex(1):74,77,6f,0d,0a,"), std::string::npos) << *exported;
    ASSERT_TRUE(reg->deleteKey(RegRoot::LocalMachine, "S").ok());
    ASSERT_TRUE(reg->importText(*exported).ok());
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(text(RegRoot::LocalMachine, "S", std::to_string(i)), values[i]) << i;
}

TEST_F(RegistryTest, ImportMergesEveryForm) {
    const char* file = "REGEDIT4\r\n"
                       "\r\n"
                       "; a comment\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Imp]\r\n"
                       "@=\"def\"\r\n"
                       "\"Quote\"=\"a \\\"b\\\" \\\\c\"\r\n"
                       "\"D\"=dword:FFFFFFFF\r\n"
                       "\"H\"=hex:de,ad,\\\r\n"
                       "  be,ef\r\n"
                       "\"M\"=hex(7):61,00,00\r\n"
                       "\"Gone\"=\"x\"\r\n"
                       "\"Gone\"=-\r\n"
                       "[HKCU\\Software\\Imp]\r\n"
                       "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n";
    ASSERT_TRUE(reg->createKey(RegRoot::LocalMachine, "SOFTWARE\\Old\\Deep").ok());
    auto r = reg->importText(file);
    ASSERT_TRUE(r.ok()) << r.error().describe();
    EXPECT_EQ(text(RegRoot::LocalMachine, "SOFTWARE\\Imp", ""), sz("def"));
    EXPECT_EQ(text(RegRoot::LocalMachine, "SOFTWARE\\Imp", "Quote"), sz("a \"b\" \\c"));
    EXPECT_EQ(text(RegRoot::LocalMachine, "SOFTWARE\\Imp", "D"), "\xff\xff\xff\xff");
    EXPECT_EQ(text(RegRoot::LocalMachine, "SOFTWARE\\Imp", "H"), "\xde\xad\xbe\xef");
    EXPECT_EQ((*reg->queryValue(RegRoot::LocalMachine, "SOFTWARE\\Imp", "M"))->type, RegType::MultiSz);
    EXPECT_EQ(text(RegRoot::LocalMachine, "SOFTWARE\\Imp", "Gone"), "<no value>");
    EXPECT_TRUE(reg->keyExists(RegRoot::CurrentUser, "Software\\Imp"));
    EXPECT_FALSE(reg->keyExists(RegRoot::LocalMachine, "SOFTWARE\\Old"));
}

TEST_F(RegistryTest, AMalformedLineStopsTheImportAndNamesIt) {
    struct Case {
        const char* text;
        const char* line;
    } cases[] = {
        {"Not a header\r\n", "line 1"},
        {"REGEDIT4\r\n\"v\"=\"outside\"\r\n", "line 2"},
        {"REGEDIT4\r\n[HKEY_NOWHERE\\X]\r\n", "line 2"},
        {"REGEDIT4\r\n[HKLM\\X\r\n", "line 2"},
        {"REGEDIT4\r\n[HKLM\\X]\r\n\"v\"=dword:123456789\r\n", "line 3"},
        {"REGEDIT4\r\n[HKLM\\X]\r\n\"v\"=hex:1g\r\n", "line 3"},
        {"REGEDIT4\r\n[HKLM\\X]\r\n\"v\"=\"open\r\n", "line 3"},
        {"REGEDIT4\r\n[HKLM\\X]\r\nv=1\r\n", "line 3"},
        {"REGEDIT4\r\n[HKLM\\X]\r\n\"v\"=hex(zz):00\r\n", "line 3"},
        {"REGEDIT4\r\n[HKLM\\X]\r\n\"v\"=word:1\r\n", "line 3"},
    };
    for (const Case& c : cases) {
        auto r = reg->importText(c.text);
        ASSERT_FALSE(r.ok()) << c.text;
        EXPECT_EQ(r.error().message.rfind(c.line, 0), 0u) << c.text << " -> " << r.error().message;
    }
    // What came before the bad line stays.
    auto r = reg->importText("REGEDIT4\r\n[HKLM\\Kept]\r\n\"a\"=\"1\"\r\n\"b\"=bogus\r\n\"c\"=\"3\"\r\n");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(text(RegRoot::LocalMachine, "Kept", "a"), sz("1"));
    EXPECT_EQ(text(RegRoot::LocalMachine, "Kept", "c"), "<no value>");
}

// ---------------------------------------------------------------------------

TEST(MachineRegistry, IsCreatedAndSeededOnFirstUse) {
    TempDir dir;
    auto m = Machine::open(dir.path() / "m");
    ASSERT_TRUE(m.ok());
    EXPECT_FALSE(fs::exists(dir.path() / "m" / "registry.db"));
    auto reg = (*m)->registry();
    ASSERT_TRUE(reg.ok()) << reg.error().describe();
    auto v = (*reg)->queryValue(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir");
    ASSERT_TRUE(v.ok() && v->has_value());
    EXPECT_EQ((*v)->data, sz("C:\\Program Files\\Common Files"));
}

TEST(MachineRegistry, ADamagedRegistryStopsOnlyWhatNeedsIt) {
    TempDir dir;
    ASSERT_TRUE(Machine::create(dir.path() / "m", MachineProfile::Win95, 400).ok());
    writeHost(dir.path() / "m" / "registry.db", "this is not a database, and it is long enough to tell");
    auto m = Machine::open(dir.path() / "m");
    ASSERT_TRUE(m.ok());
    EXPECT_TRUE((*m)->exists("C:\\WINDOWS"));
    auto reg = (*m)->registry();
    ASSERT_FALSE(reg.ok());
    EXPECT_NE(reg.error().message.find("registry.db"), std::string::npos);
    EXPECT_EQ(readHost(dir.path() / "m" / "registry.db"), "this is not a database, and it is long enough to tell");
}

} // namespace
