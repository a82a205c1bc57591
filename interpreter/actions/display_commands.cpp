// The screen and the display objects: backdrops, cue cards, the wait window,
// the built-in dialogs' placement, and the definition blocks of objects.
#include "interpreter/actions/actions.h"
#include "interpreter/actions/display.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "interpreter/ui/json.h"
#include "interpreter/ui/ui.h"
#include "common/trace.h"
#include "common/text.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;
using namespace engine; // error numbers and token kinds

namespace {

bool isEmptyList(const StatementLine& s) { return s.param(1) == ')'; }

// CENTREDIALOG( in and outside a block: no parameters, or two modes.
int readModes(StatementLine& s, std::int32_t& horizontal, std::int32_t& vertical) {
    if (isEmptyList(s)) {
        horizontal = vertical = 3;
        return 0;
    }
    for (int k = 1; k <= 2; ++k)
        if (int err = s.expectNumberToken(k))
            return err;
    horizontal = s.GetNumericParam(1).value();
    vertical = s.GetNumericParam(2).value();
    return 0;
}

std::string captionValue(Engine& e) { return e.variables().GetVariable("CAPTION"); }

// A bitmap shown outside a dialog: its box interrupts the wait cursor.
void missingBitmapOnScreen(Engine& e) {
    e.ui().endWaitCursor();
    missingBitmap(e);
    e.ui().beginWaitCursor();
}

// CREATECONTROL( inside a block.
int createControl(Engine& e, StatementLine& s, ui::DisplayObject& object) {
    for (int k = 1; k <= 2; ++k)
        if (int err = s.expectString(k))
            return err;
    for (int k = 3; k <= 8; ++k)
        if (int err = s.expectNumberToken(k))
            return err;
    std::string word = lowerAnsi(s.GetStringParam(1));
    const ui::ControlTypeInfo* type = ui::findControlType(word);
    s.paramNumber = 1;
    if (!type)
        return kErrControlType;
    bool allowed = object.kind == ui::ObjectKind::Backdrop ? type->inBackdrop
                   : object.kind == ui::ObjectKind::CueCard ? type->inCueCard
                                                            : type->inDialog;
    if (!allowed)
        return kErrControlForKind;
    ui::ControlRecord c;
    c.type = type->type;
    c.text = s.GetStringParam(2, engine::Expand::No);
    c.id = s.GetNumericParam(3).value();
    c.x = s.GetNumericParam(4).value();
    c.y = s.GetNumericParam(5).value();
    c.width = s.GetNumericParam(6).value();
    c.height = s.GetNumericParam(7).value();
    c.style = static_cast<std::uint32_t>(s.GetNumericParam(8).value()) | type->style;
    if (c.type != ui::ControlType::Bitmap && c.type != ui::ControlType::ColourBlock)
        c.style |= ui::kChildVisible;
    switch (c.type) {
    case ui::ControlType::Text: {
        if (int err = s.expectString(9))
            return err;
        for (int k = 10; k <= 13; ++k)
            if (int err = s.expectNumberToken(k))
                return err;
        c.font = s.GetStringParam(9);
        c.fontHeight = s.GetNumericParam(10).value();
        c.shadow = s.GetNumericParam(11).value();
        c.colour1 = static_cast<std::uint32_t>(s.GetNumericParam(12).value());
        c.colour2 = static_cast<std::uint32_t>(s.GetNumericParam(13).value());
        break;
    }
    case ui::ControlType::ColourBlock:
        if (int err = s.expectNumberToken(9))
            return err;
        c.colour1 = static_cast<std::uint32_t>(s.GetNumericParam(9).value());
        break;
    case ui::ControlType::Edit:
    case ui::ControlType::CheckBox:
    case ui::ControlType::RadioButton:
    case ui::ControlType::ListBox:
    case ui::ControlType::ComboBox:
    case ui::ControlType::DropList: {
        unsigned char t = s.param(9);
        if (t == kTokenVariable)
            c.variable = s.name(9); // any other kind leaves the name empty
        if (t != 0 && t != ')') {
            unsigned char l = s.param(10);
            if (l != 0 && l != ')') {
                if (int err = s.expectNumberToken(10))
                    return err;
                c.limit = s.GetNumericParam(10).value();
            }
        }
        break;
    }
    case ui::ControlType::Bitmap:
        if (!e.machine().exists(c.text)) {
            s.paramNumber = 2;
            return kErrBitmapMissing;
        }
        break;
    default: break;
    }
    object.controls.push_back(std::move(c));
    return 0;
}

// ADDLISTITEM( and SETCONTROLTEXT(: an object's name, a control identifier
// (a number token) and a text; 10019, 10020 or 10059 for what is not there.
int objectControlText(Engine& e, StatementLine& s, ui::DisplayObject*& object, std::string& name, std::int32_t& id,
                      std::string& text) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectNumberToken(2))
        return err;
    if (int err = s.expectString(3))
        return err;
    name = s.GetStringParam(1);
    id = s.GetNumericParam(2).value();
    text = s.GetStringParam(3);
    object = e.ui().display().objects.find(name);
    return object ? 0 : static_cast<int>(kErrObjectNotFound);
}

