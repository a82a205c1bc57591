// The authoring tool's own texts: the dialog texts a project shows at install
// time with their defaults in each language, the messages of the project
// operations and the status texts.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zrv::authoring {

// The dialog texts in the order the project file stores them.
enum class DialogText : int {
    SetupMsg, Caption, NextDisk, Welcome1, Welcome2, About,
    ZrvUni1, ZrvUni2, ZrvUni3, ZrvUni4, ZrvUni5, ZrvUni6, ZrvUni7, ZrvUni8, ZrvUni9,
    AskPath1, SpaceCheck1, InUse1, MakeGrp, Error1, Error2, Quit1, Quit2, Success1, Success2,
    DirError1, DirError2, WinExecFail, DllSelfRegFail, WinExecRegFail, WaitRegOle, WaitMergeReg, WaitSelfExtract,
};
inline constexpr int kDialogTextCount = 33;

struct DialogTextInfo {
    std::string_view key;      // as the project file writes it, without "="
    std::string_view category; // how the dialog-text editor lists it
    int maxLength;             // characters
};
extern const std::array<DialogTextInfo, kDialogTextCount> kDialogTexts;

// Defaults in a language 0-6 (code page 1252); outside that range, English.
std::string defaultDialogText(int language, DialogText text);
// The one optional installation of a new project.
std::string defaultOptionText(int language);
// The copy comment and overwrite message of a new file entry.
std::string copyingText(int language);
std::string overwritePromptText(int language);

// The user-code slots, by the names the editor lists them under.
extern const std::array<std::string_view, 15> kUserCodeNames;

// A message of the string table. Its text begins with "!" for an error shown
// with OK, "?3" for a question answered Yes or No; `plain` drops that marker.
std::string_view messageText(int number);
std::string_view plain(std::string_view message);
// A status text (11000-11043).
std::string_view statusText(int number);

// Messages without a number of their own.
inline constexpr std::string_view kSavePrompt = "The current project has been changed.\nDo you wish to save it first ?";
inline constexpr std::string_view kDuplicateFileWarning =
    "Warning: The file '%s' already exists in the project.\n\nIt cannot be added again!";
inline constexpr std::string_view kDeleteFilesQuestion =
    "Are you sure you wish to delete the\nselected file(s) from the project ?";

} // namespace zrv::authoring
