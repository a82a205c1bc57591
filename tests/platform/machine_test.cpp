#include "platform/machine/machine.h"

#include "tests/support/testing.h"

#include <algorithm>
#include <random>
#include <sys/stat.h>
#include <sys/xattr.h>

using namespace zrv;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

TEST(MachineCreation, AFreshMachineHasTheWindows95Layout) {
    TempDir dir;
    auto m = Machine::open(dir.path() / "m");
    ASSERT_TRUE(m.ok()) << m.error().describe();
    Machine& machine = **m;
    EXPECT_EQ(machine.profile(), MachineProfile::Win95);
    EXPECT_EQ(machine.version(), 400);
    EXPECT_EQ(machine.windowsDirectory(), "C:\\WINDOWS");
    EXPECT_EQ(machine.systemDirectory(), "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(machine.screenWidth(), 800);
    EXPECT_EQ(machine.screenHeight(), 600);
    EXPECT_EQ(machine.countryCode(), 44);
    EXPECT_EQ(machine.environment("path"), "C:\\WINDOWS;C:\\WINDOWS\\COMMAND");
    EXPECT_EQ(machine.environment("WINDIR"), "C:\\WINDOWS");
    EXPECT_TRUE(machine.isDirectory("C:\\WINDOWS\\TEMP"));
    EXPECT_TRUE(machine.exists("C:\\CONFIG.SYS"));
    EXPECT_NE(machine.readFile("C:\\WINDOWS\\WIN.INI")->find("iCountry=44\r\n"), std::string::npos);
    EXPECT_EQ(machine.driveLetters(), std::vector<char>{'C'});
    EXPECT_EQ(machine.currentDirectory(), "C:\\");
}

TEST(MachineCreation, TheNt4ProfileHasSystem32WithSystemBesideIt) {
    TempDir dir;
    MachineOptions o;
    o.profile = MachineProfile::NT4;
    auto m = Machine::open(dir.path() / "m", o);
    ASSERT_TRUE(m.ok()) << m.error().describe();
    EXPECT_EQ((*m)->windowsDirectory(), "C:\\WINNT");
    EXPECT_EQ((*m)->systemDirectory(), "C:\\WINNT\\SYSTEM32");
    EXPECT_TRUE((*m)->isDirectory("C:\\WINNT\\SYSTEM"));
    EXPECT_EQ((*m)->environment("OS"), "Windows_NT");
}

TEST(MachineCreation, VersionIsKeptAcrossOpens) {
    TempDir dir;
    ASSERT_TRUE(Machine::create(dir.path() / "m", MachineProfile::Win95, 395).ok());
    auto m = Machine::open(dir.path() / "m");
    ASSERT_TRUE(m.ok());
    EXPECT_EQ((*m)->version(), 395);
}

TEST(MachineCreation, RefusesAFolderThatHoldsSomethingElse) {
    TempDir dir;
    writeHost(dir.path() / "m" / "notes.txt", "mine");
    auto m = Machine::open(dir.path() / "m");
    ASSERT_FALSE(m.ok());
    EXPECT_NE(m.error().message.find("not a machine directory"), std::string::npos);
    EXPECT_EQ(readHost(dir.path() / "m" / "notes.txt"), "mine");
    EXPECT_FALSE(fs::exists(dir.path() / "m" / "drive_c"));
}

TEST(MachineCreation, RefusesAFileWhereTheFolderShouldBe) {
    TempDir dir;
    writeHost(dir.path() / "m", "a file");
    EXPECT_FALSE(Machine::open(dir.path() / "m").ok());
    EXPECT_EQ(readHost(dir.path() / "m"), "a file");
}

TEST(MachineCreation, OpeningWithoutCreateReportsTheMissingMachine) {
    TempDir dir;
    MachineOptions o;
    o.create = false;
    auto m = Machine::open(dir.path() / "none", o);
    ASSERT_FALSE(m.ok());
    EXPECT_FALSE(fs::exists(dir.path() / "none"));
}

struct BadIni {
    const char* name;
    const char* text;
    const char* mentions;
};

class MalformedMachineIni : public ::testing::TestWithParam<BadIni> {};

TEST_P(MalformedMachineIni, IsReportedWithTheFileNameAndLeftAlone) {
    TempDir dir;
    fs::path m = dir.path() / "m";
    fs::create_directories(m / "drive_c");
    writeHost(m / "machine.ini", GetParam().text);
    auto r = Machine::open(m);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().message.find("machine.ini"), std::string::npos) << r.error().message;
    EXPECT_NE(r.error().message.find(GetParam().mentions), std::string::npos) << r.error().message;
    EXPECT_EQ(readHost(m / "machine.ini"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Ini, MalformedMachineIni,
    ::testing::Values(BadIni{"NoMachineSection", "[Drives]\nC=drive_c\n", "[Machine]"},
                      BadIni{"BinaryFile", "\x7f" "ELF\x02\x01\x01\0\0\0", "not a text file"},
                      BadIni{"BadProfile", "[Machine]\nProfile=Win31\n[Drives]\nC=drive_c\n", "Profile"},
                      BadIni{"BadVersion", "[Machine]\nVersion=four\n[Drives]\nC=drive_c\n", "Version"},
                      BadIni{"BadScreen", "[Machine]\nScreenWidth=-5\n[Drives]\nC=drive_c\n", "ScreenWidth"},
                      BadIni{"BadWindowsDir", "[Machine]\nWindowsDirectory=WINDOWS\n[Drives]\nC=drive_c\n",
                             "WindowsDirectory"},
                      BadIni{"NoDriveC", "[Machine]\n[Drives]\nD=drive_c\n", "drive C"},
                      BadIni{"BadDriveKey", "[Machine]\n[Drives]\nC=drive_c\nCD=x\n", "CD"},
                      BadIni{"BadDriveOption", "[Machine]\n[Drives]\nC=drive_c,fast\n", "fast"},
                      BadIni{"MissingDriveFolder", "[Machine]\n[Drives]\nC=nowhere\n", "nowhere"}),
    [](const auto& info) { return info.param.name; });

struct Mapping {
    const char* spec;
    bool ok;
    char letter;
    const char* root;
    bool readOnly;
    const char* label;
    std::uint64_t capacity;
};

void PrintTo(const Mapping& m, std::ostream* os) { *os << m.spec; }
void PrintTo(const BadIni& b, std::ostream* os) { *os << b.name; }

class DriveMappingParse : public ::testing::TestWithParam<Mapping> {};

TEST_P(DriveMappingParse, ReadsEveryOption) {
    const Mapping& c = GetParam();
    auto d = DriveMapping::parse(c.spec);
    ASSERT_EQ(d.ok(), c.ok) << c.spec;
    if (!c.ok)
        return;
    EXPECT_EQ(d->letter, c.letter);
    EXPECT_EQ(d->hostRoot, c.root);
    EXPECT_EQ(d->readOnly, c.readOnly);
    EXPECT_EQ(d->label, c.label);
    EXPECT_EQ(d->capacity.value_or(0), c.capacity);
    auto again = DriveMapping::parse(std::string(1, d->letter) + "=" + d->format());
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->format(), d->format());
}

INSTANTIATE_TEST_SUITE_P(
    Specs, DriveMappingParse,
    ::testing::Values(Mapping{"A=/disks/one", true, 'A', "/disks/one", false, "", 0},
                      Mapping{"a=/d,ro,label=DISK1,size=1440K", true, 'A', "/d", true, "DISK1", 1474560},
                      Mapping{"D=rel/dir,size=2M", true, 'D', "rel/dir", false, "", 2097152},
                      Mapping{"1=/x", false}, Mapping{"A=", false}, Mapping{"A/x", false},
                      Mapping{"A=/x,size=lots", false}, Mapping{"A=/x,label=TWELVECHARSX", false},
                      Mapping{"A=/x,bogus", false}));

// ---------------------------------------------------------------------------

// Each runs twice: walking every path from the drive root, and with the
// folders found kept open for the next names, as a copy statement does.
class MachineFiles : public MachineTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        keepFolders = GetParam();
        MachineTest::SetUp();
    }
};
INSTANTIATE_TEST_SUITE_P(Resolving, MachineFiles, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "KeepingFolders" : "Walking"; });