int addListItem(Engine& e, StatementLine& s) {
    ui::DisplayObject* object = nullptr;
    std::string name, item;
    std::int32_t id = 0;
    if (int err = objectControlText(e, s, object, name, id, item))
        return err;
    for (ui::ControlRecord& c : object->controls) {
        if (c.id != id)
            continue;
        if (!c.text.empty() && c.text.back() != '|')
            c.text += '|';
        c.text += item;
        break;
    }
    return 0;
}

// The lines of a definition block, up to ENDOBJECT, that fill `name`'s object.
class ObjectLines : public engine::Block {
public:
    explicit ObjectLines(std::string name) : m_name(std::move(name)) {}

    const char* lineName() const override { return "CLine"; }
    bool ended() const override { return m_ended; }

    int statement(Engine& e, StatementLine& s) override {
        if (s.tokens[0] == 0)
            return 0;
        if (s.tokens[0] == kTokenLabel)
            return kErrInvalidDialogCommand;
        ui::DisplayObject* object = e.ui().display().objects.find(m_name);
        int keyword = Engine::statementKeyword(s);
        if (!object) // destroyed by a line of its own block
            return kErrObjectNotFound;
        switch (static_cast<Keyword>(keyword)) {
        case Keyword::EndObject: m_ended = true; return 0;
        case Keyword::CreateControl: return createControl(e, s, *object);
        case Keyword::SetFocus: {
            if (object->kind != ui::ObjectKind::Dialog)
                return kErrWrongObjectCommand;
            int err = s.expectNumberToken(1);
            if (err == 0)
                object->focus = s.GetNumericParam(1).value();
            return err;
        }
        case Keyword::CentreDialog:
            if (object->kind == ui::ObjectKind::Backdrop)
                return kErrWrongObjectCommand;
            return readModes(s, object->horizontal, object->vertical);
        case Keyword::AddListItem: return addListItem(e, s);
        default: return keyword < 0 ? static_cast<int>(kErrInvalidCommand) : static_cast<int>(kErrInvalidDialogCommand);
        }
    }

private:
    std::string m_name;
    bool m_ended = false;
};

int defineObject(Engine& e, StatementLine& s, ui::ObjectKind kind) {
    // Validate every parameter first, in order.
    if (int err = s.expectString(1))
        return err;
    int numbersFrom = 2;
    if (kind == ui::ObjectKind::Dialog) {
        if (int err = s.expectString(2))
            return err;
        numbersFrom = 3;
    }
    if (kind != ui::ObjectKind::Backdrop)
        for (int k = numbersFrom; k < numbersFrom + 4; ++k)
            if (int err = s.expectNumeric(k))
                return err;
    std::string name = s.GetStringParam(1);
    std::string caption = kind == ui::ObjectKind::Dialog ? s.GetStringParam(2) : std::string();
    std::int32_t v[5] = {0, 0, 0, 0, 0};
    if (kind != ui::ObjectKind::Backdrop) {
        for (int i = 0; i < 4; ++i) {
            auto n = s.GetNumericParam(numbersFrom + i);
            if (!n) {
                s.paramNumber = numbersFrom + i;
                return n.error();
            }
            v[i] = *n;
        }
        if (kind == ui::ObjectKind::CueCard && StatementLine::isNumericToken(s.param(6))) {
            auto n = s.GetNumericParam(6);
            if (!n) {
                s.paramNumber = 6;
                return n.error();
            }
            v[4] = *n;
        }
    }
    ui::Display& d = e.ui().display();
    ui::DisplayObject* object = d.objects.create(name, kind);
    if (!object)
        return kErrTooManyObjects;
    object->caption = caption;
    object->x = v[0];
    object->y = v[1];
    object->width = v[2];
    object->height = v[3];
    object->border = v[4];
    ObjectLines lines(object->name);
    return e.runBlock(lines);
}

} // namespace

