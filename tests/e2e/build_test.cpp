// zrva32 build as an author's script runs it: the disks it writes, and the
// projects it refuses without writing anything.
#include "authoring/build/planner.h"
#include "tests/support/process.h"
#include "tests/support/testing.h"

#include <map>
#include <random>
#include <sys/stat.h>

using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

class Builds : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.path() / "src";
        fs::create_directories(src);
        project = quote(src / "APP.SPJ");
        ASSERT_EQ(zrva32("new " + project).status, 0);
        ASSERT_EQ(zrva32("set " + project + " APPNAME=App SPLITSIZE=4 RESERVE=16").status, 0);
    }
    Outcome zrva32(const std::string& args) {
        return runCommand(std::string(ZRVA32_PATH) + " --machine " + quote(dir.path() / "authoring") + " " + args);
    }
    void add(const std::string& name, const std::string& bytes, const std::string& props = "") {
        spit(src / name, bytes);
        Outcome r = zrva32("add " + project + " file " + quote(src / name) + " " + props);
        ASSERT_EQ(r.status, 0) << r.out;
    }
    // Every file of a set, by its path below the set, with its bytes.
    std::map<std::string, std::string> listing(const fs::path& set) {
        std::map<std::string, std::string> files;
        for (auto& e : fs::recursive_directory_iterator(set))
            if (e.is_regular_file())
                files[fs::relative(e.path(), set).string()] = slurp(e.path());
        return files;
    }
    // A build that is refused: exit 1, the message, nothing written, the project as it was.
    void refused(const std::string& options, const std::string& message) {
        const std::string before = slurp(src / "APP.SPJ");
        Outcome r = zrva32("build " + project + " -o " + quote(dir.path() / "refused") + " " + options);
        EXPECT_EQ(r.status, 1) << options << "\n" << r.out;
        EXPECT_NE(r.out.find(message), std::string::npos) << options << "\n" << r.out;
        EXPECT_NE(r.out.find("An error occured during the build process"), std::string::npos);
        EXPECT_FALSE(fs::exists(dir.path() / "refused"));
        EXPECT_EQ(slurp(src / "APP.SPJ"), before);
    }

    TempDir dir;
    fs::path src;
    std::string project;
};

std::string text(std::size_t size) {
    std::string s;
    for (int i = 0; s.size() < size; ++i)
        s += "Line " + std::to_string(i % 331) + " of a long help text. ";
    s.resize(size);
    return s;
}

