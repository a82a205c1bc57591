// DIALOGBOX(: the script's own dialog objects, shown from an in-memory
// template, and the built-in dialogs with their fixed layouts.
#include "common/paths.h"
#include "common/text.h"
#include "common/trace.h"
#include "interpreter/actions/actions.h"
#include "interpreter/actions/display.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "interpreter/ui/template.h"
#include "interpreter/ui/ui.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <algorithm>
#include <cctype>

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;
using ui::Dialog;
using ui::DialogItem;
using ui::Event;
using ui::ItemClass;
using ui::Outcome;
using ui::Rect;

namespace {

// Window styles of the built-in layouts.
namespace St {
constexpr std::uint32_t Text = 0x50000000, Centred = 0x50000001, Icon = 0x50000003, Group = 0x50000007,
                        Button = 0x50010000, Default = 0x50010001, Edit = 0x50810080, Check = 0x50010003,
                        Radio = 0x50010009, FirstRadio = 0x50030009, List = 0x50A10103, DropList = 0x50210003;
}

constexpr const char* kAppIcon = "#31234";

// One item of a fixed layout: its text is a literal, a caption of the
// current language, or a variable's value.
struct LayoutItem {
    ItemClass cls;
    int id;
    std::uint32_t style;
    Rect du;
    int caption = 0;
    const char* variable = nullptr;
    const char* literal = nullptr;
};

struct Layout {
    const char* name;
    Rect du;
    int defaultId;
    std::vector<LayoutItem> items;
};

Rect box(int x, int y, int w, int h) { return Rect::sized(x, y, w, h); }

const std::vector<Layout>& fixedLayouts() {
    static const std::vector<Layout> layouts = {
        {"WELCOME", box(75, 55, 183, 98), 1,
         {{ItemClass::Button, -1, St::Group, box(6, 4, 171, 64)},
          {ItemClass::Static, -1, St::Icon, box(14, 14, 21, 20), 0, nullptr, kAppIcon},
          {ItemClass::Static, 200, St::Text, box(44, 14, 126, 24), 0, "MESSAGE1"},
          {ItemClass::Static, 201, St::Text, box(44, 40, 126, 24), 0, "MESSAGE2"},
          {ItemClass::Button, 1, St::Default, box(8, 76, 50, 14), 14090},
          {ItemClass::Button, 10, St::Button, box(66, 76, 50, 14), 14040},
          {ItemClass::Button, 2, St::Button, box(124, 76, 50, 14), 14020}}},
        {"ASKPATH", box(75, 55, 285, 98), 1,
         {{ItemClass::Button, -1, St::Group, box(6, 4, 273, 64)},
          {ItemClass::Static, -1, St::Icon, box(14, 14, 21, 20), 0, nullptr, kAppIcon},
          {ItemClass::Static, 200, St::Text, box(44, 12, 230, 24), 0, "MESSAGE1"},
          {ItemClass::Static, 212, St::Text, box(44, 44, 24, 8), 14220},
          {ItemClass::Edit, 50, St::Edit, box(70, 42, 150, 12), 0, "INSTALLPATH"},
          {ItemClass::Button, 16, St::Button, box(226, 41, 48, 14), 14230},
          {ItemClass::Button, 1, St::Default, box(65, 76, 50, 14), 14090},
          {ItemClass::Button, 9, St::Button, box(121, 76, 50, 14), 14180},
          {ItemClass::Button, 2, St::Button, box(177, 76, 50, 14), 14020}}},
        {"OKBOX", box(75, 55, 200, 81), 1,
         {{ItemClass::Static, -1, St::Icon, box(10, 10, 21, 20), 0, nullptr, kAppIcon},
          {ItemClass::Static, 200, St::Text, box(40, 10, 152, 20), 0, "MESSAGE1"},
          {ItemClass::Static, 201, St::Text, box(40, 32, 152, 20), 0, "MESSAGE2"},
          {ItemClass::Button, 1, St::Default, box(75, 60, 50, 14), 14000}}},
        {"DEINSTALL", box(40, 40, 260, 145), 11,
         {{ItemClass::Button, -1, St::Group, box(6, 4, 248, 110)},
          {ItemClass::Static, -1, St::Icon, box(14, 14, 21, 20), 0, nullptr, kAppIcon},
          {ItemClass::Static, 200, St::Text, box(44, 14, 204, 28), 0, "MESSAGE1"},
          {ItemClass::Static, 201, St::Text, box(44, 46, 204, 28), 0, "MESSAGE2"},
          {ItemClass::Static, 202, St::Text, box(44, 78, 204, 28), 0, "MESSAGE3"},
          {ItemClass::Button, 11, St::Default, box(34, 122, 60, 14), 14070},
          {ItemClass::Button, 12, St::Button, box(100, 122, 60, 14), 14080},
          {ItemClass::Button, 2, St::Button, box(166, 122, 60, 14), 14010}}},
        {"ABOUT", box(40, 30, 230, 157), 1,
         {{ItemClass::Static, -1, St::Icon, box(12, 12, 21, 20), 0, nullptr, kAppIcon},
          {ItemClass::Static, -1, St::Centred, box(10, 40, 210, 10), 0, nullptr, "Setup"},
          {ItemClass::Static, -1, St::Centred, box(10, 54, 210, 10), 0, nullptr,
           "Application Installation Script Interpreter"},
          {ItemClass::Static, -1, St::Centred, box(10, 68, 210, 10), 0, nullptr, "Version 1.0 (zrvx32)"},
          {ItemClass::Static, -1, St::Centred, box(10, 88, 210, 10), 0, nullptr,
           "Re-made for today's machines as an open kit,"},
          {ItemClass::Static, -1, St::Centred, box(10, 100, 210, 10), 0, nullptr,
           "running scripts on an emulated Windows machine."},
          {ItemClass::Button, 1, St::Default, box(90, 132, 50, 14), 0, nullptr, "&Ok"}}},
        {"BROWSE", box(21, 14, 182, 170), 1,
         {{ItemClass::Static, 200, St::Text, box(8, 6, 166, 8), 14240},
          {ItemClass::Static, 213, St::Text, box(8, 16, 166, 8)},
          {ItemClass::Static, 201, St::Text, box(8, 30, 100, 8), 14250},
          {ItemClass::ListBox, 250, St::List, box(8, 40, 110, 96)},
          {ItemClass::Static, 202, St::Text, box(8, 140, 100, 8), 14260},
          {ItemClass::ComboBox, 251, St::DropList, box(8, 150, 110, 60)},
          {ItemClass::Button, 1, St::Default, box(126, 40, 48, 14), 14000},
          {ItemClass::Button, 2, St::Button, box(126, 58, 48, 14), 14010}}},
    };
    return layouts;
}

// The families: CHECKBOXn, RADIOBn (2..6), INPUTBOX1/2, PUSHBn (2..5).
bool familyLayout(const std::string& name, Layout& out, std::string& family, int& n) {
    auto count = [&](const char* prefix, int low, int high) {
        std::size_t len = std::char_traits<char>::length(prefix);
        if (name.size() != len + 1 || name.compare(0, len, prefix) != 0)
            return false;
        n = name[len] - '0';
        return n >= low && n <= high;
    };
    out.items.clear();
    auto add = [&](ItemClass cls, int id, std::uint32_t style, Rect r, int caption = 0, const char* var = nullptr) {
        out.items.push_back({cls, id, style, r, caption, var, nullptr});
    };
    static const char* kMessages[] = {"MESSAGE1", "MESSAGE2", "MESSAGE3", "MESSAGE4", "MESSAGE5", "MESSAGE6"};
    static const char* kPushTexts[] = {"PUSHB_1", "PUSHB_2", "PUSHB_3", "PUSHB_4", "PUSHB_5"};
    if (count("CHECKBOX", 2, 6) || count("RADIOB", 2, 6)) {
        bool check = name[0] == 'C';
        family = check ? "CHECKBOX" : "RADIOB";
        out.du = box(75, 55, 197, 86 + 21 * (n - 2));
        for (int i = 1; i <= n; ++i)
            add(ItemClass::Button, (check ? 229 : 219) + i,
                check ? St::Check : (i == 1 ? St::FirstRadio : St::Radio), box(9, 13 + 21 * (i - 1), 178, 12), 0,
                kMessages[i - 1]);
        add(ItemClass::Button, 1, St::Default, box(95, 24 + 21 * n, 45, 14), 14000);
        add(ItemClass::Button, 2, St::Button, box(145, 24 + 21 * n, 45, 14), 14010);
        out.defaultId = 1;
        return true;
    }
    if (count("INPUTBOX", 1, 2)) {
        family = "INPUTBOX";
        out.du = n == 1 ? box(75, 55, 200, 79) : box(75, 55, 202, 133);
        for (int i = 1; i <= n; ++i) {
            add(ItemClass::Static, 199 + i, St::Text, box(7, 8 + 54 * (i - 1), 188, 17), 0, kMessages[i - 1]);
            add(ItemClass::Edit, 50 + i, St::Edit, box(7, 31 + 54 * (i - 1), 188, 12), 0, i == 1 ? "EF_1" : "EF_2");
        }
        int y = out.du.height() - 21;
        add(ItemClass::Button, 1, St::Default, box(97, y, 45, 14), 14000);
        add(ItemClass::Button, 2, St::Button, box(148, y, 45, 14), 14010);
        out.defaultId = 1;
        return true;
    }
    if (count("PUSHB", 2, 5)) {
        family = "PUSHB";
        out.du = box(75, 55, 202, 84 + 22 * (n - 2));
        for (int i = 1; i <= n; ++i) {
            add(ItemClass::Button, 10 + i, i == 1 ? St::Default : St::Button, box(7, 8 + 22 * (i - 1), 50, 14), 0,
                kPushTexts[i - 1]);
            add(ItemClass::Static, 199 + i, St::Text, box(67, 10 + 22 * (i - 1), 129, 10), 0, kMessages[i - 1]);
        }
        add(ItemClass::Button, 2, St::Button, box(150, 63 + 22 * (n - 2), 45, 14), 14010);
        out.defaultId = 11;
        return true;
    }
    return false;
}

// The dialog a layout describes, its texts filled in.
Dialog makeDialog(Engine& e, const std::string& name, const Layout& layout) {
    Dialog d;
    d.name = name;
    d.du = layout.du;
    d.defaultId = layout.defaultId;
    for (const LayoutItem& li : layout.items) {
        std::string text = li.literal     ? li.literal
                           : li.caption   ? e.caption(li.caption)
                           : li.variable  ? e.variables().GetVariable(li.variable)
                                          : std::string();
        d.add(li.cls, li.id, li.style, li.du, text);
    }
    return d;
}

// Where a dialog goes: the template position relative to the main window's
// client area, then moved by the built-in dialogs' placement.
void placeBuiltin(Engine& e, Dialog& d) {
    const ui::Display& display = e.ui().display();
    const ui::Metrics& m = display.metrics;
    Rect window = m.dialogWindow(d.du, 0, m.captionHeight);
    d.window = ui::PlaceDialog(window, display.placement, m.mainWindow(), m.captionHeight);
}

// Ends on any of the given buttons; Cancel (also Escape) always ends.
class SimpleController : public ui::DialogController {
public:
    explicit SimpleController(std::vector<int> ending) : m_ending(std::move(ending)) {}
    Outcome init(Dialog&) override { return Outcome::stay(); }
    Outcome command(Dialog&, int id, Event event) override {
        if (event == Event::Clicked && (id == ui::Id::Cancel || std::count(m_ending.begin(), m_ending.end(), id)))
            return Outcome::endWith(id);
        return Outcome::stay();
    }

private:
    std::vector<int> m_ending;
};

int runAbout(Engine& e, const Dialog& owner) {
    Dialog about = makeDialog(e, "ABOUT", fixedLayouts()[4]);
    about.title = "About Setup";
    const ui::Metrics& m = e.ui().display().metrics;
    about.window = ui::PlaceOnScreen(m.dialogWindow(about.du, owner.window.left, owner.window.top), 3, 3,
                                     m.screenWidth, m.screenHeight);
    SimpleController c({ui::Id::Ok});
    about.controller = &c;
    return e.ui().runDialog(about);
}

// The directory browser over the machine's drives and folders.
class BrowseController : public ui::DialogController {
public:
    explicit BrowseController(Engine& e) : m_e(e) {}
    Outcome init(Dialog& d) override {
        fill(d);
        return Outcome::stay();
    }
    Outcome command(Dialog& d, int id, Event event) override {
        if (id == 250 && event == Event::DoubleClicked)
            return enter(d);
        if (id == 251 && event == Event::SelectionChanged) {
            const DialogItem* drives = d.item(251);
            std::string v = drives->value(); // "[-c-]"
            if (v.size() == 5)
                (void)ChangeDirectory(m_e.machine(), std::string(1, v[2]) + ":");
            fill(d);
            return Outcome::stay();
        }
        if (event != Event::Clicked)
            return Outcome::stay();
        if (id == ui::Id::Ok && d.focusId == 250)
            return enter(d);
        if (id == ui::Id::Ok || id == ui::Id::Cancel)
            return Outcome::endWith(id);
        return Outcome::stay();
    }

private:
    Outcome enter(Dialog& d) {
        std::string v = d.item(250)->value();
        if (v.size() > 2 && v.front() == '[' && v.back() == ']')
            (void)ChangeDirectory(m_e.machine(), v.substr(1, v.size() - 2));
        fill(d);
        return Outcome::stay();
    }
    void fill(Dialog& d) {
        Machine& machine = m_e.machine();
        std::string current = machine.currentDirectory();
        DialogItem& dirs = *d.item(250);
        dirs.items.clear();
        auto found = machine.findFiles(AddBackslash(current) + "*.*");
        if (found)
            for (const FileInfo& f : *found)
                if (f.isDirectory() && f.name != ".")
                    dirs.items.push_back("[" + f.name + "]");
        if (current.size() > 3 && std::find(dirs.items.begin(), dirs.items.end(), "[..]") == dirs.items.end())
            dirs.items.push_back("[..]");
        std::sort(dirs.items.begin(), dirs.items.end(),
                  [](const std::string& a, const std::string& b) { return compareNoCase(a, b) < 0; });
        dirs.selection = dirs.items.empty() ? -1 : 0;
        d.item(213)->text = current;
        DialogItem& drives = *d.item(251);
        drives.items.clear();
        drives.selection = -1;
        for (char letter : machine.driveLetters()) {
            char lower = toLowerAnsi(letter);
            drives.items.push_back(std::string("[-") + lower + "-]");
            if (!current.empty() && toLowerAnsi(current[0]) == lower)
                drives.selection = static_cast<int>(drives.items.size()) - 1;
        }
    }
    Engine& m_e;
};

// The chosen directory, or nothing when the browser was cancelled.
std::optional<std::string> runBrowser(Engine& e, const Dialog& owner) {
    Machine& machine = e.machine();
    std::string remembered = machine.currentDirectory();
    (void)ChangeDirectory(machine, machine.windowsDirectory().substr(0, 3));
    Dialog browse = makeDialog(e, "BROWSE", fixedLayouts()[5]);
    browse.title = e.variables().GetVariable("CAPTION");
    const ui::Metrics& m = e.ui().display().metrics;
    browse.window = m.dialogWindow(browse.du, owner.window.left + m.dialogFrame,
                                   owner.window.top + m.dialogFrame + m.captionHeight);
    BrowseController c(e);
    browse.controller = &c;
    int result = e.ui().runDialog(browse);
    std::string chosen = machine.currentDirectory();
    (void)ChangeDirectory(machine, remembered);
    if (result != ui::Id::Ok)
        return std::nullopt;
    return chosen;
}

class BuiltinController : public ui::DialogController {
public:
    BuiltinController(Engine& e, std::string family, int n) : m_e(e), m_family(std::move(family)), m_n(n) {}

