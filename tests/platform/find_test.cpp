#include "platform/base/ansi.h"
#include "platform/base/wildcard.h"
#include "platform/machine/machine.h"

#include "tests/support/testing.h"

#include <fstream>

namespace fs = std::filesystem;

using namespace zrv;
using namespace zrv::testing;

namespace {

struct Match {
    const char* pattern;
    const char* name;
    bool matches;
};

void PrintTo(const Match& m, std::ostream* os) { *os << m.pattern << " ~ " << m.name; }

class Wildcards : public ::testing::TestWithParam<Match> {};

TEST_P(Wildcards, FollowWindowsRules) {
    EXPECT_EQ(matchesPattern(GetParam().pattern, GetParam().name), GetParam().matches)
        << GetParam().pattern << " vs " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Wildcards,
    ::testing::Values(Match{"*.*", "README", true}, Match{"*.*", "A.TXT", true}, Match{"*", "A.B.C", true},
                      Match{"*.TXT", "a.txt", true}, Match{"*.TXT", "A.TXT.BAK", false},
                      Match{"*.", "README", true}, Match{"*.", "A.TXT", false},
                      Match{"README.*", "README", true}, Match{"README.*", "README.TXT", true},
                      Match{"A?.TXT", "AB.TXT", true}, Match{"A?.TXT", "A.TXT", true},
                      Match{"A?.TXT", "ABC.TXT", false}, Match{"FILE??", "FILE1", true},
                      Match{"?", "", true}, Match{"F*E", "FE", true}, Match{"F*E", "FILE", true},
                      Match{"F*E", "FILES", false}, Match{"*A*B*", "XAYBZ", true},
                      Match{"*A*B*", "XBYAZ", false}, Match{"SETUP.EX?", "SETUP.EX_", true},
                      Match{"\xe9T\xe9", "\xc9t\xc9", true}, Match{"NAME", "name", true}));

class DirectorySearch : public MachineTest {};

TEST_F(DirectorySearch, FindsFilesAndDirectoriesInAStableOrder) {
    for (const char* n : {"zeta.txt", "Alpha.TXT", "beta.ini", "README"})
        put(std::string("C:\\") + n, "x");
    auto found = m->findFiles("C:\\*.*");
    ASSERT_TRUE(found.ok());
    std::vector<std::string> names;
    for (const FileInfo& f : *found)
        names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha.TXT", "AUTOEXEC.BAT", "beta.ini", "CONFIG.SYS",
                                               "Program Files", "README", "WINDOWS", "zeta.txt"}));
    auto txt = m->findFiles("c:\\*.txt");
    ASSERT_TRUE(txt.ok());
    ASSERT_EQ(txt->size(), 2u);
    EXPECT_EQ((*txt)[0].size, 1u);
    EXPECT_TRUE((*m->findFiles("C:\\WIN*"))[0].isDirectory());
}

TEST_F(DirectorySearch, ANamesOnlySearchListsTheSameEntries) {
    ASSERT_TRUE(m->createDirectory("C:\\LIST").ok());
    ASSERT_TRUE(m->createDirectory("C:\\LIST\\Sub").ok());
    put("C:\\LIST\\b.txt", "x");
    put("C:\\LIST\\target.dat", "t");
    fs::create_symlink("target.dat", cHost() / "LIST" / "link.dat");
    fs::create_symlink("/nowhere", cHost() / "LIST" / "dangling");
    auto full = m->findFiles("C:\\LIST\\*.*");
    auto names = m->findFiles("C:\\LIST\\*.*", Machine::Detail::Brief);
    ASSERT_TRUE(full.ok() && names.ok());
    ASSERT_EQ(full->size(), names->size());
    for (std::size_t i = 0; i < full->size(); ++i) {
        EXPECT_EQ((*names)[i].name, (*full)[i].name);
        EXPECT_EQ((*names)[i].isDirectory(), (*full)[i].isDirectory()) << (*full)[i].name;
    }
    EXPECT_EQ(full->size(), 6u); // ".", "..", b.txt, link.dat, Sub, target.dat
}

TEST_F(DirectorySearch, ListsDotEntriesBelowARoot) {
    ASSERT_TRUE(m->createDirectory("C:\\EMPTY").ok());
    auto found = m->findFiles("C:\\EMPTY\\*.*");
    ASSERT_TRUE(found.ok());
    ASSERT_EQ(found->size(), 2u);
    EXPECT_EQ((*found)[0].name, ".");
    EXPECT_EQ((*found)[1].name, "..");
    EXPECT_TRUE(m->findFiles("C:\\EMPTY\\*.TXT")->empty());
}

