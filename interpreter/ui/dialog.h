// A modal dialog as every back end runs it: its items (the windows a dialog
// template would create), their state, and a controller that decides what a
// button does. A back end shows the items, lets a person change them, and
// hands every command to the controller until it ends the dialog.
#pragma once

#include "interpreter/ui/display.h"
#include "interpreter/ui/geometry.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zrv::ui {

enum class ItemClass { Button, Edit, Static, ListBox, ComboBox };
const char* itemClassName(ItemClass c);

namespace Bs {
inline constexpr std::uint32_t TypeMask = 0x0F, DefPushButton = 1, AutoCheckBox = 3, GroupBox = 7, AutoRadio = 9;
}
namespace Cbs {
inline constexpr std::uint32_t TypeMask = 0x03, DropDown = 2, DropDownList = 3;
}
namespace Ss {
inline constexpr std::uint32_t TypeMask = 0x1F, Centre = 1, Icon = 3;
}

struct DialogItem {
    ItemClass cls = ItemClass::Static;
    int id = 0;
    std::uint32_t style = 0;
    Rect du;          // dialog units, client coordinates
    std::string text; // code page 1252: the caption, an edit's or combo box's text, an icon's name
    // State a person changes.
    std::vector<std::string> items; // list box, combo box
    int selection = -1;
    bool checked = false;
    int limit = 0;                  // edit length limit, 0 = none
    std::string variable;           // the script variable the item stands for, if any

    bool isCheckBox() const { return cls == ItemClass::Button && (style & Bs::TypeMask) == Bs::AutoCheckBox; }
    bool isRadio() const { return cls == ItemClass::Button && (style & Bs::TypeMask) == Bs::AutoRadio; }
    bool isGroupBox() const { return cls == ItemClass::Button && (style & Bs::TypeMask) == Bs::GroupBox; }
    bool isPushButton() const { return cls == ItemClass::Button && (style & Bs::TypeMask) <= Bs::DefPushButton; }
    bool isDropList() const { return cls == ItemClass::ComboBox && (style & Cbs::TypeMask) == Cbs::DropDownList; }
    // The value a person gave: edit and combo text, "0"/"1", the selected item.
    std::string value() const;
    // Sets what value() reads; false when the value does not fit the item.
    bool setValue(const std::string& value);
};

class Dialog;

// What a command did to the dialog.
struct Outcome {
    bool end = false;
    int result = 0;
    static Outcome stay() { return {}; }
    static Outcome endWith(int result) { return {true, result}; }
};

enum class Event { Clicked, DoubleClicked, SelectionChanged };

class DialogController {
public:
    virtual ~DialogController() = default;
    // Runs when the dialog's window exists: fills items, places the window.
    // May end the dialog at once.
    virtual Outcome init(Dialog& dialog) = 0;
    virtual Outcome command(Dialog& dialog, int id, Event event) = 0;
    // What the dialog paints on its surface (user dialogs).
    virtual std::vector<DrawOp> paint(const Dialog&, const TextMeasurer&) { return {}; }
};

class Dialog {
public:
    std::string name;         // the name the script showed it by ("ASKPATH", a dialog object)
    std::string title;
    Rect du;                  // the template's x, y, width, height
    std::vector<DialogItem> items;
    int defaultId = 1;        // Enter presses it
    int focusId = 0;          // 0: the first tab stop; a back end keeps it current before each command
    Rect window;              // the window rectangle on the screen, pixels
    DialogController* controller = nullptr;
    Surface* surface = nullptr; // for dialogs that paint a display object
    // Variables the dialog wrote, in order, for the transcript.
    std::vector<std::pair<std::string, std::string>> written;

    DialogItem* item(int id);
    const DialogItem* item(int id) const;
    // Adds an item; returns it.
    DialogItem& add(ItemClass cls, int id, std::uint32_t style, const Rect& du, std::string text = {});
    // A group of radio buttons: checking one clears the others of the dialog.
    void checkRadio(int id);
    // The radio button an arrow key moves to from radio `id`: the next (step 1)
    // or previous (step -1) one of its group, wrapping round; 0 when none.
    int nextRadio(int id, int step) const;
    // Gives item `id` a value as a person would: a checked radio button clears
    // the rest of its group. False when there is no such item or it does not fit.
    bool setValue(int id, const std::string& value);
    bool setValue(DialogItem& item, const std::string& value);
};

} // namespace zrv::ui
