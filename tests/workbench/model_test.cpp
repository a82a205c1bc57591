// What the workbench remembers: window placement, the view toggles, the
// recently used projects and the project opened at start.
#include "authoring/workbench/model/commands.h"
#include "authoring/workbench/model/filelist.h"
#include "authoring/workbench/model/launch.h"
#include "authoring/workbench/model/objects.h"
#include "authoring/workbench/model/settings.h"

#include "platform/machine/machine.h"
#include "tests/support/process.h"
#include "tests/support/testing.h"

#include <climits>
#include <memory>
#include <set>

using namespace zrv;
using namespace zrv::testing;
using namespace zrv::workbench;
using zrv::authoring::SettingsStore;

namespace {

class Model : public MachineTest {
protected:
    // A host program that writes its arguments to seen.txt in its folder.
    std::filesystem::path recorder() {
        const auto path = dir.path() / "recorder.sh";
        spit(path, "printf '%s\\n' \"$*\" > seen.txt\n");
        return path;
    }
};

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

TEST(Placements, StoredRectanglesAreMadeFitToShow) {
    const Rect fallback{0, 0, 480, 640};
    const std::vector<Rect> screens = {{0, 0, 768, 1024}, {0, 1024, 768, 2048}};
    // On the second screen: kept.
    EXPECT_EQ(onScreen(Rect{10, 1100, 300, 1500}, fallback, screens), (Rect{10, 1100, 300, 1500}));
    // Empty, inverted or negative in size: the fallback.
    EXPECT_EQ(onScreen(Rect{100, 100, 100, 300}, fallback, screens), fallback);
    EXPECT_EQ(onScreen(Rect{300, 300, 10, 10}, fallback, screens), fallback);
    // Off every screen: onto the first, keeping its size.
    EXPECT_EQ(onScreen(Rect{-900, -900, -500, -600}, fallback, screens), (Rect{0, 0, 400, 300}));
    EXPECT_EQ(onScreen(Rect{5000, 100, 5200, 400}, fallback, screens), (Rect{568, 100, 768, 400}));
    // Larger than the screen and far away: shrunk to it, without overflow.
    EXPECT_EQ(onScreen(Rect{INT_MIN, INT_MIN, INT_MIN + 5000, INT_MIN + 5000}, fallback, screens), screens[0]);
    EXPECT_EQ(onScreen(Rect{1, 2, 3, 4}, fallback, {}), (Rect{1, 2, 3, 4}));
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

namespace {

using zrv::authoring::Project;

class Objects : public Model {
protected:
    void SetUp() override {
        Model::SetUp();
        ASSERT_TRUE(m->createDirectory("C:\\PROJ").ok());
        project = std::make_unique<Project>(*m, zrv::authoring::Prompts{}, "C:\\ZRVA32\\DEFAULT.BKD", 0);
        project->data().directory = "C:\\PROJ\\";
        project->data().objects.clear();
    }
    // A new object of a type, accepted.
    zrv::workbench::ObjectProperties make(int type, std::string name) {
        auto o = zrv::workbench::newObject(project->data());
        o.header.type = type;
        o.header.name = std::move(name);
        auto refused = zrv::workbench::acceptObject(*project, o, std::nullopt);
        EXPECT_FALSE(refused.has_value()) << (refused ? refused->message : "");
        return o;
    }
    std::unique_ptr<Project> project;
};

TEST_F(Objects, ANewObjectTakesTheNextSlotAndTheExtensionOfItsType) {
    auto o = zrv::workbench::newObject(project->data());
    EXPECT_EQ(o.path, "C:\\PROJ\\OBJECT1.BKD");
    EXPECT_EQ(o.header.name, "Object1");
    EXPECT_EQ(o.header.caption, "Default Caption");
    o.header.type = 2;
    o.header.name = "  Welcome  ";
    o.header.caption = "Hello";
    ASSERT_FALSE(zrv::workbench::acceptObject(*project, o, std::nullopt).has_value());
    EXPECT_TRUE(project->changed());
    EXPECT_EQ(o.path, "C:\\PROJ\\OBJECT1.DLG");
    EXPECT_EQ(project->data().objects, std::vector<std::string>{"C:\\PROJ\\OBJECT1.DLG"});
    auto back = zrv::workbench::objectProperties(*m, o.path);
    EXPECT_EQ(back.header.name, "Welcome");
    EXPECT_EQ(back.header.type, 2);
    EXPECT_EQ(back.header.caption, "Hello");
    EXPECT_EQ(zrv::workbench::newObject(project->data()).header.name, "Object2");
    // Which fields each type edits.
    EXPECT_EQ(zrv::workbench::fieldsFor(1).caption || zrv::workbench::fieldsFor(1).placing, false);
    EXPECT_TRUE(zrv::workbench::fieldsFor(2).caption && zrv::workbench::fieldsFor(2).placing);
    EXPECT_FALSE(zrv::workbench::fieldsFor(2).border);
    EXPECT_TRUE(zrv::workbench::fieldsFor(3).border && zrv::workbench::fieldsFor(3).placing);
    EXPECT_FALSE(zrv::workbench::fieldsFor(3).caption);
}

TEST_F(Objects, RefusalsNameTheirFieldAndChangeNothing) {
    make(1, "Main");
    const auto before = project->data().objects;
    auto o = zrv::workbench::newObject(project->data());
    o.header.name = "   ";
    auto r = zrv::workbench::acceptObject(*project, o, std::nullopt);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->number, 10015);
    EXPECT_EQ(r->key, "NAME");
    o.header.name = "Main";
    r = zrv::workbench::acceptObject(*project, o, std::nullopt);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->number, 10016);
    EXPECT_EQ(project->data().objects, before);
    EXPECT_FALSE(m->exists("C:\\PROJ\\OBJECT2.BKD"));
    // Only letter case apart: another object.
    o.header.name = "MAIN";
    EXPECT_FALSE(zrv::workbench::acceptObject(*project, o, std::nullopt).has_value());
    // A file that cannot be made.
    auto bad = zrv::workbench::newObject(project->data());
    bad.path = "C:\\NO\\SUCH\\DIR\\X.BKD";
    bad.header.name = "Elsewhere";
    r = zrv::workbench::acceptObject(*project, bad, std::nullopt);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->number, 10014);
    EXPECT_EQ(r->key, "FILE");
}

