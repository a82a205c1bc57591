#include "common/paths.h"

#include "platform/profile/profile.h"
#include "tests/support/testing.h"

#include <regex>

using namespace zrv;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

TEST(PathTexts, AddBackslashAndDirectoryOf) {
    EXPECT_EQ(AddBackslash(""), "\\");
    EXPECT_EQ(AddBackslash("C:"), "C:\\");
    EXPECT_EQ(AddBackslash("C:\\"), "C:\\");
    EXPECT_EQ(AddBackslash("C:\\APP"), "C:\\APP\\");
    EXPECT_EQ(DirectoryOf("C:\\APP\\FILE.EXE"), "C:\\APP\\");
    EXPECT_EQ(DirectoryOf("FILE.EXE"), "");
}

class Paths : public MachineTest {};

TEST_F(Paths, MakeDirectoryPathStatuses) {
    EXPECT_EQ(MakeDirectoryPath(*m, "C:\\A\\B\\C"), kDirCreated);
    EXPECT_TRUE(m->isDirectory("C:\\A\\B\\C"));
    EXPECT_FALSE(m->exists(std::string("C:\\A\\B\\C\\") + kProbeFileName));
    EXPECT_EQ(MakeDirectoryPath(*m, "C:\\A\\B\\C\\"), kDirExisted);
    EXPECT_EQ(MakeDirectoryPath(*m, "C:\\1\\2\\3\\4\\5\\6"), kDirCreated);
    EXPECT_EQ(MakeDirectoryPath(*m, "C:\\1\\2\\3\\4\\5\\6\\7\\8"), kDirTooDeep);
    EXPECT_FALSE(m->exists("C:\\1\\2\\3\\4\\5\\6\\7"));
    EXPECT_EQ(MakeDirectoryPath(*m, "C:\\" + std::string(256, 'x')), kDirNameTooLong);
    // A file in the way: nothing can be created below it.
    put("C:\\FILE", "");
    EXPECT_EQ(MakeDirectoryPath(*m, "C:\\FILE\\SUB"), kDirNotWritable);
    // A probe left behind by an interrupted run is cleaned up by the next test.
    put(std::string("C:\\A\\") + kProbeFileName, "stale");
    EXPECT_EQ(MakeDirectoryPath(*m, "C:\\A"), kDirExisted);
    EXPECT_FALSE(m->exists(std::string("C:\\A\\") + kProbeFileName));
}

TEST_F(Paths, MakeDirectoryPathOnAReadOnlyDriveFailsEvenWhenItExists) {
    TempDir ro;
    fs::create_directories(ro.path() / "X");
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("E=" + ro.path().string() + ",ro"));
    open(o);
    EXPECT_EQ(MakeDirectoryPath(*m, "E:\\X"), kDirNotWritable);
    EXPECT_EQ(MakeDirectoryPath(*m, "E:\\Y\\Z"), kDirNotWritable);
    EXPECT_FALSE(fs::exists(ro.path() / "Y"));
}

TEST_F(Paths, DeleteFilesDeletesOnlyMatchingFiles) {
    ASSERT_TRUE(m->createDirectory("C:\\D").ok());
    put("C:\\D\\A.TMP", "");
    put("C:\\D\\B.TMP", "");
    put("C:\\D\\KEEP.TXT", "");
    ASSERT_TRUE(m->createDirectory("C:\\D\\DIR.TMP").ok());
    EXPECT_EQ(DeleteFiles(*m, "C:\\D\\*.tmp"), 0);
    EXPECT_FALSE(m->exists("C:\\D\\A.TMP"));
    EXPECT_FALSE(m->exists("C:\\D\\B.TMP"));
    EXPECT_TRUE(m->exists("C:\\D\\KEEP.TXT"));
    EXPECT_TRUE(m->isDirectory("C:\\D\\DIR.TMP"));
    EXPECT_EQ(DeleteFiles(*m, "C:\\D\\*.TMP"), 1);
}

TEST_F(Paths, BackupNamesCountUpAndNeedAnExtension) {
    std::string out;
    put("C:\\AUTOEXEC.001", "");
    ASSERT_EQ(BackupName(*m, "C:\\AUTOEXEC.BAT", out), 0);
    EXPECT_EQ(out, "C:\\AUTOEXEC.002");
    EXPECT_EQ(BackupName(*m, "C:\\README", out), 1);
    // The dot of a directory is not the file's extension.
    EXPECT_EQ(BackupName(*m, "C:\\MY.DIR\\README", out), 1);
}

