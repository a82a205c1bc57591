// No path a script can write reaches a host file outside the drive roots.
#include "platform/host/hostfs.h"
#include "platform/machine/machine.h"

#include "tests/support/testing.h"

#include <unistd.h>

using namespace zrv;
using namespace zrv::testing;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class Confinement : public MachineTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        keepFolders = GetParam();
        MachineTest::SetUp();
        // A secret beside the machine, and links inside drive C: that point at it.
        secret = dir.path() / "secret";
        writeHost(secret / "passwd", "secret");
        fs::create_directory_symlink(secret, cHost() / "abs");
        fs::create_directory_symlink("../../secret", cHost() / "rel");
        fs::create_symlink(secret / "passwd", cHost() / "file.lnk");
        fs::create_symlink(secret / "newfile", cHost() / "dangling");
        fs::create_directory_symlink("/", cHost() / "root");
    }

    void expectSecretUntouched() {
        EXPECT_EQ(readHost(secret / "passwd"), "secret");
        EXPECT_FALSE(fs::exists(secret / "newfile"));
        EXPECT_FALSE(fs::exists(secret / "made"));
        std::size_t n = 0;
        for ([[maybe_unused]] auto& e : fs::directory_iterator(secret))
            ++n;
        EXPECT_EQ(n, 1u);
    }

    fs::path secret;
};

const std::vector<std::string> kHostile = {
    "C:\\..\\..\\secret\\passwd",
    "C:\\WINDOWS\\..\\..\\..\\..\\..\\secret\\passwd",
    "..\\..\\..\\secret\\passwd",
    "C:/../../secret/passwd",
    "C:\\abs\\passwd",
    "C:\\rel\\passwd",
    "C:\\ABS\\PASSWD",
    "C:\\file.lnk",
    "C:\\dangling",
    "C:\\root\\etc\\passwd",
    "C:\\abs\\..\\..\\secret\\passwd",
    "\\\\localhost\\secret\\passwd",
    "\\\\?\\C:\\..\\secret\\passwd",
    "\\\\.\\C:",
    "/etc/passwd",
    "C:\\WINDOWS\0\\..\\..\\secret\\passwd"s,
    "C:\\NUL",
    "C:\\WINDOWS\\CON",
    "C:\\" + std::string(300, 'a'),
    "C:\\" + std::string(120, 'b') + "\\" + std::string(120, 'c') + "\\" + std::string(40, 'd'),
    "Z:\\secret\\passwd",
};

TEST_P(Confinement, HostilePathsNeitherReadNorWriteOutside) {
    for (const std::string& p : kHostile) {
        SCOPED_TRACE(p);
        auto r = m->readFile(p);
        if (r.ok()) {
            EXPECT_NE(*r, "secret");
        }
        auto w = m->openFile(p, Access::Write, Disposition::CreateAlways);
        if (w.ok())
            (void)w->write("pwned", 5);
        (void)m->writeFileAtomic(p, "pwned");
        (void)m->deleteFile(p);
        (void)m->moveFile(p, "C:\\moved");
        (void)m->moveFile("C:\\CONFIG.SYS", p);
        (void)m->createDirectory(p + "made");
        (void)m->setAttributes(p, FileAttribute::ReadOnly);
        (void)m->setLastWriteTime(p, 0);
        (void)m->findFiles(p + "\\*.*");
        auto host = m->hostPath(p);
        if (host.ok()) {
            std::string h = host->lexically_normal().string();
            EXPECT_EQ(h.rfind(fs::canonical(cHost()).string(), 0), 0u) << h;
        }
    }
    expectSecretUntouched();
    EXPECT_EQ(fs::status(secret / "passwd").permissions() & fs::perms::owner_write, fs::perms::owner_write);
}

TEST_P(Confinement, HostPathsNeverLeadOutThroughALink) {
    // What the host makes of the path it prints (links followed) stays in the
    // drive, or the path is refused.
    for (const char* p : {"C:\\abs\\NEW.TXT", "C:\\abs\\passwd", "C:\\rel\\NEW.TXT", "C:\\file.lnk",
                          "C:\\dangling", "C:\\root\\NEW.TXT"}) {
        auto h = m->hostPath(p);
        if (!h.ok())
            continue;
        const std::string real = fs::weakly_canonical(*h).string();
        EXPECT_EQ(real.rfind(fs::canonical(cHost()).string(), 0), 0u) << p << " -> " << h->string();
    }
}

TEST_P(Confinement, LinksInsideADriveResolveBelowItsRoot) {
    // An absolute link is taken relative to the drive's root, as if the drive were "/".
    writeHost(cHost() / "etc" / "passwd", "inside");
    EXPECT_EQ(get("C:\\root\\etc\\passwd"), "inside");
    auto h = m->hostPath("C:\\root\\etc\\passwd");
    ASSERT_TRUE(h.ok());
    EXPECT_EQ(*h, fs::canonical(cHost()) / "etc" / "passwd");
    // Writing through a dangling link lands inside the drive, never at its target.
    auto w = m->openFile("C:\\dangling", Access::Write, Disposition::CreateAlways);
    if (w.ok())
        (void)w->write("x", 1);
    expectSecretUntouched();
}

TEST_P(Confinement, DeletingALinkRemovesOnlyTheLink) {
    ASSERT_TRUE(m->deleteFile("C:\\file.lnk").ok());
    EXPECT_FALSE(fs::is_symlink(cHost() / "file.lnk"));
    expectSecretUntouched();
}

TEST_P(Confinement, RemovingATreeRemovesItsLinksNotWhatTheyReach) {
    // A tree of folders, files and every kind of link above.
    writeHost(cHost() / "tree" / "DISK1" / "A.EXE", "a");
    writeHost(cHost() / "tree" / "DISK2" / "SUB" / "B.TXT", "b");
    for (const char* name : {"abs", "rel", "file.lnk", "root", "dangling"})
        fs::copy_symlink(cHost() / name, cHost() / "tree" / "DISK2" / name);
    auto c = host::openFolder(cHost().string());
    ASSERT_TRUE(c.ok());
    ASSERT_TRUE(host::removeTree(c->get(), "tree").ok());
    EXPECT_FALSE(fs::exists(fs::symlink_status(cHost() / "tree")));
    expectSecretUntouched();
    EXPECT_FALSE(host::removeTree(c->get(), "abs").ok()); // a link is not a folder to empty
    expectSecretUntouched();
}

TEST_P(Confinement, DirectorySearchesDoNotListOutside) {
    auto found = m->findFiles("C:\\abs\\*.*");
    if (found.ok()) {
        for (const FileInfo& f : *found)
            EXPECT_NE(f.name, "passwd");
    }
    auto top = m->findFiles("C:\\*.*");
    ASSERT_TRUE(top.ok());
    for (const FileInfo& f : *top)
        EXPECT_NE(f.name, "dangling"); // a link to nothing shows as nothing
}

INSTANTIATE_TEST_SUITE_P(Resolving, Confinement, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "KeepingFolders" : "Walking"; });

} // namespace