TEST_F(Objects, SixtyFourObjectsAndAChangeKeepsItsSlot) {
    for (int i = 1; i <= 64; ++i)
        project->data().objects.push_back("C:\\PROJ\\O" + std::to_string(i) + ".BKD");
    auto o = zrv::workbench::newObject(project->data());
    o.header.name = "One more";
    auto r = zrv::workbench::acceptObject(*project, o, std::nullopt);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->number, 10017);
    // Changing the 10th object is no new one: its slot stays, its extension follows the type.
    o.path = project->data().objects[9];
    o.header.type = 3;
    ASSERT_FALSE(zrv::workbench::acceptObject(*project, o, std::size_t(9)).has_value());
    EXPECT_EQ(project->data().objects[9], "C:\\PROJ\\O10.CUE");
    EXPECT_EQ(project->data().objects.size(), 64u);
}

TEST_F(Objects, ThePreviewScriptOfEachType) {
    project->data().appName = "Demo";
    project->data().text(zrv::authoring::DialogText::Caption) = "Demo Setup";
    ASSERT_TRUE(zrv::authoring::ensureDefaultBackdrop(*m, "C:\\ZRVA32\\DEFAULT.BKD").ok());
    const std::string head = "// Preview script file\r\nSet %Application%=\"Demo\"\r\nSet %Caption%=\"Demo Setup\"\r\n"
                             "Set %Message1% = \"Message1\"\r\nSet %Message2% = \"Message2\"\r\n"
                             "Set %Message3% = \"Message3\"\r\n\r\n";
    auto lines = [&](const std::string& path) {
        std::string s;
        for (const auto& l : *zrv::authoring::renderObject(zrv::authoring::loadObject(*m, path), true))
            s += l + "\r\n";
        return s;
    };
    const std::string backdrop = lines("C:\\ZRVA32\\DEFAULT.BKD");
    const std::string done = "MessageBox(\"Object Preview Complete!\",\"Preview\",MB_OK,0)\r\n";
    auto b = make(1, "Back");
    auto d = make(2, "Ask");
    auto c = make(3, "Tip");
    auto preview = [&](const std::string& path) {
        auto p = zrv::workbench::previewScript(*m, project->data(), path, "C:\\ZRVA32\\DEFAULT.BKD");
        EXPECT_FALSE(p.refused.has_value());
        return p.script;
    };
    EXPECT_EQ(preview(b.path), head + lines(b.path) + "ShowBackdrop(\"Back\")\r\n" + done);
    EXPECT_EQ(preview(d.path), head + backdrop + lines(d.path) + "ShowBackdrop(\"DEFAULTBACKDROP\")\r\nDialogBox(\"Ask\")\r\n");
    EXPECT_EQ(preview(c.path),
              head + backdrop + lines(c.path) + "ShowBackdrop(\"DEFAULTBACKDROP\")\r\nShowCueCard(\"Tip\")\r\n" + done);
    // A file that is gone: 10024 naming it.
    auto gone = zrv::workbench::previewScript(*m, project->data(), c.path, "C:\\ZRVA32\\GONE.BKD");
    ASSERT_TRUE(gone.refused.has_value());
    EXPECT_EQ(gone.refused->number, 10024);
    EXPECT_NE(gone.refused->message.find("C:\\ZRVA32\\GONE.BKD"), std::string::npos) << gone.refused->message;
}