TEST_P(MachineFiles, ExistingNamesMatchWithoutRegardToCaseAndNewOnesKeepTheirCase) {
    put("C:\\Program Files\\..\\MyApp.Ini", "x");
    EXPECT_TRUE(fs::exists(cHost() / "MyApp.Ini"));
    EXPECT_EQ(get("c:\\myapp.INI"), "x");
    ASSERT_TRUE(m->createDirectory("c:\\program files\\NewDir").ok());
    EXPECT_TRUE(fs::is_directory(cHost() / "Program Files" / "NewDir"));
    EXPECT_EQ(m->hostPath("C:\\PROGRAM FILES\\newdir\\Sub\\File.TXT").value(),
              fs::canonical(cHost()) / "Program Files" / "NewDir" / "Sub" / "File.TXT");
    // Folder named exactly, last name in another case.
    put("C:\\Program Files\\NewDir\\Read Me.Txt", "y");
    EXPECT_EQ(get("C:\\Program Files\\NewDir\\READ ME.TXT"), "y");
    EXPECT_EQ(m->hostPath("C:\\Program Files\\NewDir\\read me.txt").value(),
              fs::canonical(cHost()) / "Program Files" / "NewDir" / "Read Me.Txt");
}

TEST_P(MachineFiles, ReadWriteSeekTruncateAndSize) {
    auto f = m->openFile("C:\\DATA.BIN", Access::ReadWrite, Disposition::CreateNew);
    ASSERT_TRUE(f.ok());
    ASSERT_EQ(*f->write("hello world", 11), 11u);
    EXPECT_EQ(*f->size(), 11u);
    EXPECT_EQ(*f->seek(6, SeekOrigin::Begin), 6u);
    char buf[16] = {};
    EXPECT_EQ(*f->read(buf, sizeof buf), 5u);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(*f->seek(-6, SeekOrigin::End), 5u);
    ASSERT_TRUE(f->truncate().ok());
    EXPECT_EQ(*f->size(), 5u);
    EXPECT_FALSE(f->seek(-1, SeekOrigin::Begin).ok());
    f->close();
    EXPECT_EQ(get("C:\\DATA.BIN"), "hello");
}