TEST_F(Builds, DisksHoldWhatThePlanSaysAndRebuildIdentically) {
    add("APP.EXE", text(3000), "compress=1");
    add("HELP.HLP", text(60000), "compress=1");
    std::string noise(5000, '\0');
    std::mt19937 random(7);
    for (char& c : noise)
        c = static_cast<char>(random());
    add("NOISE.BIN", noise, "compress=1 ext=BI_");
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    Outcome one = zrva32("build " + project + " --disk-size 24000 --jobs 1 -o " + quote(dir.path() / "one"));
    Outcome two = zrva32("build " + project + " --disk-size 24000 --jobs 2 -o " + quote(dir.path() / "two") +
                         " --report " + quote(dir.path() / "report.json"));
    ::unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(one.status, 0) << one.out;
    ASSERT_EQ(two.status, 0) << two.out;
    auto a = listing(dir.path() / "one"), b = listing(dir.path() / "two");
    EXPECT_EQ(a, b);
    ASSERT_TRUE(a.count("DISK1/SETUP.SCR") && a.count("DISK1/DISK01") && a.count("DISK2/DISK02"));
    EXPECT_EQ(a["DISK1/DISK01"], "DISK01\r\n");
    const std::string report = slurp(dir.path() / "report.json");
    EXPECT_NE(report.find("{\"name\":\"NOISE.BI_\",\"role\":\"file\",\"index\":3,"), std::string::npos) << report;
    EXPECT_NE(report.find("\"stored\":\"raw\""), std::string::npos);
    EXPECT_NE(report.find("{\"name\":\"HELP.HL_\",\"role\":\"file\",\"index\":2,\"first\":1,\"last\":"), std::string::npos)
        << report;
    EXPECT_EQ(a["DISK1/SETUP.DAT"], "Starting App Setup...\r\n");
    // The help file, split over disks, joins to its SZDD form, which msexpand expands.
    std::string joined;
    for (int d = 1; d <= 9; ++d)
        if (a.count("DISK" + std::to_string(d) + "/HELP.HL_"))
            joined += a["DISK" + std::to_string(d) + "/HELP.HL_"];
    ASSERT_FALSE(joined.empty());
    EXPECT_TRUE(joined.starts_with("SZDD"));
    spit(dir.path() / "HELP.HL_", joined);
    Outcome expanded = runCommand("msexpand < " + quote(dir.path() / "HELP.HL_") + " > " + quote(dir.path() / "HELP.OUT"));
    EXPECT_EQ(expanded.status, 0) << expanded.out;
    EXPECT_EQ(slurp(dir.path() / "HELP.OUT"), text(60000));
    // Noise does not shrink: it is stored as it is under its compressed name.
    std::string noiseOnSet;
    for (const auto& [path, bytes] : a)
        if (path.ends_with("NOISE.BI_"))
            noiseOnSet = bytes;
    EXPECT_EQ(noiseOnSet, noise);
    // No date later than the set's.
    for (auto& e : fs::recursive_directory_iterator(dir.path() / "one")) {
        struct ::stat st {};
        if (e.is_regular_file() && ::stat(e.path().c_str(), &st) == 0) {
            EXPECT_LE(st.st_mtime, 1700000000) << e.path();
        }
    }
    // --no-store-raw compresses everything.
    ASSERT_EQ(zrva32("build " + project + " --disk-size 24000 --no-store-raw -o " + quote(dir.path() / "three")).status, 0);
    for (const auto& [path, bytes] : listing(dir.path() / "three")) {
        if (path.ends_with("NOISE.BI_")) {
            EXPECT_TRUE(bytes.starts_with("SZDD"));
        }
    }
    // An earlier set is replaced; anything else in the folder needs --force.
    spit(dir.path() / "one" / "NOTES.TXT", "mine");
    Outcome again = zrva32("build " + project + " -o " + quote(dir.path() / "one"));
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(slurp(dir.path() / "one" / "NOTES.TXT"), "mine");
    EXPECT_EQ(zrva32("build " + project + " -o " + quote(dir.path() / "one") + " --force").status, 0);
    EXPECT_FALSE(fs::exists(dir.path() / "one" / "NOTES.TXT"));
    EXPECT_FALSE(fs::exists(dir.path() / "one" / "DISK2")); // one 1.44M disk now
}