TEST_F(Paths, TemporaryNamesAreFreshAndFollowTheProfile) {
    std::string a = UniqueTempName(*m, "C:\\WINDOWS\\TEMP");
    // Hour, minute, second and millisecond: the last takes two or three digits.
    EXPECT_TRUE(std::regex_match(a, std::regex(R"(C:\\WINDOWS\\TEMP\\[0-9]{8,9}\.TMP)"))) << a;
    put(a, "");
    EXPECT_NE(UniqueTempName(*m, "C:\\WINDOWS\\TEMP"), a);
    EXPECT_EQ(TempFileName(*m, "ZRVX32.INI").rfind("C:\\WINDOWS\\", 0), 0u);
    ASSERT_TRUE(writePrivateProfileString(*m, "Install", "TempPath", "C:\\WINDOWS\\TEMP", "ZRVX32.INI").ok());
    EXPECT_EQ(TempFileName(*m, "ZRVX32.INI").rfind("C:\\WINDOWS\\TEMP\\", 0), 0u);
}

TEST_F(Paths, FindInPathSearchesTheCurrentDirectoryThenPath) {
    put("C:\\WINDOWS\\NOTEPAD.EXE", "MZ");
    put("C:\\WINDOWS\\COMMAND\\EDIT.COM", "MZ");
    EXPECT_EQ(FindInPath(*m, "notepad.exe"), "C:\\WINDOWS\\notepad.exe");
    EXPECT_EQ(FindInPath(*m, "EDIT.COM"), "C:\\WINDOWS\\COMMAND\\EDIT.COM");
    put("C:\\NOTEPAD.EXE", "MZ");
    EXPECT_EQ(FindInPath(*m, "NOTEPAD.EXE"), "C:\\NOTEPAD.EXE");
    EXPECT_EQ(FindInPath(*m, "C:\\WINDOWS\\NOTEPAD.EXE"), "C:\\WINDOWS\\NOTEPAD.EXE");
    EXPECT_EQ(FindInPath(*m, "C:\\NONE\\NOTEPAD.EXE"), std::nullopt);
    EXPECT_EQ(FindInPath(*m, "NONE.EXE"), std::nullopt);
}

TEST_F(Paths, ChangeDirectoryUpperCasesAndFileExistsTakesPatterns) {
    EXPECT_TRUE(ChangeDirectory(*m, "c:\\windows\\system\\"));
    EXPECT_EQ(CurrentDirectory(*m), "C:\\WINDOWS\\SYSTEM");
    EXPECT_FALSE(ChangeDirectory(*m, "C:\\NOWHERE"));
    EXPECT_TRUE(ChangeDirectory(*m, "C:\\"));
    EXPECT_EQ(CurrentDirectory(*m), "C:\\");
    EXPECT_TRUE(FileExists(*m, "C:\\WINDOWS\\*.INI"));
    EXPECT_TRUE(FileExists(*m, "C:\\WINDOWS"));
    EXPECT_FALSE(FileExists(*m, "C:\\WINDOWS\\*.XYZ"));
}

TEST_F(Paths, FreeSpaceAndVolumeLabels) {
    TempDir fl;
    writeHost(fl.path() / "F", std::string(100, 'x'));
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("A=" + fl.path().string() + ",label=DISK1,size=1000"));
    open(o);
    EXPECT_EQ(FreeSpace(*m, "A:\\SETUP.SCR"), 900u);
    ASSERT_TRUE(m->setCurrentDirectory("A:\\").ok());
    EXPECT_EQ(FreeSpace(*m, "SETUP.SCR"), 900u);
    std::string label;
    EXPECT_EQ(VolumeLabel(*m, "a:\\", label), 0);
    EXPECT_EQ(label, "DISK1");
    EXPECT_EQ(VolumeLabel(*m, "", label), 0);
    EXPECT_EQ(VolumeLabel(*m, "Q", label), 1);
}

TEST_F(Paths, ListBoxFillers) {
    TempDir fl;
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("A=" + fl.path().string()));
    open(o);
    auto drives = FillDriveCombo(*m, true);
    EXPECT_EQ(drives.entries, (std::vector<std::string>{"[-a-]", "[-c-]"}));
    EXPECT_EQ(drives.selected, 1);
    EXPECT_EQ(FillDriveCombo(*m, false).selected, -1);

    auto root = FillDirectoryList(*m);
    EXPECT_EQ(root.label, "C:\\");
    EXPECT_EQ(root.entries, (std::vector<std::string>{"[Program Files]", "[WINDOWS]"}));
    ASSERT_TRUE(m->setCurrentDirectory("C:\\WINDOWS\\COMMAND").ok());
    EXPECT_EQ(FillDirectoryList(*m).entries, std::vector<std::string>{"[..]"});
}

} // namespace