TEST_P(MachineFiles, DispositionsBehaveAsCreateFile) {
    EXPECT_EQ(m->openFile("C:\\NEW.TXT", Access::Read, Disposition::OpenExisting).code(), WinError::FileNotFound);
    EXPECT_EQ(m->openFile("C:\\NODIR\\NEW.TXT", Access::Write, Disposition::CreateAlways).code(),
              WinError::PathNotFound);
    put("C:\\NEW.TXT", "abc");
    EXPECT_EQ(m->openFile("C:\\new.txt", Access::Write, Disposition::CreateNew).code(), WinError::FileExists);
    ASSERT_TRUE(m->openFile("C:\\MADE.TXT", Access::Write, Disposition::CreateNew).ok());
    EXPECT_EQ(*m->attributes("C:\\MADE.TXT"), FileAttribute::Archive); // new files are marked for backup
    ASSERT_TRUE(m->openFile("C:\\NEW.TXT", Access::Write, Disposition::OpenAlways).ok());
    EXPECT_EQ(get("C:\\NEW.TXT"), "abc");
    ASSERT_TRUE(m->openFile("C:\\NEW.TXT", Access::Write, Disposition::TruncateExisting).ok());
    EXPECT_EQ(get("C:\\NEW.TXT"), "");
    EXPECT_EQ(m->openFile("C:\\WINDOWS", Access::Read, Disposition::OpenExisting).code(), WinError::AccessDenied);
    auto ro = m->openFile("C:\\NEW.TXT", Access::Read, Disposition::OpenExisting);
    ASSERT_TRUE(ro.ok());
    EXPECT_EQ(ro->write("x", 1).code(), WinError::AccessDenied);
}

