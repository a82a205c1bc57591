#include "authoring/workbench/model/commands.h"

#include "authoring/workbench/model/settings.h"

#include <array>

namespace zrv::workbench {

namespace {

using M = Menu;

constexpr std::array kCommands = {
    Command{cmd::kNew, M::File, "&New...", "Ctrl+N", "Create a new project file"},
    Command{cmd::kOpen, M::File, "&Open...", "Ctrl+O", "Open an existing project file"},
    Command{cmd::kSave, M::File, "&Save", "", "Save the currently open project file"},
    Command{cmd::kSaveAs, M::File, "Save &As...", "Ctrl+A", "Save the currently open project file with a new name"},
    Command{cmd::kClose, M::File, "&Close", "", "Close the currently open project file"},
    Command{cmd::kFileAttributes, M::File, "A&ttributes...", "Return", "Change settings of currently selected file"},
    Command{cmd::kDelete, M::File, "&Delete", "Del", "Delete the selected file from the project"},
    Command{cmd::kMoveUp, M::File, "Move &Up", "", "Move the current file up the project list"},
    Command{cmd::kMoveDown, M::File, "Move Do&wn", "", "Move the current file down the project list"},
    Command{cmd::kEncrypt, M::File, "&Encrypt/Un-encrypt Script...", "",
            "Encrypt or un-encrypt an existsing script file"},
    Command{cmd::kExit, M::File, "E&xit", "", ""},
    Command{cmd::kCut, M::Edit, "Cu&t", "Ctrl+X", "Cut the selected files out and place them on the clipboard"},
    Command{cmd::kCopy, M::Edit, "&Copy", "Ctrl+C", "Copy the selected files to the clipboard"},
    Command{cmd::kPaste, M::Edit, "&Paste", "Ctrl+V", "Paste the files on the clipboard into the current project"},
    Command{cmd::kSelectAll, M::Edit, "Select &All", "", "Select all files"},
    Command{cmd::kUnselectAll, M::Edit, "&Unselect All", "", "Un-select all files"},
    Command{cmd::kToolbar, M::View, "&Toolbar", "", "Show or hide the toolbar"},
    Command{cmd::kStatusBar, M::View, "&Status Bar", "", "Show or hide the status bar"},
    Command{cmd::kFullDetails, M::View, "&Full File Details", "", "Toggle display of full file details"},
    Command{cmd::kDescriptions, M::View, "&Install Descriptions", "", "Toggle display of install descriptions"},
    Command{cmd::kProjectEdit, M::Project, "&Edit...", "", "Change the files to be included in the project"},
    Command{cmd::kBitmaps, M::Project, "&Bitmaps...", "", "Change the bitmap files in the project"},
    Command{cmd::kImportVb, M::Project, "Import &VB Project...", "",
            "Import a Visual Basic .MAK project into the current project"},
    Command{cmd::kImportComponents, M::Project, "Import 3rd &Party Components...", "",
            "Import third party vendor's components into the current project"},
    Command{cmd::kDirectories, M::Project, "&Directories...", "",
            "Maintain the directories to be created for an installation"},
    Command{cmd::kBackdrop, M::Project, "Backdrop Dis&play...", "", "Set the project run-time backdrop display objects"},
    Command{cmd::kGroup, M::Project, "Program &Manager Group...", "", "Change the program manager group settings"},
    Command{cmd::kProjectAttributes, M::Project, "&Attributes...", "", "Change the project attributes"},
    Command{cmd::kDialogText, M::Project, "Dialog &Text...", "", "Change the project dialog box text"},
    Command{cmd::kUserCode, M::Project, "&User Code...", "", "Change the project user defined code"},
    Command{cmd::kInstallations, M::Project, "&Installations...", "",
            "Setup up optional installations for the user/installer"},
    Command{cmd::kBuild, M::Project, "Bui&ld Setup Procedure...", "Alt+B", "Build the currently open project file"},
    Command{cmd::kStopBuild, M::Project, "&Stop Build", "", "Stop the project building process"},
    Command{cmd::kCreateScript, M::Project, "&Create Script...", "",
            "Create the script for the project without creating the diskettes"},
    Command{cmd::kTest, M::Project, "Te&st Setup Procedure...", "Alt+T", "Test the currently open project file"},
    Command{cmd::kTestDebug, M::Project, "Test Setup in Debu&g Mode...", "Alt+D",
            "Test the currently open project file in Debug Mode"},
    Command{cmd::kViewObjects, M::Object, "&View Objects", "", "View the objects currently in the project"},
    Command{cmd::kNewObject, M::Object, "&New Object...", "", "Create a new object"},
    Command{cmd::kObjectProperties, M::Object, "Object &Properties...", "", "Modify an object's properties"},
    Command{cmd::kDeleteObject, M::Object, "&Delete Object", "", "Delete an object from the project"},
    Command{cmd::kObjectControls, M::Object, "Object &Controls...", "", "Modify/Add controls to an object"},
    Command{cmd::kImportObject, M::Object, "&Import Object...", "", "Import an object to the project"},
    Command{cmd::kCascade, M::Window, "&Cascade", "", "Arrange windows so they overlap"},
    Command{cmd::kTile, M::Window, "&Tile", "", "Arrange windows as non-overlapping tiles"},
    Command{cmd::kArrangeIcons, M::Window, "&Arrange Icons", "", "Arrange icons at the bottom of the window"},
    Command{cmd::kHelpSearch, M::Help, "&Search for Help On...", "", "Search for Help on a specific topic"},
    Command{cmd::kScriptHelp, M::Help, "Setup &Script Help", "", "Display Setup Script language help"},
    Command{cmd::kAbout, M::Help, "&About...", "", ""},
};

} // namespace

std::span<const Command> commands() { return kCommands; }

const Command* findCommand(int id) {
    for (const Command& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

std::string_view menuCaption(Menu menu) {
    switch (menu) {
    case Menu::File: return "&File";
    case Menu::Edit: return "&Edit";
    case Menu::View: return "&View";
    case Menu::Project: return "&Project";
    case Menu::Object: return "&Object";
    case Menu::Window: return "&Window";
    case Menu::Help: return "&Help";
    }
    return "";
}

std::optional<std::string_view> promptOf(int id) {
    if (id >= RecentList::kFirstCommand && id < RecentList::kFirstCommand + RecentList::kMaxCapacity)
        return std::string_view(RecentList::kPrompt);
    const Command* c = findCommand(id);
    if (!c || c->prompt.empty())
        return std::nullopt;
    return c->prompt;
}

} // namespace zrv::workbench