TEST_F(Builds, ProjectsThatCannotBeBuiltWriteNothing) {
    add("APP.EXE", text(3000));
    add("BIG.DAT", text(3000));
    fs::remove(src / "APP.EXE");
    fs::remove(src / "BIG.DAT");
    Outcome r = zrva32("build " + project + " -o " + quote(dir.path() / "refused"));
    EXPECT_NE(r.out.find("APP.EXE is missing (FILE1)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("BIG.DAT is missing (FILE2)"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.path() / "refused"));
    spit(src / "APP.EXE", text(3000));
    spit(src / "BIG.DAT", text(3000));

    refused("--disk-size 24000 --max-disks 1 --no-store-raw", "");
    ASSERT_EQ(zrva32("set " + project + " SPLITSIZE=100").status, 0);
    spit(src / "BIG.DAT", text(30000));
    refused("--disk-size 24000", "fits no 24000 disk and is not larger than the split size");
    spit(src / "BIG.DAT", text(3000));
    refused("--disk-size 5000", "does not fit on disk 1");
    ASSERT_EQ(zrva32("set " + project + " RESERVE=1").status, 0);
    refused("", "raise RESERVE");
    ASSERT_EQ(zrva32("set " + project + " RESERVE=16").status, 0);
    add("LONGNAME.TEXT", "x");
    refused("", "LONGNAME.TEXT is not an 8.3 name");
    ASSERT_EQ(zrva32("remove " + project + " file 3").status, 0);
    fs::create_directories(src / "other");
    spit(src / "other" / "app.exe", "again");
    ASSERT_EQ(zrva32("add " + project + " file " + quote(src / "other" / "app.exe")).status, 0);
    refused("", "two items of the set are named APP.EXE");
    ASSERT_EQ(zrva32("remove " + project + " file 3").status, 0);
    spit(dir.path() / "afile", "x");
    const std::string before = slurp(src / "APP.SPJ");
    Outcome out = zrva32("build " + project + " -o " + quote(dir.path() / "afile" / "set"));
    EXPECT_EQ(out.status, 1) << out.out;
    EXPECT_EQ(slurp(src / "APP.SPJ"), before);
    EXPECT_EQ(zrva32("build " + project + " --disk-size 3G").status, 2);
    EXPECT_EQ(zrva32("build " + project + " --jobs 0").status, 2);
}

TEST_F(Builds, FloppyImagesAreFat12DisksThatMtoolsAndFsckRead) {
    add("APP.EXE", text(3000), "compress=1");
    add("HELP.HLP", text(400000));
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    Outcome a = zrva32("build " + project + " --disk-size 360K --images -o " + quote(dir.path() / "a"));
    Outcome b = zrva32("build " + project + " --disk-size 360K --images -o " + quote(dir.path() / "b"));
    ::unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(a.status, 0) << a.out;
    ASSERT_EQ(b.status, 0) << b.out;
    ASSERT_TRUE(fs::exists(dir.path() / "a" / "DISK2.IMG"));
    EXPECT_EQ(slurp(dir.path() / "a" / "DISK1.IMG"), slurp(dir.path() / "b" / "DISK1.IMG"));
    EXPECT_EQ(fs::file_size(dir.path() / "a" / "DISK1.IMG"), 368640u);
    for (const char* disk : {"DISK1", "DISK2"}) {
        const std::string image = quote(dir.path() / "a" / (std::string(disk) + ".IMG"));
        EXPECT_EQ(runCommand("PATH=\"$PATH:/usr/sbin:/sbin\" fsck.fat -n " + image).status, 0) << disk;
        Outcome listed = runCommand("mdir -i " + image + " ::");
        EXPECT_NE(listed.out.find(std::string("Volume in drive : is ") + (disk[4] == '1' ? "DISK01" : "DISK02")),
                  std::string::npos)
            << listed.out;
        // Every file of the folder is in the image, byte for byte.
        for (auto& e : fs::directory_iterator(dir.path() / "a" / disk)) {
            const fs::path copy = dir.path() / "copied";
            fs::remove(copy);
            ASSERT_EQ(runCommand("mcopy -i " + image + " ::" + e.path().filename().string() + " " + quote(copy)).status, 0);
            EXPECT_EQ(slurp(copy), slurp(e.path())) << e.path();
        }
    }
    EXPECT_EQ(zrva32("build " + project + " --disk-size 100000 --images -o " + quote(dir.path() / "c")).status, 2);
}

TEST_F(Builds, RefillUsesOneFolderForEveryDiskAfterItsPrompt) {
    add("APP.EXE", text(3000), "compress=1");
    add("HELP.HLP", text(40000));
    const fs::path drive = dir.path() / "drive";
    spit(drive / "OLD.TXT", "to be deleted");
    Outcome r = runCommand("printf '\\n\\n\\n\\n\\n\\n' | " + std::string(ZRVA32_PATH) + " --machine " +
                           quote(dir.path() / "authoring") + " build " + project + " --disk-size 24000 --refill " +
                           quote(drive));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Please insert the first disk to be used in drive Z:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Please insert disk #2 in drive Z:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Please insert disk #1 to be used for the installation disk pack"), std::string::npos);
    EXPECT_FALSE(fs::exists(drive / "OLD.TXT"));
    // The last disk's files, and the finished script.
    EXPECT_FALSE(fs::exists(drive / "DISK01"));
    EXPECT_TRUE(fs::exists(drive / "DISK02") || fs::exists(drive / "DISK03"));
    EXPECT_TRUE(slurp(drive / "SETUP.SCR").starts_with("//\r\n"));
    Outcome cancel = runCommand("printf 'q\\n' | " + std::string(ZRVA32_PATH) + " --machine " +
                                quote(dir.path() / "authoring") + " build " + project + " --disk-size 24000 --refill " +
                                quote(dir.path() / "other"));
    EXPECT_EQ(cancel.status, 130) << cancel.out;
    EXPECT_NE(cancel.out.find("Project build process cancelled"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "other"));
}

TEST_F(Builds, IncludeChoosesTheOptionalFilesOfThisBuild) {
    add("APP.EXE", text(300));
    add("EXTRA.TXT", text(300), "optional=1");
    auto names = [&](const std::string& options) {
        fs::remove_all(dir.path() / "inc");
        Outcome r = zrva32("build " + project + " -o " + quote(dir.path() / "inc") + " " + options);
        EXPECT_EQ(r.status, 0) << r.out;
        return listing(dir.path() / "inc");
    };
    EXPECT_FALSE(names("").count("DISK1/EXTRA.TXT"));
    EXPECT_TRUE(names("--include 2").count("DISK1/EXTRA.TXT"));
    EXPECT_TRUE(names("--include all").count("DISK1/EXTRA.TXT"));
    EXPECT_NE(slurp(src / "APP.SPJ").find("FLAGS2=0,0,0,0,0,1,0,1,0,0,1,0,TX_"), std::string::npos); // not saved
    ASSERT_EQ(zrva32("set " + project + " file 2 included=1").status, 0);
    EXPECT_TRUE(names("").count("DISK1/EXTRA.TXT"));
    EXPECT_FALSE(names("--include none").count("DISK1/EXTRA.TXT"));
    EXPECT_EQ(zrva32("build " + project + " --include 2,x").status, 2);
}

TEST_F(Builds, TheRuntimeFolderOfTheKitGivesTheSameSetAsTheStandIns) {
    add("APP.EXE", text(3000), "compress=1");
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    Outcome own = zrva32("build " + project + " -o " + quote(dir.path() / "own"));
    Outcome kit = zrva32("build " + project + " -o " + quote(dir.path() / "kit") + " --runtime " +
                         quote(ZRV_RUNTIME_FILES));
    ::unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(own.status, 0) << own.out;
    ASSERT_EQ(kit.status, 0) << kit.out;
    EXPECT_EQ(listing(dir.path() / "own"), listing(dir.path() / "kit"));
    // A folder without them names each missing one.
    fs::create_directories(dir.path() / "empty");
    Outcome none = zrva32("build " + project + " -o " + quote(dir.path() / "none") + " --runtime " +
                          quote(dir.path() / "empty"));
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.out.find("SETUP.EXE is missing"), std::string::npos) << none.out;
    EXPECT_NE(none.out.find("ZRVX32.EXE is missing"), std::string::npos) << none.out;
}

TEST(FloppyFormats, HoldWhatMformatGivesThem) {
    TempDir dir;
    const std::pair<const char*, const char*> formats[] = {
        {"360K", "360"}, {"720K", "720"}, {"1.2M", "1200"}, {"1.44M", "1440"}, {"2.88M", "2880"}};
    for (const auto& [name, size] : formats) {
        const std::string image = quote(dir.path() / (std::string(size) + ".img"));
        ASSERT_EQ(runCommand(std::string("mformat -C -f ") + size + " -v DISK01 -i " + image + " ::").status, 0);
        Outcome listed = runCommand("mdir -i " + image + " ::");
        // "362 496 bytes free": the data clusters times their size.
        std::string digits;
        const auto at = listed.out.find("bytes free");
        ASSERT_NE(at, std::string::npos) << listed.out;
        for (std::size_t i = listed.out.rfind('\n', at) + 1; i < at; ++i)
            if (std::isdigit(static_cast<unsigned char>(listed.out[i])))
                digits += listed.out[i];
        const auto capacity = zrv::build::Capacity::parse(name);
        ASSERT_TRUE(capacity);
        EXPECT_EQ(std::to_string(capacity->clusters * capacity->clusterSize), digits) << name;
        Outcome info = runCommand("minfo -i " + image + " ::");
        EXPECT_NE(info.out.find("root directory slots: " + std::to_string(capacity->rootEntries)), std::string::npos)
            << name << info.out;
    }
}

} // namespace