    Outcome init(Dialog& d) override {
        placeBuiltin(m_e, d);
        d.title = var("CAPTION");
        if (m_family == "ASKPATH")
            d.item(50)->limit = 255;
        if (m_family == "CHECKBOX")
            for (int i = 1; i <= m_n; ++i) {
                std::string v = var("BUTTON" + std::to_string(i));
                DialogItem* box = d.item(229 + i);
                box->checked = !v.empty() && v[0] == '1';
                box->variable = "BUTTON" + std::to_string(i);
            }
        if (m_family == "RADIOB") {
            std::string v = var("RADIOBUTTON");
            int k = 0;
            if (!v.empty())
                k = std::min(static_cast<unsigned char>(v[0]) > '0' ? v[0] - '1' : 0, m_n - 1);
            for (int i = 1; i <= m_n; ++i)
                d.item(219 + i)->variable = "RADIOBUTTON";
            d.checkRadio(220 + k);
        }
        if (m_family == "INPUTBOX")
            for (int i = 1; i <= m_n; ++i) {
                DialogItem* edit = d.item(50 + i);
                edit->variable = "EF_" + std::to_string(i);
                edit->text = var(edit->variable);
                edit->limit = 254;
            }
        if (m_family == "ASKPATH")
            d.item(50)->variable = "INSTALLPATH";
        return Outcome::stay();
    }

