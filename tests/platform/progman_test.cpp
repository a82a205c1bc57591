#include "platform/shell/progman.h"

#include "platform/machine/machine.h"
#include "tests/support/testing.h"

#include <map>

using namespace zrv;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

TEST(DdeParser, SplitsCommandsAndArgumentsWithTheirQuotes) {
    auto c = parseDdeCommands("[CreateGroup(\"My, App\")][ShowGroup(\"My, App\",1)]");
    ASSERT_TRUE(c.ok());
    ASSERT_EQ(c->size(), 2u);
    EXPECT_EQ((*c)[0].name, "CreateGroup");
    ASSERT_EQ((*c)[0].args.size(), 1u);
    EXPECT_EQ((*c)[0].args[0].text, "My, App");
    EXPECT_EQ((*c)[1].args[1].text, "1");

    auto add = parseDdeCommands("[AddItem(\"C:\\Program Files (x86)\\App\\APP.EXE\" /x,\"Title\",,,-1,-1,C:\\APP)]");
    ASSERT_TRUE(add.ok());
    const auto& args = (*add)[0].args;
    ASSERT_EQ(args.size(), 7u);
    EXPECT_EQ(args[0].raw, "\"C:\\Program Files (x86)\\App\\APP.EXE\" /x");
    EXPECT_EQ(args[1].text, "Title");
    EXPECT_EQ(args[2].text, "");
    EXPECT_EQ(args[6].text, "C:\\APP");

    auto reload = parseDdeCommands(" [Reload()] ");
    ASSERT_TRUE(reload.ok());
    EXPECT_TRUE((*reload)[0].args.empty());
}

TEST(DdeParser, RefusesMalformedStrings) {
    for (const char* bad : {"", "CreateGroup(x)", "[CreateGroup(\"x)]", "[CreateGroup(x]", "[(x)]", "[A(x)", "[A(x)]junk",
                            "[A(x) y]"})
        EXPECT_FALSE(parseDdeCommands(bad).ok()) << bad;
    EXPECT_FALSE(parseDdeCommands(std::string(100000, '[')).ok());
}

TEST(ShellLinks, RoundTripEveryField) {
    ShellLink l{"C:\\Program Files\\App\\APP.EXE", "/x \"file\"", "C:\\Program Files\\App", "C:\\APP\\APP.ICO", 3,
                "My \xe9 App", 7};
    std::string bytes = writeShellLink(l);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x4c\0\0\0", 4));
    auto back = readShellLink(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, l);
    ShellLink bare{"C:\\X.EXE"};
    EXPECT_EQ(*readShellLink(writeShellLink(bare)), bare);
}

TEST(ShellLinks, CountsThatTakeInTheTerminatorEndAtIt) {
    // Other writers count the NUL of each text; the text ends there.
    ShellLink l{"C:\\APP.EXE", std::string("-a\0", 3), "C:\\", "", 0, std::string("App\0junk", 8), 1};
    auto back = readShellLink(writeShellLink(l));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->description, "App");
    EXPECT_EQ(back->arguments, "-a");
}

TEST(ShellLinks, DamagedFilesAreRefusedWithoutCrashing) {
    std::string good = writeShellLink({"C:\\APP.EXE", "-a", "C:\\", "C:\\APP.EXE", 1, "App", 1});
    for (std::size_t cut = 0; cut + 4 < good.size(); ++cut)
        (void)readShellLink(good.substr(0, cut));
    EXPECT_FALSE(readShellLink(good.substr(0, 60)).has_value());
    std::string huge = good;
    huge[0x4C] = '\xff'; // link information size far past the end
    huge[0x4D] = '\xff';
    EXPECT_FALSE(readShellLink(huge).has_value());
    EXPECT_FALSE(readShellLink("not a link").has_value());
}

class Shell : public MachineTest {};