TEST_P(MachineFiles, DeleteMoveAndDirectories) {
    put("C:\\A.TXT", "a");
    ASSERT_TRUE(m->createDirectory("C:\\DIR").ok());
    EXPECT_EQ(m->createDirectory("C:\\dir").code(), WinError::AlreadyExists);
    EXPECT_EQ(m->createDirectory("C:\\X\\Y").code(), WinError::PathNotFound);
    ASSERT_TRUE(m->moveFile("C:\\A.TXT", "C:\\DIR\\B.TXT").ok());
    EXPECT_FALSE(m->exists("C:\\A.TXT"));
    EXPECT_EQ(get("C:\\DIR\\B.TXT"), "a");
    put("C:\\C.TXT", "c");
    EXPECT_EQ(m->moveFile("C:\\C.TXT", "C:\\DIR\\b.txt").code(), WinError::AlreadyExists);
    EXPECT_EQ(get("C:\\DIR\\B.TXT"), "a");
    // A change of case is a rename of the same file.
    ASSERT_TRUE(m->moveFile("C:\\C.TXT", "C:\\c.txt").ok());
    EXPECT_TRUE(fs::exists(cHost() / "c.txt"));
    EXPECT_EQ(m->removeDirectory("C:\\DIR").code(), WinError::DirNotEmpty);
    EXPECT_EQ(m->removeDirectory("C:\\c.txt").code(), WinError::InvalidDirectory);
    EXPECT_EQ(m->deleteFile("C:\\DIR").code(), WinError::AccessDenied);
    ASSERT_TRUE(m->deleteFile("C:\\dir\\b.TXT").ok());
    EXPECT_EQ(m->deleteFile("C:\\DIR\\B.TXT").code(), WinError::FileNotFound);
    EXPECT_EQ(m->deleteFile("C:\\NODIR\\B.TXT").code(), WinError::PathNotFound);
    ASSERT_TRUE(m->removeDirectory("C:\\DIR").ok());
    EXPECT_FALSE(m->exists("C:\\DIR"));
    EXPECT_EQ(m->moveFile("C:\\c.txt", "D:\\c.txt").code(), WinError::NotSameDevice);
    ASSERT_TRUE(m->createDirectory("C:\\P").ok());
    EXPECT_EQ(m->moveFile("C:\\P", "C:\\P\\Q").code(), WinError::AccessDenied);
}

TEST_F(MachineTest, AKeptFolderTheMachineMovesOrRemovesIsLetGo) {
    Machine::KeepFolders kept(*m);
    ASSERT_TRUE(m->createDirectory("C:\\OUT").ok());
    put("C:\\OUT\\A.TXT", "a");
    EXPECT_EQ(m->openFile("C:\\OUT\\B.TXT", Access::Read, Disposition::OpenExisting).code(), WinError::FileNotFound);
    ASSERT_TRUE(m->moveFile("C:\\OUT", "C:\\OLD").ok());
    ASSERT_TRUE(m->createDirectory("C:\\OUT").ok());
    put("C:\\OUT\\B.TXT", "b");
    EXPECT_TRUE(fs::exists(cHost() / "OUT" / "B.TXT"));
    EXPECT_FALSE(fs::exists(cHost() / "OLD" / "B.TXT"));

    ASSERT_TRUE(m->deleteFile("C:\\OUT\\B.TXT").ok());
    ASSERT_TRUE(m->removeDirectory("C:\\OUT").ok());
    EXPECT_EQ(m->openFile("C:\\OUT\\C.TXT", Access::Write, Disposition::CreateNew).code(), WinError::PathNotFound);
    ASSERT_TRUE(m->createDirectory("C:\\OUT").ok());
    put("C:\\OUT\\C.TXT", "c");
    EXPECT_TRUE(fs::exists(cHost() / "OUT" / "C.TXT"));
}

TEST_P(MachineFiles, CurrentDirectoryIsTheMachinesNotTheProcesses) {
    std::string hostCwd = fs::current_path().string();
    ASSERT_TRUE(m->setCurrentDirectory("c:\\windows\\system").ok());
    EXPECT_EQ(m->currentDirectory(), "C:\\windows\\system");
    put("REL.TXT", "r");
    EXPECT_TRUE(fs::exists(cHost() / "WINDOWS" / "SYSTEM" / "REL.TXT"));
    EXPECT_EQ(fs::current_path().string(), hostCwd);
    EXPECT_EQ(m->setCurrentDirectory("C:\\NOWHERE").code(), WinError::PathNotFound);
    EXPECT_EQ(m->setCurrentDirectory("C:\\WINDOWS\\SYSTEM\\REL.TXT").code(), WinError::InvalidDirectory);
    EXPECT_EQ(m->removeDirectory("C:\\WINDOWS\\SYSTEM").code(), WinError::SharingViolation);
}

