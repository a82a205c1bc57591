// What the workbench remembers: window placement, the view toggles, the
// recently used projects and the project opened at start.
#include "authoring/workbench/model/commands.h"
#include "authoring/workbench/model/settings.h"

#include "platform/machine/machine.h"
#include "tests/support/testing.h"

#include <set>

using namespace zrv;
using namespace zrv::testing;
using namespace zrv::workbench;
using zrv::authoring::SettingsStore;

namespace {

class Model : public MachineTest {};

TEST_F(Model, PlacementsHaveTheirDefaultsAndAreRecordedOnlyWhenNormal) {
    SettingsStore store(*m);
    WorkbenchSettings s(store);
    const Rect frame{10, 20, 470, 620};
    EXPECT_EQ(s.placement(Pane::Frame, frame), (Placement{frame, kShowNormal}));
    for (Pane p : {Pane::Files, Pane::Output, Pane::Objects, Pane::Properties})
        EXPECT_EQ(s.placement(p, frame), (Placement{{}, kShowNormal}));

    const Rect moved{5, 6, 300, 400};
    ASSERT_TRUE(s.record(Pane::Properties, moved, WindowState::Normal).ok());
    EXPECT_EQ(store.getInt("Window", "PropTop", 0), 5);
    EXPECT_EQ(store.getInt("Window", "PropRight", 0), 400);
    // Maximised: only the show key, and the rectangle of the normal window stays.
    ASSERT_TRUE(s.record(Pane::Properties, Rect{0, 0, 1000, 1000}, WindowState::Maximised).ok());
    EXPECT_EQ(s.placement(Pane::Properties), (Placement{moved, kShowMaximised}));
    // Minimised: nothing.
    ASSERT_TRUE(s.record(Pane::Properties, Rect{1, 1, 2, 2}, WindowState::Minimised).ok());
    EXPECT_EQ(s.placement(Pane::Properties), (Placement{moved, kShowMaximised}));
    // Normal again: the rectangle and 5.
    ASSERT_TRUE(s.record(Pane::Properties, moved, WindowState::Normal).ok());
    EXPECT_EQ(s.placement(Pane::Properties).show, kShowNormal);
    // A maximised frame writes nothing; each window has its own keys.
    ASSERT_TRUE(s.record(Pane::Frame, Rect{0, 0, 9, 9}, WindowState::Maximised).ok());
    EXPECT_EQ(s.placement(Pane::Frame, frame), (Placement{frame, kShowNormal}));
    ASSERT_TRUE(s.record(Pane::Output, moved, WindowState::Normal).ok());
    EXPECT_EQ(store.getInt("Window", "OutputBottom", 0), 300);
    EXPECT_EQ(store.getInt("Window", "FileBottom", 0), 0);
    // A stored show value other than 3 reads as 5.
    ASSERT_TRUE(store.setInt("Window", "ObjectMaximise", 7).ok());
    EXPECT_EQ(s.placement(Pane::Objects).show, kShowNormal);
}

TEST_F(Model, ViewTogglesAndTheLastProject) {
    SettingsStore store(*m);
    WorkbenchSettings s(store);
    EXPECT_FALSE(s.fullDetails());
    EXPECT_TRUE(s.descriptions());
    EXPECT_EQ(s.lastProject(), "");
    ASSERT_TRUE(s.setFullDetails(true).ok());
    ASSERT_TRUE(s.setDescriptions(false).ok());
    ASSERT_TRUE(s.setLastProject("C:\\P\\A.SPJ").ok());
    WorkbenchSettings again(store);
    EXPECT_TRUE(again.fullDetails());
    EXPECT_FALSE(again.descriptions());
    EXPECT_EQ(again.lastProject(), "C:\\P\\A.SPJ");
}

TEST_F(Model, RecentProjectsMoveToTheFrontAndTheOldestFallsOff) {
    SettingsStore store(*m);
    RecentList list(store);
    EXPECT_EQ(list.capacity(), 4);
    EXPECT_EQ(list.lastUsed(), -1);
    EXPECT_TRUE(list.menu().empty()); // no separator either
    for (const char* p : {"C:\\A.SPJ", "C:\\B.SPJ", "C:\\C.SPJ", "C:\\D.SPJ", "C:\\E.SPJ"})
        ASSERT_TRUE(list.add(p).ok());
    EXPECT_EQ(list.paths(), (std::vector<std::string>{"C:\\E.SPJ", "C:\\D.SPJ", "C:\\C.SPJ", "C:\\B.SPJ"}));
    // Another spelling of an entry moves it to the front as newly given.
    ASSERT_TRUE(list.add("c:\\c.spj").ok());
    EXPECT_EQ(list.paths(), (std::vector<std::string>{"c:\\c.spj", "C:\\E.SPJ", "C:\\D.SPJ", "C:\\B.SPJ"}));
    auto menu = list.menu();
    ASSERT_EQ(menu.size(), 4u);
    EXPECT_EQ(menu[0].command, 1012);
    EXPECT_EQ(menu[0].caption, "&1 c:\\c.spj");
    EXPECT_EQ(menu[3].command, 1015);
    EXPECT_EQ(list.pathOf(1013), "C:\\E.SPJ");
    EXPECT_FALSE(list.pathOf(1016).has_value());
    EXPECT_FALSE(list.pathOf(1011).has_value());
    // Saved as it changes, empty slots included.
    ASSERT_TRUE(list.remove("C:\\e.SPJ").ok());
    EXPECT_EQ(store.getString("MRUList", "File1", "?"), "c:\\c.spj");
    EXPECT_EQ(store.getString("MRUList", "File3", "?"), "C:\\B.SPJ");
    EXPECT_EQ(store.getString("MRUList", "File4", "?"), "");
    RecentList reread(store);
    EXPECT_EQ(reread.paths(), list.paths());
    // Refused: nothing, and paths no Windows program could hold.
    EXPECT_FALSE(list.add("").ok());
    EXPECT_FALSE(list.add("C:\\" + std::string(300, 'x')).ok());
    EXPECT_EQ(list.paths().size(), 3u);
    const std::vector<std::string> all = list.paths();
    for (const std::string& p : all)
        ASSERT_TRUE(list.remove(p).ok());
    EXPECT_TRUE(list.menu().empty());
    EXPECT_EQ(list.lastUsed(), -1);
}

TEST_F(Model, TheStoredCapacityIsHeldBetweenOneAndTen) {
    SettingsStore store(*m);
    for (auto [stored, capacity] : {std::pair{0, 1}, {25, 10}, {-3, 1}, {7, 7}}) {
        ASSERT_TRUE(store.setInt("MRUList", "FileEntries", stored).ok());
        EXPECT_EQ(RecentList(store).capacity(), capacity) << stored;
    }
    // What the registry holds beyond the capacity, or too long, is not read.
    ASSERT_TRUE(store.setInt("MRUList", "FileEntries", 2).ok());
    ASSERT_TRUE(store.setString("MRUList", "File1", std::string(256, 'x')).ok());
    ASSERT_TRUE(store.setString("MRUList", "File2", "C:\\A.SPJ").ok());
    ASSERT_TRUE(store.setString("MRUList", "File3", "C:\\B.SPJ").ok());
    RecentList list(store);
    EXPECT_EQ(list.paths(), (std::vector<std::string>{"C:\\A.SPJ", "C:\\B.SPJ"}));
    ASSERT_TRUE(list.add("C:\\N.SPJ").ok());
    EXPECT_EQ(list.paths(), (std::vector<std::string>{"C:\\N.SPJ", "C:\\A.SPJ"}));
}

TEST_F(Model, TheStartingProjectComesFromTheCommandLineOrTheLastOne) {
    SettingsStore store(*m);
    WorkbenchSettings s(store);
    ASSERT_TRUE(m->createDirectory("C:\\PROJ").ok());
    ASSERT_TRUE(m->createDirectory("C:\\TOOLS").ok());
    put("C:\\PROJ\\APP.SPJ", "");
    put("C:\\TOOLS\\ON.SPJ", "");
    ASSERT_TRUE(s.setLastProject("  C:\\LAST\\L.SPJ ").ok());
    EXPECT_EQ(startupProject(*m, s, "  C:\\PROJ\\APP.SPJ  "), "C:\\PROJ\\APP.SPJ");
    // A name with a backslash must exist; one that does not opens nothing,
    // not the last project either.
    EXPECT_FALSE(startupProject(*m, s, "C:\\PROJ\\NONE.SPJ").has_value());
    // A bare name: the current directory, then PATH.
    ASSERT_TRUE(m->setCurrentDirectory("C:\\PROJ").ok());
    EXPECT_EQ(startupProject(*m, s, "APP.SPJ"), "C:\\PROJ\\APP.SPJ");
    EXPECT_FALSE(startupProject(*m, s, "ON.SPJ").has_value());
    m->setEnvironment("PATH", "C:\\NOWHERE;;C:\\TOOLS");
    EXPECT_EQ(startupProject(*m, s, "ON.SPJ"), "C:\\TOOLS\\ON.SPJ");
    // Nothing given: the last project, trimmed; nothing when there is none.
    EXPECT_EQ(startupProject(*m, s, "   "), "C:\\LAST\\L.SPJ");
    ASSERT_TRUE(s.setLastProject("   ").ok());
    EXPECT_FALSE(startupProject(*m, s, "").has_value());
}

} // namespace