TEST_F(Shell, GroupsAreFoldersAndItemsAreLinks) {
    ProgramManager pm(*m);
    EXPECT_EQ(pm.execute("[CreateGroup(\"My App\")][ShowGroup(\"My App\",1)]"), DdeOutcome::Ok);
    EXPECT_EQ(pm.activeGroup(), "My App");
    EXPECT_TRUE(m->isDirectory("C:\\WINDOWS\\Start Menu\\Programs\\My App"));
    EXPECT_EQ(pm.execute("[AddItem(\"C:\\Program Files\\App\\APP.EXE\" /x,\"Run App\",C:\\APP\\APP.ICO,2,-1,-1,"
                         "\"C:\\Program Files\\App\")]"),
              DdeOutcome::Ok);
    EXPECT_EQ(pm.execute("[AddItem(C:\\APP\\README.TXT)]"), DdeOutcome::Ok);
    auto groups = pm.groups();
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0].items.size(), 2u);
    const ShellLink& run = groups[0].items[1].link;
    EXPECT_EQ(groups[0].items[1].title, "Run App");
    EXPECT_EQ(run.target, "C:\\Program Files\\App\\APP.EXE");
    EXPECT_EQ(run.arguments, "/x");
    EXPECT_EQ(run.workingDirectory, "C:\\Program Files\\App");
    EXPECT_EQ(run.iconFile, "C:\\APP\\APP.ICO");
    EXPECT_EQ(run.iconIndex, 2);
    EXPECT_EQ(groups[0].items[0].title, "README");

    EXPECT_EQ(pm.execute("[DeleteItem(\"Run App\")]"), DdeOutcome::Ok);
    EXPECT_EQ(pm.execute("[DeleteItem(\"Run App\")]"), DdeOutcome::Failed);
    EXPECT_EQ(pm.execute("[DeleteGroup(\"my app\")]"), DdeOutcome::Ok);
    EXPECT_FALSE(m->exists("C:\\WINDOWS\\Start Menu\\Programs\\My App"));
    EXPECT_EQ(pm.execute("[ShowGroup(\"My App\",1)]"), DdeOutcome::Failed);
}

TEST_F(Shell, ABareProgramNameIsStoredAsTheFullPathFound) {
    put("C:\\WINDOWS\\TOOL.EXE", fakePe(false));
    ProgramManager pm(*m);
    ASSERT_EQ(pm.execute("[CreateGroup(\"G\")][AddItem(TOOL.EXE /q,\"Tool\")][AddItem(NOWHERE.EXE,\"None\")]"),
              DdeOutcome::Ok);
    auto groups = pm.groups();
    ASSERT_EQ(groups.size(), 1u);
    std::map<std::string, std::string> targets;
    for (const auto& item : groups[0].items)
        targets[item.title] = item.link.target;
    EXPECT_EQ(targets["Tool"], "C:\\WINDOWS\\TOOL.EXE");
    EXPECT_EQ(targets["None"], "NOWHERE.EXE"); // not found: kept as given
}

TEST_F(Shell, ItemsGoToTheGroupLastCreatedOrShown) {
    ProgramManager pm(*m);
    EXPECT_EQ(pm.execute("[AddItem(C:\\A.EXE,\"A\")]"), DdeOutcome::Failed); // no active group yet
    ASSERT_EQ(pm.execute("[CreateGroup(\"One\")][CreateGroup(\"Two\")]"), DdeOutcome::Ok);
    ASSERT_EQ(pm.execute("[AddItem(C:\\A.EXE,\"A\")]"), DdeOutcome::Ok);
    ASSERT_EQ(pm.execute("[ShowGroup(\"One\",1)][AddItem(C:\\B.EXE,\"B: the best?\")]"), DdeOutcome::Ok);
    EXPECT_TRUE(m->exists("C:\\WINDOWS\\Start Menu\\Programs\\Two\\A.lnk"));
    EXPECT_TRUE(m->exists("C:\\WINDOWS\\Start Menu\\Programs\\One\\B_ the best_.lnk"));
    EXPECT_EQ(pm.execute("[DeleteItem(\"B: the best?\")]"), DdeOutcome::Ok);
    EXPECT_EQ(pm.execute("[Frobnicate()]"), DdeOutcome::Failed);
    EXPECT_EQ(pm.execute("[Reload()]"), DdeOutcome::Ok);
    EXPECT_EQ(pm.execute("not dde"), DdeOutcome::Failed);
}

TEST_F(Shell, WithoutProgramManagerNoConversationStarts) {
    std::string ini = readHost(dir.path() / "machine" / "machine.ini");
    ini.replace(ini.find("ProgramManager=1"), 16, "ProgramManager=0");
    writeHost(dir.path() / "machine" / "machine.ini", ini);
    open();
    ProgramManager pm(*m);
    EXPECT_EQ(pm.execute("[CreateGroup(\"X\")]"), DdeOutcome::NotConnected);
    EXPECT_FALSE(m->exists("C:\\WINDOWS\\Start Menu\\Programs\\X"));
}

} // namespace