// The preview runs "<interpreter> <script>" from the tool's folder: a host
// command stands in for the interpreter and records what it was given.
TEST_F(Objects, APreviewStartsTheInterpreterOnItsScriptAndCleansUp) {
    ASSERT_TRUE(zrv::authoring::ensureDefaultBackdrop(*m, "C:\\ZRVA32\\DEFAULT.BKD").ok());
    auto card = make(3, "Tip");
    MachineOptions options;
    options.programs = {{"ZRVX32.EXE", "/bin/sh " + recorder().string()}};
    open(options);
    SettingsStore store(*m);
    WorkbenchSettings settings(store);
    ASSERT_TRUE(m->setCurrentDirectory("C:\\PROJ").ok());
    auto run = runPreview(*m, settings, project->data(), card.path, true);
    ASSERT_FALSE(run.refused.has_value()) << run.refused->message;
    EXPECT_EQ(run.exitCode, 0);
    // The kit's interpreter was put in the tool's folder, and started from there.
    EXPECT_TRUE(m->exists("C:\\ZRVA32\\ZRVX32.EXE"));
    const std::string seen = get("C:\\ZRVA32\\SEEN.TXT");
    EXPECT_TRUE(seen.starts_with("C:\\WINDOWS\\TEMP\\")) << seen;
    EXPECT_EQ(run.commandLine, "ZRVX32.EXE " + seen.substr(0, seen.size() - 1));
    EXPECT_FALSE(m->exists(seen.substr(0, seen.size() - 1))) << "the script goes when the interpreter has ended";
    EXPECT_EQ(m->currentDirectory(), "C:\\PROJ");

    // Not allowed to start (11), or not there (2): 10010 with the command line.
    ASSERT_TRUE(store.setString("Executables", "Zrvx32", "C:\\ZRVA32\\DEFAULT.BKD").ok());
    run = runPreview(*m, settings, project->data(), card.path, true);
    ASSERT_TRUE(run.refused.has_value());
    EXPECT_EQ(run.refused->number, 10010);
    EXPECT_TRUE(run.refused->message.starts_with("Error: Failed to execute interpreter program command:\n\n"
                                                 "C:\\ZRVA32\\DEFAULT.BKD C:\\WINDOWS\\TEMP\\"))
        << run.refused->message;
    EXPECT_TRUE(run.refused->message.ends_with("\n\nWinExec() returned error code (11).")) << run.refused->message;
    ASSERT_TRUE(store.setString("Executables", "Zrvx32", "NOWHERE.EXE").ok());
    run = runPreview(*m, settings, project->data(), card.path, true);
    ASSERT_TRUE(run.refused.has_value());
    EXPECT_TRUE(run.refused->message.ends_with("(2).")) << run.refused->message;
    EXPECT_TRUE(std::filesystem::is_empty(cHost() / "WINDOWS" / "TEMP")) << "no script is left behind";
}

TEST_F(Model, ATestStartsSetupOrInstallFromTheDiskFolder) {
    ASSERT_TRUE(m->createDirectory("C:\\SET").ok());
    EXPECT_EQ(testCommandLine(*m, "C:\\SET", std::nullopt), "INSTALL.EXE");
    put("C:\\SET\\SETUP.EXE", "MZ");
    EXPECT_EQ(testCommandLine(*m, "C:\\SET\\", std::string_view("Z:\\DEMO.DDB")), "SETUP.EXE /DEBUG:Z:\\DEMO.DDB");

    MachineOptions options;
    options.programs = {{"SETUP.EXE", "/bin/sh " + recorder().string()}};
    open(options);
    auto run = runTest(*m, "C:\\SET", std::string_view("Z:\\DEMO.DDB"), true);
    ASSERT_FALSE(run.refused.has_value()) << run.refused->message;
    EXPECT_EQ(get("C:\\SET\\SEEN.TXT"), "/DEBUG:Z:\\DEMO.DDB\n");
    EXPECT_EQ(m->currentDirectory(), "C:\\");
    // A folder that is not there: nothing starts.
    run = runTest(*m, "C:\\GONE", std::nullopt, true);
    ASSERT_TRUE(run.refused.has_value());
    EXPECT_TRUE(run.refused->message.find("INSTALL.EXE") != std::string::npos) << run.refused->message;
    EXPECT_EQ(m->currentDirectory(), "C:\\");
}

} // namespace