TEST_P(MachineFiles, ReadOnlyFilesAreProtectedByTheMachineItself) {
    put("C:\\RO.TXT", "keep");
    ASSERT_TRUE(m->setAttributes("C:\\RO.TXT", FileAttribute::ReadOnly).ok());
    struct stat st {};
    ASSERT_EQ(::stat((cHost() / "RO.TXT").c_str(), &st), 0);
    EXPECT_FALSE(st.st_mode & S_IWUSR);
    EXPECT_EQ(m->openFile("C:\\RO.TXT", Access::Write, Disposition::OpenExisting).code(), WinError::AccessDenied);
    EXPECT_EQ(m->openFile("C:\\RO.TXT", Access::Write, Disposition::CreateAlways).code(), WinError::AccessDenied);
    EXPECT_EQ(m->deleteFile("C:\\RO.TXT").code(), WinError::AccessDenied);
    EXPECT_EQ(m->moveFile("C:\\RO.TXT", "C:\\RW.TXT").code(), WinError::AccessDenied);
    EXPECT_EQ(m->writeFileAtomic("C:\\RO.TXT", "new").code(), WinError::AccessDenied);
    EXPECT_EQ(get("C:\\RO.TXT"), "keep");
    EXPECT_TRUE(m->openFile("C:\\RO.TXT", Access::Read, Disposition::OpenExisting).ok());
    ASSERT_TRUE(m->setAttributes("C:\\RO.TXT", FileAttribute::Normal).ok());
    EXPECT_TRUE(m->deleteFile("C:\\RO.TXT").ok());
}

TEST_P(MachineFiles, AttributesLiveInTheDosAttribExtendedAttribute) {
    put("C:\\H.TXT", "h");
    // New files carry the archive bit, as on Windows.
    EXPECT_EQ(*m->attributes("C:\\H.TXT"), FileAttribute::Archive);
    ASSERT_TRUE(m->setAttributes("C:\\H.TXT", FileAttribute::Hidden | FileAttribute::System).ok());
    char buf[16] = {};
    ssize_t n = ::getxattr((cHost() / "H.TXT").c_str(), "user.DOSATTRIB", buf, sizeof buf - 1);
    ASSERT_GT(n, 0);
    EXPECT_STREQ(buf, "0x6");
    EXPECT_EQ(*m->attributes("C:\\H.TXT"), FileAttribute::Hidden | FileAttribute::System);
    // Writing marks the file for backup again.
    auto f = m->openFile("C:\\H.TXT", Access::Write, Disposition::OpenExisting);
    ASSERT_TRUE(f->write("x", 1).ok());
    f->close();
    EXPECT_EQ(*m->attributes("C:\\H.TXT"), FileAttribute::Hidden | FileAttribute::System | FileAttribute::Archive);
    EXPECT_EQ(*m->attributes("C:\\WINDOWS"), FileAttribute::Directory);
    // A file put there by the host has never been backed up.
    writeHost(cHost() / "HOST.TXT", "h");
    EXPECT_EQ(*m->attributes("C:\\HOST.TXT"), FileAttribute::Archive);
}