void missingBitmap(Engine& e) {
    ui::MessageBoxRequest box;
    box.title = "Error"; // the platform's title for a box without one
    box.text = "File Not Found!";
    box.style = ui::Mb::Ok | ui::Mb::IconStop;
    (void)e.ui().messageBox(box);
}

int SetBackdrop(Engine& e, const std::string& name) {
    ui::Display& d = e.ui().display();
    d.main.title = captionValue(e);
    d.main.surface.release();
    d.main.surface.objectName = name;
    d.main.surface.client = d.metrics.mainClient();
    int err = 0;
    if (!name.empty())
        if (const ui::DisplayObject* object = d.objects.find(name))
            err = ui::PrepareDisplay(e.machine(), *object, d.main.surface, [&](const std::string&) { missingBitmapOnScreen(e); });
    e.ui().changed(ui::Ui::Window::Main);
    return err;
}

void HideCueCard(Engine& e) {
    ui::Display& d = e.ui().display();
    if (d.cue.shown) {
        d.cue.shown = false;
        d.cue.surface.release();
        d.cue.surface.objectName.clear();
        e.ui().changed(ui::Ui::Window::CueCard);
    }
    e.ui().pumpMessages();
}

namespace {

int handleShowBackdrop(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    std::string name = s.GetStringParam(1);
    const ui::DisplayObject* object = e.ui().display().objects.find(name);
    if (!object)
        return kErrObjectNotFound;
    if (object->kind != ui::ObjectKind::Backdrop)
        return kErrNotBackdrop;
    e.ui().display().main.visible = true;
    return SetBackdrop(e, name);
}

int handleHideSetup(Engine& e, StatementLine&) {
    // The window of the program that started setup, if it is still there.
    bool closed = e.machine().closeWindow("Setup");
    e.ui().record(ui::transcriptLine("hidesetup", "Setup", "", "").number("result", closed ? 1 : 0).str());
    return 0;
}

int handleShowWaitMessage(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    ui::Display& d = e.ui().display();
    d.wait.show(d.metrics, captionValue(e), s.GetStringParam(1));
    e.ui().changed(ui::Ui::Window::Wait);
    return 0;
}

int handleHideWaitMessage(Engine& e, StatementLine&) {
    ui::WaitWindow& w = e.ui().display().wait;
    if (w.shown) {
        w.shown = false;
        e.ui().changed(ui::Ui::Window::Wait);
    }
    return 0;
}

int handlePositionDialog(Engine& e, StatementLine& s) {
    for (int k = 1; k <= 2; ++k)
        if (int err = s.expectNumberToken(k))
            return err;
    ui::Placement& p = e.ui().display().placement;
    p.x = s.GetNumericParam(1).value();
    p.y = s.GetNumericParam(2).value();
    return 0;
}

int handleCentreDialog(Engine& e, StatementLine& s) {
    std::int32_t h = 3, v = 3;
    if (int err = readModes(s, h, v))
        return err;
    ui::Placement& p = e.ui().display().placement;
    p.horizontal = h;
    p.vertical = v;
    return 0;
}

int handleSetControlText(Engine& e, StatementLine& s) {
    ui::DisplayObject* object = nullptr;
    std::string name, text;
    std::int32_t id = 0;
    if (int err = objectControlText(e, s, object, name, id, text))
        return err;
    ui::Display& d = e.ui().display();
    for (ui::ControlRecord& c : object->controls)
        if (c.id == id)
            c.text = text;
    if (d.cue.shown && d.cue.surface.objectName == name)
        e.ui().changed(ui::Ui::Window::CueCard);
    if (d.main.visible && d.main.surface.objectName == name)
        e.ui().changed(ui::Ui::Window::Main);
    return 0;
}

int handleDestroyObject(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    std::string name = s.GetStringParam(1);
    ui::Display& d = e.ui().display();
    if (d.cue.shown && d.cue.surface.objectName == name)
        HideCueCard(e);
    if (!name.empty() && d.main.surface.objectName == name) {
        d.main.visible = false;
        (void)SetBackdrop(e, "");
    }
    d.objects.remove(name);
    return 0;
}

int handleShowCueCard(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    std::string name = s.GetStringParam(1);
    ui::Display& d = e.ui().display();
    if (name.empty()) {
        HideCueCard(e);
        return 0;
    }
    if (d.cue.shown && d.cue.surface.objectName == name)
        return 0;
    const ui::DisplayObject* object = d.objects.find(name);
    if (!object)
        return kErrObjectNotFound;
    if (object->kind != ui::ObjectKind::CueCard)
        return kErrNotCueCard;
    HideCueCard(e);
    d.cue.surface.objectName = name;
    d.cue.surface.client = ui::Rect::sized(0, 0, object->width, object->height);
    (void)ui::PrepareDisplay(e.machine(), *object, d.cue.surface, [&](const std::string&) { missingBitmapOnScreen(e); });
    d.cue.rect = ui::PlaceOnScreen(ui::Rect::sized(object->x, object->y, object->width, object->height),
                                   object->horizontal, object->vertical, d.metrics.screenWidth,
                                   d.metrics.screenHeight);
    d.cue.shown = true;
    e.ui().changed(ui::Ui::Window::CueCard);
    return 0;
}

int screenMeasure(Engine& e, StatementLine& s, int measure) {
    if (int err = s.expectVariable(1))
        return err;
    return e.SetVariableNumber(s.name(1), measure);
}

int handleGetScreenWidth(Engine& e, StatementLine& s) { return screenMeasure(e, s, e.ui().screenWidth()); }

int handleGetScreenHeight(Engine& e, StatementLine& s) { return screenMeasure(e, s, e.ui().screenHeight()); }

int handleCreateBackdrop(Engine& e, StatementLine& s) { return defineObject(e, s, ui::ObjectKind::Backdrop); }

int handleCreateDialog(Engine& e, StatementLine& s) { return defineObject(e, s, ui::ObjectKind::Dialog); }

int handleCreateCueCard(Engine& e, StatementLine& s) { return defineObject(e, s, ui::ObjectKind::CueCard); }

} // namespace