namespace {

using zrv::authoring::FileEntry;
using zrv::workbench::FileClipboard;
using zrv::workbench::FileListEditor;

class FileListEditing : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        project = std::make_unique<Project>(*m, zrv::authoring::Prompts{}, "C:\\ZRVA32\\DEFAULT.BKD", 0);
        project->data().files.clear();
        clipboard = std::make_unique<FileClipboard>(*m);
        editor = std::make_unique<FileListEditor>(*project, *clipboard);
    }
    std::vector<std::string> sources() const {
        std::vector<std::string> out;
        for (const FileEntry& e : project->data().files)
            out.push_back(e.source);
        return out;
    }
    void pick(std::initializer_list<int> lines) {
        editor->selectAll(false);
        for (int l : lines)
            editor->select(l, true);
    }
    std::unique_ptr<Project> project;
    std::unique_ptr<FileClipboard> clipboard;
    std::unique_ptr<FileListEditor> editor;
};

TEST_F(FileListEditing, EditRebuildsInTheGivenOrderKeepingKnownEntries) {
    editor->edit({"C:\\APP\\APP.EXE", "C:\\APP\\README"});
    ASSERT_EQ(sources(), (std::vector<std::string>{"C:\\APP\\APP.EXE", "C:\\APP\\README."}));
    const FileEntry& readme = project->data().files[1];
    EXPECT_EQ(readme.extension, "_");
    EXPECT_EQ(readme.target, "%InstallPath%");
    EXPECT_EQ(readme.comment, "Copying:");
    EXPECT_EQ(readme.usage, 1);
    EXPECT_EQ(readme.options, 1u);
    EXPECT_TRUE(project->changed());
    pick({0});
    ASSERT_FALSE(editor->apply("Icon Text", "The App").has_value());
    // Another spelling of a known source keeps its entry; the order is the new one.
    editor->edit({"c:\\app\\readme.", "C:\\APP\\HELP.HLP", "c:\\APP\\app.exe"});
    ASSERT_EQ(sources(), (std::vector<std::string>{"C:\\APP\\README.", "C:\\APP\\HELP.HLP", "C:\\APP\\APP.EXE"}));
    EXPECT_EQ(project->data().files[2].iconText, "The App");
    EXPECT_EQ(project->data().files[1].extension, "HL_");
}

TEST_F(FileListEditing, APropertyGoesToEverySelectedFileWithItsTies) {
    editor->edit({"C:\\A.DLL", "C:\\B.DLL", "C:\\C.DLL", "C:\\D.TXT"});
    project->data().runtimeFile(zrv::authoring::Runtime::Interpreter16) = 1;
    project->data().runtimeFile(zrv::authoring::Runtime::Interpreter32) = 1;
    pick({0, 1, 2});
    ASSERT_FALSE(editor->apply("File Action", "2").has_value());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(project->data().files[static_cast<std::size_t>(i)].action, 2);
        EXPECT_EQ(project->data().files[static_cast<std::size_t>(i)].shared, 1);
    }
    EXPECT_EQ(project->data().files[3].action, 0);
    EXPECT_EQ(project->data().runtimeFile(zrv::authoring::Runtime::RegSvr), 1);
    EXPECT_EQ(project->data().runtimeFile(zrv::authoring::Runtime::RegSvr32), 1);
    ASSERT_FALSE(editor->apply("Register as Shared", "0").has_value());
    EXPECT_EQ(project->data().files[0].shared, 1); // held by the action
    // A value out of range is refused for all, and nothing changes.
    const auto before = project->data();
    EXPECT_TRUE(editor->apply("File Usage", "9").has_value());
    EXPECT_EQ(project->data(), before);
}

