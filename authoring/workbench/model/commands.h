// The workbench's commands as data: every menu item with its command id, menu,
// caption, shortcut and the prompt the status bar shows while it is
// highlighted. The Qt workbench builds its menus and toolbar from this table.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace zrv::workbench {

enum class Menu { File, Edit, View, Project, Object, Window, Help };

struct Command {
    int id = 0;
    Menu menu = Menu::File;
    std::string_view caption;  // with '&' before the mnemonic; "..." when a dialog follows
    std::string_view shortcut; // as Qt's key sequences read it ("Ctrl+N"), or empty
    std::string_view prompt;   // empty: none shown
};

// In menu order.
std::span<const Command> commands();
const Command* findCommand(int id);
std::string_view menuCaption(Menu menu);
// The status-bar prompt of a command id, the recently used entries' included.
std::optional<std::string_view> promptOf(int id);

// Command ids the model refers to.
namespace cmd {
inline constexpr int kNew = 1001, kOpen = 1002, kSave = 1003, kSaveAs = 1004, kClose = 1005, kFileAttributes = 1006,
                     kDelete = 1007, kMoveUp = 1008, kMoveDown = 1009, kEncrypt = 1010, kExit = 1011;
inline constexpr int kCut = 2001, kCopy = 2002, kPaste = 2003, kSelectAll = 2004, kUnselectAll = 2005;
inline constexpr int kToolbar = 3001, kStatusBar = 3002, kFullDetails = 3003, kDescriptions = 3004;
inline constexpr int kProjectEdit = 4001, kBitmaps = 4002, kImportVb = 4003, kImportComponents = 4004,
                     kDirectories = 4005, kBackdrop = 4006, kGroup = 4007, kProjectAttributes = 4008,
                     kDialogText = 4009, kUserCode = 4010, kInstallations = 4011, kBuild = 4012, kStopBuild = 4013,
                     kCreateScript = 4014, kTest = 4015, kTestDebug = 4016;
inline constexpr int kViewObjects = 5001, kNewObject = 5002, kObjectProperties = 5003, kDeleteObject = 5004,
                     kObjectControls = 5005, kImportObject = 5006;
inline constexpr int kCascade = 6001, kTile = 6002, kArrangeIcons = 6003;
inline constexpr int kHelpSearch = 7002, kScriptHelp = 7004, kAbout = 7005;
} // namespace cmd

} // namespace zrv::workbench