TEST_F(DirectorySearch, APlainNameFindsThatEntryAndAMissingFolderIsAnError) {
    auto one = m->findFiles("c:\\windows");
    ASSERT_TRUE(one.ok());
    ASSERT_EQ(one->size(), 1u);
    EXPECT_EQ((*one)[0].name, "WINDOWS");
    EXPECT_TRUE(m->findFiles("C:\\NOFILE")->empty());
    EXPECT_EQ(m->findFiles("C:\\NODIR\\*.*").code(), WinError::PathNotFound);
}

TEST_F(DirectorySearch, HostNamesWindowsCannotShowAreLeftOut) {
    writeHost(cHost() / "ok.txt", "");
    writeHost(cHost() / "a:b", "");
    writeHost(cHost() / "trail.", "");
    writeHost(cHost() / "\xe4\xb8\xad.txt", "");
    writeHost(cHost() / "caf\xc3\xa9.txt", "");
    std::vector<std::string> names;
    for (const FileInfo& f : *m->findFiles("C:\\*.txt"))
        names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"caf\xe9.txt", "ok.txt"}));
}

} // namespace

namespace {

class CaseFoldedIndex : public MachineTest {};

// Folders are indexed by upper-cased name; the index must follow every later
// change, ours (kept up to date) or the host's (seen through the change time).
TEST_F(CaseFoldedIndex, FollowsOurOwnChanges) {
    ASSERT_TRUE(m->createDirectory("C:\\BUSY").ok());
    put("C:\\BUSY\\First.Txt", "1");
    EXPECT_EQ(get("C:\\busy\\FIRST.TXT"), "1"); // builds the index
    put("C:\\busy\\Second.Txt", "2");
    EXPECT_EQ(get("C:\\BUSY\\SECOND.TXT"), "2");
    ASSERT_TRUE(m->moveFile("C:\\BUSY\\FIRST.TXT", "C:\\BUSY\\Third.Txt").ok());
    EXPECT_EQ(get("C:\\busy\\first.txt"), "<file not found>");
    EXPECT_EQ(get("C:\\busy\\third.TXT"), "1");
    ASSERT_TRUE(m->deleteFile("c:\\busy\\second.txt").ok());
    EXPECT_EQ(get("C:\\BUSY\\Second.Txt"), "<file not found>");
    ASSERT_TRUE(m->writeFileAtomic("C:\\BUSY\\Fourth.Ini", "[a]").ok());
    EXPECT_EQ(get("C:\\BUSY\\FOURTH.INI"), "[a]");
    ASSERT_TRUE(m->createDirectory("C:\\BUSY\\Sub").ok());
    EXPECT_TRUE(m->isDirectory("C:\\busy\\SUB"));
    ASSERT_TRUE(m->removeDirectory("C:\\busy\\sub").ok());
    EXPECT_FALSE(m->exists("C:\\BUSY\\SUB"));
    // Only one spelling per name: a new file in another case reuses the old one.
    put("C:\\BUSY\\THIRD.TXT", "3");
    std::size_t n = 0;
    for (auto& e : fs::directory_iterator(cHost() / "BUSY"))
        n += e.path().filename() == "Third.Txt" || e.path().filename() == "THIRD.TXT";
    EXPECT_EQ(n, 1u);
}

// A folder's index holds while its change time does. Another program's change
// in the same tick of the host's file clock would leave that time as it was,
// so each host change here waits for the next tick first (milliseconds).
void waitForTheNextTick(const fs::path& folder) {
    const fs::path probe = folder.parent_path() / ".tick";
    const auto was = fs::last_write_time(folder);
    do
        std::ofstream(probe) << "x";
    while (fs::last_write_time(probe) <= was);
    fs::remove(probe);
}

TEST_F(CaseFoldedIndex, FollowsChangesMadeAfterIndexing) {
    ASSERT_TRUE(m->createDirectory("C:\\SETTLED").ok());
    writeHost(cHost() / "SETTLED" / "Old.Txt", "old");
    EXPECT_EQ(get("C:\\settled\\OLD.TXT"), "old");
    waitForTheNextTick(cHost() / "SETTLED");
    writeHost(cHost() / "SETTLED" / "HostMade.Txt", "host");
    EXPECT_EQ(get("C:\\settled\\hostmade.txt"), "host");
    waitForTheNextTick(cHost() / "SETTLED");
    fs::rename(cHost() / "SETTLED" / "Old.Txt", cHost() / "SETTLED" / "Renamed.Txt");
    EXPECT_EQ(get("C:\\settled\\old.txt"), "<file not found>");
    EXPECT_EQ(get("C:\\settled\\RENAMED.TXT"), "old");
    put("C:\\SETTLED\\Mine.Txt", "mine");
    EXPECT_EQ(get("C:\\settled\\MINE.TXT"), "mine");
}

// While folders are kept, the index is looked at once and then kept current by
// the machine alone; when the statement ends it takes the folder's change time,
// so another program's change after that is still seen.
TEST_F(CaseFoldedIndex, KeptFoldersTrustTheirIndexUntilTheStatementEnds) {
    ASSERT_TRUE(m->createDirectory("C:\\KEPT").ok());
    put("C:\\KEPT\\Seed.Txt", "seed");
    {
        Machine::KeepFolders keep(*m);
        EXPECT_EQ(get("C:\\kept\\SEED.TXT"), "seed");
        for (int i = 0; i < 20; ++i)
            put("C:\\KEPT\\Made" + std::to_string(i) + ".Txt", std::to_string(i));
        ASSERT_TRUE(m->moveFile("C:\\kept\\made3.txt", "C:\\KEPT\\Moved.Txt").ok());
        ASSERT_TRUE(m->deleteFile("C:\\KEPT\\MADE4.TXT").ok());
        EXPECT_EQ(get("C:\\kept\\MADE7.TXT"), "7");
        EXPECT_EQ(get("C:\\kept\\MOVED.TXT"), "3");
        EXPECT_EQ(get("C:\\kept\\made3.TXT"), "<file not found>");
        EXPECT_EQ(get("C:\\kept\\made4.TXT"), "<file not found>");
        // One spelling per name, as ever.
        put("C:\\KEPT\\MADE7.TXT", "seven");
    }
    EXPECT_EQ(get("C:\\kept\\made7.txt"), "seven");
    waitForTheNextTick(cHost() / "KEPT");
    fs::rename(cHost() / "KEPT" / "Made9.Txt", cHost() / "KEPT" / "Nine.Txt");
    writeHost(cHost() / "KEPT" / "Host.Txt", "host");
    Machine::KeepFolders keep(*m);
    EXPECT_EQ(get("C:\\kept\\made9.txt"), "<file not found>");
    EXPECT_EQ(get("C:\\kept\\NINE.TXT"), "9");
    EXPECT_EQ(get("C:\\kept\\HOST.TXT"), "host");
    std::size_t sevens = 0;
    for (auto& e : fs::directory_iterator(cHost() / "KEPT"))
        sevens += upperAnsi(e.path().filename().string()) == "MADE7.TXT";
    EXPECT_EQ(sevens, 1u);
}

// A name looked at in a kept folder shows what a walk from the root shows:
// stored attributes, size and time, and links inside the drive followed.
TEST_F(CaseFoldedIndex, AKeptFolderShowsWhatAWalkShows) {
    ASSERT_TRUE(m->createDirectory("C:\\LOOK").ok());
    ASSERT_TRUE(m->createDirectory("C:\\ELSE").ok());
    put("C:\\LOOK\\Hidden.Txt", "hidden");
    ASSERT_TRUE(m->setAttributes("C:\\LOOK\\HIDDEN.TXT", FileAttribute::Hidden | FileAttribute::ReadOnly).ok());
    put("C:\\LOOK\\Plain.Txt", "plain");
    put("C:\\ELSE\\Target.Txt", "target");
    fs::create_symlink("../ELSE/Target.Txt", cHost() / "LOOK" / "Link.Txt");
    const std::vector<std::string> names = {"C:\\LOOK\\Hidden.Txt", "C:\\look\\plain.txt", "C:\\LOOK\\Link.Txt",
                                            "C:\\LOOK\\LINK.TXT", "C:\\LOOK\\None.Txt"};
    auto seen = [&] {
        std::vector<std::string> out;
        for (const std::string& n : names) {
            auto st = m->stat(n);
            out.push_back(st ? st->name + " " + std::to_string(st->attributes) + " " + std::to_string(st->size) + " " +
                                   std::to_string(st->lastWrite) + " " + get(n)
                             : winErrorName(st.code()));
        }
        return out;
    };
    const auto walked = seen();
    EXPECT_EQ(walked[0].substr(0, 13), "Hidden.Txt 3 ");
    EXPECT_NE(walked[2].find("target"), std::string::npos);
    Machine::KeepFolders keep(*m);
    EXPECT_EQ(seen(), walked);
    EXPECT_EQ(seen(), walked); // and again, the folder kept by now
}

} // namespace