TEST_F(FileListEditing, DeleteAndMoveKeepTheCaretInTheList) {
    editor->edit({"C:\\1.X", "C:\\2.X", "C:\\3.X", "C:\\4.X"});
    editor->setCaret(0);
    editor->moveUp(); // the first line stays
    editor->setCaret(3);
    editor->moveDown(); // so does the last
    EXPECT_EQ(sources(), (std::vector<std::string>{"C:\\1.X", "C:\\2.X", "C:\\3.X", "C:\\4.X"}));
    editor->setCaret(1);
    editor->moveDown();
    EXPECT_EQ(sources(), (std::vector<std::string>{"C:\\1.X", "C:\\3.X", "C:\\2.X", "C:\\4.X"}));
    EXPECT_EQ(editor->caret(), 2);
    EXPECT_EQ(editor->selection(), std::vector<int>{2});
    editor->setCaret(3);
    pick({2, 3});
    editor->deleteSelected();
    EXPECT_EQ(sources(), (std::vector<std::string>{"C:\\1.X", "C:\\3.X"}));
    EXPECT_EQ(editor->caret(), 1); // up to the new last line
    pick({0, 1});
    editor->deleteSelected();
    EXPECT_EQ(editor->count(), 0);
    EXPECT_EQ(editor->caret(), 0);
}

TEST_F(FileListEditing, CutCopyAndPasteThroughTheFileClipboard) {
    ASSERT_TRUE(clipboard->usable());
    editor->edit({"C:\\1.X", "C:\\2.X", "C:\\3.X", "C:\\4.X"});
    // Copied and pasted into the same project: one warning a file, nothing added.
    pick({1, 2});
    editor->copy();
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& w) {
        warnings.push_back(w);
        return true;
    };
    ASSERT_FALSE(editor->paste(warn).has_value());
    EXPECT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "Warning: The file 'C:\\2.X' already exists in the project.\n\nIt cannot be added again!");
    EXPECT_EQ(editor->count(), 4);
    // Cut, then pasted back after the caret line without warnings.
    editor->cut();
    EXPECT_EQ(sources(), (std::vector<std::string>{"C:\\1.X", "C:\\4.X"}));
    editor->setCaret(0);
    warnings.clear();
    ASSERT_FALSE(editor->paste(warn).has_value());
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(sources(), (std::vector<std::string>{"C:\\1.X", "C:\\2.X", "C:\\3.X", "C:\\4.X"}));
    // Cancel at a warning inserts nothing, not even the new ones.
    editor->edit({"C:\\2.X"});
    EXPECT_FALSE(editor->paste([](const std::string&) { return false; }).has_value());
    EXPECT_EQ(sources(), std::vector<std::string>{"C:\\2.X"});
    // Past 2048 files: 10004, nothing inserted.
    std::vector<std::string> many;
    for (int i = 0; i < 2047; ++i)
        many.push_back("C:\\M" + std::to_string(i) + ".X");
    editor->edit(many);
    auto r = editor->paste(warn);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->number, 10004);
    EXPECT_EQ(editor->count(), 2047);
    // The clipboard file deleted behind its back: an empty clipboard.
    const std::string file = clipboard->path();
    ASSERT_TRUE(m->deleteFile(file).ok());
    editor->edit({"C:\\Z.X"});
    EXPECT_FALSE(editor->paste(warn).has_value());
    EXPECT_EQ(editor->count(), 1);
    editor->copy(); // and usable again
    // It goes with the workbench.
    ASSERT_TRUE(m->exists(file));
    editor.reset();
    clipboard.reset();
    EXPECT_FALSE(m->exists(file));
}

TEST(FileClipboardRecords, HoldEveryFieldIn1534Bytes) {
    FileEntry e;
    e.source = "C:\\APP\\" + std::string(240, 's');
    e.target = "%InstallPath%";
    e.comment = "Copying:";
    e.cueCard = "Tip";
    e.unprotect = 1, e.protect = 1, e.makeIcon = 1, e.iconIndex = -3, e.action = 7;
    e.iconText = "App", e.iconParams = "/x", e.iconFile = "C:\\I.ICO", e.workDir = "C:\\W";
    e.overText = std::string(200, 'o');
    e.extension = "EX_";
    e.actionParams = "p";
    e.checkInUse = 1, e.overwrite = 4, e.usage = 1, e.compress = 1, e.optional = 1, e.included = 1, e.shared = 1;
    e.options = 0xFFFFFFFFu;
    const std::string record = FileClipboard::encode(e);
    EXPECT_EQ(record.size(), FileClipboard::kRecordSize);
    EXPECT_EQ(FileClipboard::decode(record), e);
}

} // namespace