    Outcome command(Dialog& d, int id, Event event) override {
        if (event != Event::Clicked)
            return Outcome::stay();
        if (id == ui::Id::Cancel)
            return Outcome::endWith(id);
        if (m_family == "WELCOME") {
            if (id == 10) {
                (void)runAbout(m_e, d);
                return Outcome::stay();
            }
            return id == 1 ? Outcome::endWith(1) : Outcome::stay();
        }
        if (m_family == "ASKPATH")
            return askPath(d, id);
        if (m_family == "PUSHB")
            return id >= 11 && id <= 10 + m_n ? Outcome::endWith(id) : Outcome::stay();
        if (m_family == "DEINSTALL")
            return id == 11 || id == 12 ? Outcome::endWith(id) : Outcome::stay();
        if (id != ui::Id::Ok)
            return Outcome::stay();
        if (m_family == "CHECKBOX") {
            for (int i = 1; i <= m_n; ++i)
                if (store(d, "BUTTON" + std::to_string(i), d.item(229 + i)->checked ? "1" : "0", true) != 0)
                    break;
        } else if (m_family == "RADIOB") {
            for (int i = 1; i <= m_n; ++i)
                if (d.item(219 + i)->checked) {
                    (void)store(d, "RADIOBUTTON", std::to_string(i), true);
                    break;
                }
        } else if (m_family == "INPUTBOX") {
            for (int i = 1; i <= m_n; ++i)
                (void)store(d, "EF_" + std::to_string(i), d.item(50 + i)->text.substr(0, 254), false);
        }
        return Outcome::endWith(1);
    }

private:
    std::string var(const std::string& name) { return m_e.variables().GetVariable(name); }
    int store(Dialog& d, const std::string& name, const std::string& value, bool number) {
        int err = number ? m_e.SetVariableNumber(name, std::atoi(value.c_str())) : m_e.SetVariable(name, value);
        d.written.emplace_back(name, value);
        return err;
    }
    Outcome askPath(Dialog& d, int id) {
        DialogItem& edit = *d.item(50);
        if (id == 9)
            return Outcome::endWith(9);
        if (id == 16) {
            if (auto chosen = runBrowser(m_e, d))
                edit.text = chosen->substr(0, 255);
            d.focusId = 50;
            return Outcome::stay();
        }
        if (id != ui::Id::Ok)
            return Outcome::stay();
        std::string path = edit.text.substr(0, 255);
        StripText(path, 'B', " ");
        bool valid = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                     path[2] == '\\';
        if (!valid) {
            ui::MessageBoxRequest box;
            box.title = var("CAPTION");
            box.text = "Invalid path name entered";
            box.style = ui::Mb::Ok | ui::Mb::IconExclamation;
            (void)m_e.ui().messageBox(box);
            d.focusId = 50;
            return Outcome::stay();
        }
        (void)store(d, "INSTALLPATH", path, false);
        (void)store(d, "INSTALLDRIVE", path.substr(0, 2), false);
        return Outcome::endWith(1);
    }

