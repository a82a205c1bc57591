#include "platform/shell/snapshot.h"

#include "platform/machine/machine.h"
#include "platform/shell/progman.h"
#include "platform/registry/registry.h"
#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;

namespace {

class Snapshots : public MachineTest {};

TEST_F(Snapshots, SeeWhatChangedAndRoundTrip) {
    auto before = takeSnapshot(*m);
    ASSERT_TRUE(before.ok());
    auto again = parseSnapshot(formatSnapshot(*before));
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(diffSnapshots(*before, *again).empty());

    ASSERT_TRUE(m->createDirectory("C:\\APP").ok());
    put("C:\\APP\\APP.EXE", "MZ");
    put("C:\\CONFIG.SYS", "FILES=40\r\n");
    ASSERT_TRUE(m->deleteFile("C:\\AUTOEXEC.BAT").ok());
    ASSERT_TRUE((*m->registry())->setValue(RegRoot::LocalMachine, "SOFTWARE\\Acme", "Path", RegType::Sz, std::string("C:\\APP\0", 7)).ok());
    ProgramManager pm(*m);
    ASSERT_EQ(pm.execute("[CreateGroup(\"Acme\")][AddItem(C:\\APP\\APP.EXE,\"Acme\")]"), DdeOutcome::Ok);

    auto after = takeSnapshot(*m);
    ASSERT_TRUE(after.ok());
    std::vector<std::string> seen;
    for (const SnapshotChange& c : diffSnapshots(*before, *after)) {
        const SnapshotEntry& e = c.op == '-' ? c.before : c.after;
        seen.push_back(std::string(1, c.op) + " " + e.kind + " " + e.key);
    }
    auto has = [&](const std::string& line) { return std::find(seen.begin(), seen.end(), line) != seen.end(); };
    EXPECT_TRUE(has("+ dir C:\\APP"));
    EXPECT_TRUE(has("+ file C:\\APP\\APP.EXE"));
    EXPECT_TRUE(has("~ file C:\\CONFIG.SYS"));
    EXPECT_TRUE(has("- file C:\\AUTOEXEC.BAT"));
    EXPECT_TRUE(has("+ key HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme"));
    EXPECT_TRUE(has("+ value HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\[Path]"));
    EXPECT_TRUE(has("+ group Acme"));
    EXPECT_TRUE(has("+ item Acme\\Acme"));
    for (const SnapshotEntry& e : *after) {
        if (e.key == "HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\[Path]") {
            EXPECT_EQ(e.value, "sz \"C:\\APP\"");
        }
    }
    EXPECT_FALSE(parseSnapshot("something else").ok());
    EXPECT_FALSE(parseSnapshot("ZRV-SNAPSHOT 1\nno tabs here\n").ok());
}

} // namespace

namespace {

TEST_F(Snapshots, DeepTreesAreRecordedWhole) {
    std::string key = "SOFTWARE";
    for (int i = 0; i < 1000; ++i)
        key += "\\K";
    ASSERT_TRUE((*m->registry())->setValue(RegRoot::LocalMachine, key, "v", RegType::Sz, std::string("1\0", 2)).ok());
    std::string dirPath = "C:";
    for (int i = 0; i < 80; ++i) {
        dirPath += "\\D";
        ASSERT_TRUE(m->createDirectory(dirPath).ok());
    }
    put(dirPath + "\\F", "x");
    auto snap = takeSnapshot(*m);
    ASSERT_TRUE(snap.ok());
    bool value = false, file = false;
    for (const SnapshotEntry& e : *snap) {
        value = value || (e.kind == "value" && e.key == "HKEY_LOCAL_MACHINE\\" + key + "\\[v]");
        file = file || (e.kind == "file" && e.key == dirPath + "\\F");
    }
    EXPECT_TRUE(value);
    EXPECT_TRUE(file);
}

} // namespace