TEST_P(MachineFiles, AtomicWritesKeepAttributesAndLeaveNoTemporaryFiles) {
    put("C:\\WINDOWS\\APP.INI", "old");
    ASSERT_TRUE(m->setAttributes("C:\\WINDOWS\\APP.INI", FileAttribute::Hidden).ok());
    ASSERT_TRUE(m->writeFileAtomic("c:\\windows\\app.ini", "new text").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\APP.INI"), "new text");
    EXPECT_EQ(*m->attributes("C:\\WINDOWS\\APP.INI"), FileAttribute::Hidden | FileAttribute::Archive);
    for (auto& e : fs::directory_iterator(cHost() / "WINDOWS"))
        EXPECT_EQ(e.path().filename().string().find(".zrv-"), std::string::npos) << e.path();
}

TEST_P(MachineFiles, LastWriteTimesAreHostModificationTimes) {
    put("C:\\T.TXT", "t");
    FileTime ft = fileTimeFromUnix(862826400); // 1997-05-05 10:00:00 UTC
    ASSERT_TRUE(m->setLastWriteTime("C:\\T.TXT", ft).ok());
    struct stat st {};
    ASSERT_EQ(::stat((cHost() / "T.TXT").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 862826400);
    EXPECT_EQ(m->stat("C:\\T.TXT")->lastWrite, ft);
}

TEST_P(MachineFiles, LoadedModulesAreInUse) {
    put("C:\\WINDOWS\\SYSTEM\\CTL3D32.DLL", "old");
    ASSERT_TRUE(m->createDirectory("C:\\COPY").ok());
    put("C:\\COPY\\CTL3D32.DLL", "");
    std::string ini = readHost(dir.path() / "machine" / "machine.ini");
    ini.insert(ini.find("[Modules]\n") + 10, "1=C:\\WINDOWS\\SYSTEM\\VBRUN300.DLL\n2=CTL3D32.DLL\n");
    writeHost(dir.path() / "machine" / "machine.ini", ini);
    open();
    EXPECT_TRUE(m->isModuleLoaded("vbrun300.dll"));
    EXPECT_TRUE(m->isModuleLoaded("VBRUN300"));
    EXPECT_TRUE(m->isModuleLoaded("C:\\WINDOWS\\SYSTEM\\VBRUN300.DLL"));
    EXPECT_FALSE(m->isModuleLoaded("C:\\VBRUN300.DLL"));
    EXPECT_FALSE(m->isModuleLoaded("OTHER.DLL"));
    EXPECT_EQ(m->openFile("C:\\WINDOWS\\SYSTEM\\CTL3D32.DLL", Access::Write, Disposition::CreateAlways).code(),
              WinError::SharingViolation);
    EXPECT_EQ(m->deleteFile("c:\\windows\\system\\ctl3d32.dll").code(), WinError::SharingViolation);
    EXPECT_EQ(m->moveFile("C:\\WINDOWS\\SYSTEM\\CTL3D32.DLL", "C:\\X.DLL").code(), WinError::SharingViolation);
    EXPECT_EQ(m->openFile("C:\\WINDOWS\\SYSTEM\\VBRUN300.DLL", Access::Write, Disposition::CreateAlways).code(),
              WinError::SharingViolation);
    EXPECT_EQ(get("C:\\WINDOWS\\SYSTEM\\CTL3D32.DLL"), "old");
    EXPECT_TRUE(m->deleteFile("C:\\COPY\\CTL3D32.DLL").ok());
}

TEST_P(MachineFiles, ExtraDrivesAreReadOnlyLabelledAndSized) {
    TempDir floppy;
    writeHost(floppy.path() / "SETUP.SCR", "script");
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("A=" + floppy.path().string() + ",ro,label=DISK1"));
    o.drives.push_back(*DriveMapping::parse("B=" + floppy.path().string() + ",size=20"));
    open(o);
    EXPECT_EQ(m->driveLetters(), (std::vector<char>{'A', 'B', 'C'}));
    EXPECT_EQ(*m->volumeLabel('a'), "DISK1");
    EXPECT_EQ(get("A:\\setup.scr"), "script");
    EXPECT_EQ(m->openFile("A:\\NEW", Access::Write, Disposition::CreateAlways).code(), WinError::WriteProtect);
    EXPECT_EQ(m->deleteFile("A:\\SETUP.SCR").code(), WinError::WriteProtect);
    EXPECT_EQ(m->createDirectory("A:\\D").code(), WinError::WriteProtect);
    EXPECT_EQ(m->volumeLabel('Q').code(), WinError::InvalidDrive);
    // 6 of 20 bytes are used, so 14 fit.
    EXPECT_EQ(*m->freeSpace('B'), 14u);
    auto f = m->openFile("B:\\BIG", Access::Write, Disposition::CreateNew);
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(*f->write("0123456789ABCDEFGHIJ", 20), 14u);
    EXPECT_EQ(f->write("x", 1).code(), WinError::DiskFull);
    EXPECT_EQ(*m->freeSpace('B'), 0u);
    EXPECT_EQ(m->writeFileAtomic("B:\\MORE", "x").code(), WinError::DiskFull);
}

TEST_P(MachineFiles, FreeSpaceIsHeldAtTwoGigabytes) {
    auto free = m->freeSpace('C');
    ASSERT_TRUE(free.ok());
    EXPECT_LE(*free, Machine::kMaxReportedFreeSpace);
    EXPECT_GT(*free, 0u);
}

} // namespace