void registerDisplayCommands(Engine& engine) {
    engine.registerHandler(Keyword::ShowBackdrop, handleShowBackdrop);
    engine.registerHandler(Keyword::HideSetup, handleHideSetup);
    engine.registerHandler(Keyword::ShowWaitMessage, handleShowWaitMessage);
    engine.registerHandler(Keyword::HideWaitMessage, handleHideWaitMessage);

    engine.registerHandler(Keyword::GetScreenWidth, handleGetScreenWidth);
    engine.registerHandler(Keyword::GetScreenHeight, handleGetScreenHeight);

    engine.registerHandler(Keyword::PositionDialog, handlePositionDialog);
    engine.registerHandler(Keyword::CentreDialog, handleCentreDialog);
    engine.registerHandler(Keyword::CreateBackdrop, handleCreateBackdrop);
    engine.registerHandler(Keyword::CreateDialog, handleCreateDialog);
    engine.registerHandler(Keyword::CreateCueCard, handleCreateCueCard);
    engine.registerHandler(Keyword::AddListItem, addListItem);
    engine.registerHandler(Keyword::SetControlText, handleSetControlText);
    engine.registerHandler(Keyword::DestroyObject, handleDestroyObject);
    engine.registerHandler(Keyword::ShowCueCard, handleShowCueCard);
}

} // namespace zrv::actions
