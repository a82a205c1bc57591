// What the installer's display objects are made of, shared by the interpreter
// (which shows them) and the authoring tool (which edits and writes them): the
// object kinds, the control types with their words and styles, the layout bits
// of a control's style, and the names of the built-in icons.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zrv {

enum class ObjectKind : std::int32_t { Backdrop = 1, Dialog = 2, CueCard = 3 };

enum class ControlType : std::int32_t {
    Text = 0, Edit, GroupBox, Icon, Bitmap, CheckBox, RadioButton, Button, ColourBlock, ListBox, ComboBox, DropList
};

struct ControlTypeInfo {
    std::string_view word;  // as scripts write it ("ColourBlock"); matched without case
    ControlType type;
    bool inBackdrop, inDialog, inCueCard;
    std::uint32_t style; // added to the script's style
    bool window;         // created as a window (else painted)
};

inline constexpr ControlTypeInfo kControlTypes[] = {
    {"Text", ControlType::Text, true, true, true, 0, false},
    {"Edit", ControlType::Edit, false, true, false, 0x00810000, true},
    {"GroupBox", ControlType::GroupBox, false, true, true, 7, true},
    {"Icon", ControlType::Icon, true, true, true, 3, true},
    {"Bitmap", ControlType::Bitmap, true, true, true, 0, false},
    {"CheckBox", ControlType::CheckBox, false, true, false, 0x00010003, true},
    {"RadioButton", ControlType::RadioButton, false, true, false, 0x00010009, true},
    {"Button", ControlType::Button, false, true, false, 0x00010000, true},
    {"ColourBlock", ControlType::ColourBlock, true, true, true, 0, false},
    {"ListBox", ControlType::ListBox, false, true, false, 0x00A10100, true},
    {"ComboBox", ControlType::ComboBox, false, true, false, 0x00210002, true},
    {"DropList", ControlType::DropList, false, true, false, 0x00210003, true},
};
static_assert(std::size(kControlTypes) == static_cast<std::size_t>(ControlType::DropList) + 1);

// The type of a type word, in any case; nullptr for none.
const ControlTypeInfo* findControlType(std::string_view word);
const ControlTypeInfo& controlTypeInfo(ControlType type);

// Bits of a control's style that place its text or picture.
namespace Layout {
inline constexpr std::uint32_t Bottom = 0x00010000, CentreV = 0x00020000, Right = 0x00040000, CentreH = 0x00080000,
                               Tile = 0x00100000, Frame = 0x00800000, Bold = 0x00000080;
}
inline constexpr std::uint32_t kChildVisible = 0x50000000;

// The icons an icon control can name.
inline constexpr std::array<std::string_view, 57> kIconNames = {
    "DISK01",   "DISK02",   "DISK03",   "DISK04",   "DISK05",   "DISK06",   "DISK07",   "DISK08",   "DISK09",
    "DISK10",   "DISK11",   "DISK12",   "DISK13",   "DISK14",   "DISK15",   "DISKS01",  "DISKS02",  "DISKS03",
    "DISKS04",  "DRIVE01",  "DRIVE02",  "FORM",     "KEY01",    "KEY02",    "KEY03",    "KEY04",    "KEY05",
    "KEY06",    "KEY07",    "KEYBRD01", "KEYBRD02", "KEYBRD03", "KEYS01",   "KEYS02",   "KEYS03",   "MAC01",
    "MAC02",    "MAC03",    "MAC04",    "MDICHILD", "MDIPARNT", "MONITR01", "MOUSE01",  "MOUSE02",  "MOUSE03",
    "MOUSE04",  "PC01",     "PC02",     "PC03",     "PC04",     "SETUP",    "TRASH01",  "TRASH02A", "TRASH02B",
    "TRASH03",  "TRASH04A", "TRASH04B",
};

} // namespace zrv