namespace {

// Everything below the drive: relative names (as stored), with each file's content.
std::string treeOf(const fs::path& root) {
    std::vector<std::string> lines;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        std::string rel = fs::relative(it->path(), root).string();
        lines.push_back(it->is_directory() ? rel + "/" : rel + "=" + readHost(it->path()));
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

} // namespace

TEST(KeptFolders, ChangeNoOutcomeOfAnyMixOfOperations) {
    // The same random operations on a machine that walks every path and on one
    // that keeps the folders it resolves: every answer and the files must agree.
    struct Box {
        TempDir dir;
        std::unique_ptr<Machine> m = std::move(Machine::open(dir.path() / "machine").value());
        fs::path cHost() const { return dir.path() / "machine" / "drive_c"; }
    } walking, keeping;
    Machine::KeepFolders kept(*keeping.m);
    const std::vector<std::string> folders = {"C:\\D1", "C:\\d1", "C:\\D2", "C:\\D1\\S", "C:\\d1\\s", "C:\\D2\\S"};
    const std::vector<std::string> names = {"A.TXT", "a.txt", "B.TXT", "S"};
    std::mt19937 rng(2026);
    auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
    for (int step = 0; step < 1500; ++step) {
        std::string dir = pick(folders), path = dir + "\\" + pick(names), other = pick(folders) + "\\" + pick(names);
        std::string text = "t" + std::to_string(step);
        int op = static_cast<int>(rng() % 9);
        auto apply = [&](Box& t) -> std::string {
            Machine& m = *t.m;
            switch (op) {
            case 0: return winErrorName(m.createDirectory(dir).code());
            case 1: {
                // Removed and, now and then, made again at once: a folder kept
                // before must not stand in for the new one.
                std::string r = winErrorName(m.removeDirectory(dir).code());
                return rng() % 2 ? r + winErrorName(m.createDirectory(dir).code()) : r;
            }
            case 2: {
                auto f = m.openFile(path, Access::Write, rng() % 2 ? Disposition::CreateNew : Disposition::CreateAlways);
                if (f)
                    (void)f->write(text.data(), text.size());
                return winErrorName(f.code());
            }
            case 3: return winErrorName(m.deleteFile(path).code());
            case 4: return winErrorName(m.moveFile(path, other).code());
            case 5: return winErrorName(m.moveFile(dir, pick(folders)).code());
            case 6: {
                auto s = m.stat(path);
                return s ? s->name + (s->isDirectory() ? "/" : "") : winErrorName(s.code());
            }
            case 7: {
                auto r = m.readFile(path);
                return r ? *r : winErrorName(r.code());
            }
            default: {
                // Another program adds a file the machine has not seen.
                auto host = m.hostPath(dir);
                if (host && fs::is_directory(*host))
                    writeHost(*host / ("x" + std::to_string(step)), "x");
                return "host";
            }
            }
        };
        // Both see the same draws: the second machine replays the first's.
        auto state = rng;
        std::string a = apply(walking);
        rng = state;
        std::string b = apply(keeping);
        ASSERT_EQ(a, b) << "step " << step << " op " << op << " " << path << " " << other;
        if (step % 100 == 99) {
            ASSERT_EQ(treeOf(walking.cHost()), treeOf(keeping.cHost())) << "after step " << step;
        }
    }
    EXPECT_EQ(treeOf(walking.cHost()), treeOf(keeping.cHost()));
}