namespace {

TEST(Commands, EveryCommandHasOneIdOneShortcutAndItsPrompt) {
    std::set<int> ids;
    std::set<std::string_view> shortcuts;
    std::set<zrv::workbench::Menu> menus;
    for (const auto& c : zrv::workbench::commands()) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        if (!c.shortcut.empty()) {
            EXPECT_TRUE(shortcuts.insert(c.shortcut).second) << c.shortcut;
        }
        menus.insert(c.menu);
        EXPECT_EQ(zrv::workbench::findCommand(c.id), &c);
    }
    EXPECT_EQ(ids.size(), 48u);
    EXPECT_EQ(menus.size(), 7u);
    // The texts as the system has them, slips included.
    EXPECT_EQ(zrv::workbench::promptOf(1010), "Encrypt or un-encrypt an existsing script file");
    EXPECT_EQ(zrv::workbench::promptOf(4011), "Setup up optional installations for the user/installer");
    EXPECT_EQ(zrv::workbench::promptOf(1012), "Open this project file");
    EXPECT_EQ(zrv::workbench::promptOf(1021), "Open this project file");
    EXPECT_FALSE(zrv::workbench::promptOf(1022).has_value());
    EXPECT_FALSE(zrv::workbench::promptOf(1011).has_value()); // Exit shows none
    EXPECT_EQ(zrv::workbench::findCommand(4012)->shortcut, "Alt+B");
}

} // namespace