    Engine& m_e;
    std::string m_family;
    int m_n;
};

// ---------------------------------------------------------------------------
// Dialog objects

std::vector<std::string> splitItems(const std::string& text) {
    std::vector<std::string> items;
    std::string piece;
    for (char c : text) {
        if (c == '|' || c == '\n') {
            items.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        items.push_back(piece);
    return items;
}

int findItem(const std::vector<std::string>& items, const std::string& value) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (equalNoCase(items[i], value))
            return static_cast<int>(i);
    return items.empty() ? -1 : 0;
}

class UserDialogController : public ui::DialogController {
public:
    UserDialogController(Engine& e, std::string name) : m_e(e), m_name(std::move(name)) {}
    ~UserDialogController() override { m_surface.release(); }

    int error() const { return m_error; }

    Outcome init(Dialog& d) override {
        trace("UserDlgWndProc\r\n");
        trace("WM_INITDIALOG 1\r\n");
        trace("WM_INITDIALOG 2\r\n");
        bool focus = onInitDialog(d);
        trace("WM_INITDIALOG 3\r\n");
        if (m_error != 0) {
            trace("WM_INITDIALOG 4\r\n");
            return Outcome::endWith(ui::Id::Cancel);
        }
        (void)focus;
        return Outcome::stay();
    }

    Outcome command(Dialog& d, int id, Event event) override {
        trace("UserDlgWndProc\r\n");
        trace("WM_COMMAND 1\r\n");
        if (event != Event::Clicked)
            return Outcome::stay();
        if (id == ui::Id::Ok) {
            trace("WM_COMMAND IDOK\r\n");
            onOk(d);
            return Outcome::endWith(ui::Id::Ok);
        }
        if ((id >= 2 && id <= 7) || id == 9 || (id >= 11 && id <= 15)) {
            trace("WM_COMMAND Other button\r\n");
            return Outcome::endWith(id);
        }
        trace("WM_COMMAND Default\r\n");
        return Outcome::stay();
    }

    std::vector<ui::DrawOp> paint(const Dialog& d, const ui::TextMeasurer& measurer) override {
        trace("UserDlgWndProc\r\n");
        trace("WM_PAINT 1\r\n");
        trace("OnPaint 1\r\n");
        const ui::Metrics& m = m_e.ui().display().metrics;
        m_surface.objectName = m_name;
        m_surface.client = Rect::sized(0, 0, m.toPixelsX(d.du.width()), m.toPixelsY(d.du.height()));
        trace("OnPaint 2\r\n");
        int error = 0;
        auto ops = ui::RenderObject(m_e.ui().display().objects, m_surface, m, measurer, m_e.ui().expander(), error);
        trace("OnPaint " + std::to_string(error ? 3 : 4) + "\r\n");
        trace("OnPaint 5\r\n");
        trace("OnPaint 6\r\n");
        trace("WM_PAINT 2\r\n");
        return ops;
    }

private:
    void trace(const std::string& line) { m_e.trace().WriteTrace(line); }

    bool onInitDialog(Dialog& d) {
        trace("OnInitDialog 1\r\n");
        const ui::DisplayObject* object = m_e.ui().display().objects.find(m_name);
        if (!object) {
            m_error = engine::kErrObjectNotFound;
            return true;
        }
        trace("OnInitDialog 2\r\n"); // the three-dimensional look has no counterpart here
        const ui::Metrics& m = m_e.ui().display().metrics;
        m_surface.objectName = m_name;
        m_surface.client = Rect::sized(0, 0, m.toPixelsX(object->width), m.toPixelsY(object->height));
        trace("OnInitDialog 3\r\n");
        d.surface = &m_surface;
        m_error = ui::PrepareDisplay(m_e.machine(), *object, m_surface,
                                     [this](const std::string&) { missingBitmap(m_e); });
        if (m_error != 0) {
            trace("OnInitDialog 4\r\n");
            return true;
        }
        trace("OnInitDialog 5\r\n");
        std::size_t index = 0;
        for (const ui::ControlRecord& c : object->controls) {
            if (ui::classAtom(c.type) == 0)
                continue;
            DialogItem& item = d.items[index++];
            std::string value = c.variable.empty() ? std::string() : m_e.variables().GetVariable(c.variable);
            switch (c.type) {
            case ui::ControlType::Edit:
                trace("OnInitDialog 6\r\n");
                item.text = value;
                item.limit = c.limit;
                trace("OnInitDialog 7\r\n");
                break;
            case ui::ControlType::CheckBox:
            case ui::ControlType::RadioButton:
                trace("OnInitDialog 8\r\n");
                item.checked = std::atoi(value.c_str()) != 0;
                break;
            case ui::ControlType::ListBox:
                trace("OnInitDialog 9\r\n");
                item.items = splitItems(item.text);
                trace("OnInitDialog 10\r\n");
                item.selection = findItem(item.items, value);
                break;
            case ui::ControlType::ComboBox:
                trace("OnInitDialog 11\r\n");
                item.items = splitItems(item.text);
                trace("OnInitDialog 12\r\n");
                item.text = value;
                trace("OnInitDialog 13\r\n");
                item.limit = c.limit;
                break;
            case ui::ControlType::DropList:
                trace("OnInitDialog 14\r\n");
                item.items = splitItems(item.text);
                trace("OnInitDialog 15\r\n");
                item.selection = findItem(item.items, value);
                break;
            default: break;
            }
        }
        trace("OnInitDialog 16\r\n");
        trace("OnInitDialog 17\r\n");
        d.window = ui::PlaceOnScreen(d.window, object->horizontal, object->vertical, m.screenWidth, m.screenHeight);
        trace("OnInitDialog 18\r\n");
        if (object->focus != 0) {
            d.focusId = object->focus;
            trace("OnInitDialog 19\r\n");
            return false;
        }
        trace("OnInitDialog 20\r\n");
        return true;
    }

    void onOk(Dialog& d) {
        const ui::DisplayObject* object = m_e.ui().display().objects.find(m_name);
        if (!object)
            return;
        std::size_t index = 0;
        for (const ui::ControlRecord& c : object->controls) {
            if (ui::classAtom(c.type) == 0)
                continue;
            const DialogItem& item = d.items[index++];
            if (c.variable.empty())
                continue;
            switch (c.type) {
            case ui::ControlType::CheckBox:
            case ui::ControlType::RadioButton:
                (void)m_e.SetVariableNumber(c.variable, item.checked ? 1 : 0);
                d.written.emplace_back(c.variable, item.checked ? "1" : "0");
                break;
            case ui::ControlType::Edit:
            case ui::ControlType::ListBox:
            case ui::ControlType::ComboBox:
            case ui::ControlType::DropList:
                (void)m_e.SetVariable(c.variable, item.value());
                d.written.emplace_back(c.variable, item.value());
                break;
            default: break;
            }
        }
    }

    Engine& m_e;
    std::string m_name;
    ui::Surface m_surface;
    int m_error = 0;
};

// ShowUserDialog: builds the template, runs the dialog; the error and the button.
std::pair<int, int> ShowUserDialog(Engine& e, const ui::DisplayObject& object) {
    auto expand = [&e](const std::string& s) { return e.variables().ExpandNames(s); };
    std::vector<std::uint8_t> bytes;
    int count = 0;
    bool built = ui::BuildTemplate(object, expand, bytes, count);
    e.trace().WriteTrace("Number of items: " + std::to_string(count) + "\r\n");
    e.trace().WriteTraceBytes(bytes.data(), std::min<std::size_t>(bytes.size(), 200));
    if (!built)
        return {engine::kErrDialogInit, 0};

    Dialog d;
    d.name = object.name;
    d.title = expand(object.caption);
    d.du = Rect::sized(object.x, object.y, object.width, object.height);
    d.defaultId = ui::Id::Ok;
    for (const ui::ControlRecord& c : object.controls) {
        if (ui::classAtom(c.type) == 0)
            continue;
        ItemClass cls = ItemClass::Button;
        switch (c.type) {
        case ui::ControlType::Edit: cls = ItemClass::Edit; break;
        case ui::ControlType::Icon: cls = ItemClass::Static; break;
        case ui::ControlType::ListBox: cls = ItemClass::ListBox; break;
        case ui::ControlType::ComboBox:
        case ui::ControlType::DropList: cls = ItemClass::ComboBox; break;
        default: break;
        }
        DialogItem& item = d.add(cls, c.id, c.style, Rect::sized(c.x, c.y, c.width, c.height), expand(c.text));
        item.variable = c.variable;
        if (c.type == ui::ControlType::Button && (c.style & ui::Bs::TypeMask) == ui::Bs::DefPushButton)
            d.defaultId = c.id;
    }
    const ui::Metrics& m = e.ui().display().metrics;
    d.window = m.dialogWindow(d.du, 0, m.captionHeight);
    UserDialogController controller(e, object.name);
    d.controller = &controller;
    e.trace().WriteTrace("CUserDialog::DoModal()\r\n");
    int button = e.ui().runDialog(d);
    e.trace().WriteTrace("CUserDialog::DoModal() complete.\r\n");
    return {controller.error(), button};
}

int dialogBox(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    e.ui().endWaitCursor();
    std::string name = upperAnsi(s.GetStringParam(1));
    int error = 0, result = 0;
    if (const ui::DisplayObject* object = e.ui().display().objects.find(name)) {
        if (object->kind != ui::ObjectKind::Dialog)
            error = engine::kErrNotDialog;
        else
            std::tie(error, result) = ShowUserDialog(e, *object);
    } else {
        Layout layout;
        std::string family;
        int n = 0;
        const auto& fixed = fixedLayouts();
        auto it = std::find_if(fixed.begin(), fixed.begin() + 4, [&](const Layout& l) { return name == l.name; });
        if (it != fixed.begin() + 4) {
            layout = *it;
            family = name;
        } else if (!familyLayout(name, layout, family, n)) {
            error = engine::kErrInvalidTemplate;
        }
        if (error == 0) {
            layout.name = name.c_str();
            Dialog d = makeDialog(e, name, layout);
            BuiltinController controller(e, family, n);
            d.controller = &controller;
            result = e.ui().runDialog(d);
        }
    }
    e.ui().beginWaitCursor();
    if (error != 0)
        return error;
    error = e.SetVariableNumber("ERROR", result);
    e.ui().pumpMessages();
    return error;
}

} // namespace

void registerDialogCommands(Engine& engine) { engine.registerHandler(Keyword::DialogBox, dialogBox); }

} // namespace zrv::actions
