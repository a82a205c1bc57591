#include "interpreter/ui/template.h"

namespace zrv::ui {

std::uint16_t classAtom(ControlType type) {
    switch (type) {
    case ControlType::GroupBox:
    case ControlType::CheckBox:
    case ControlType::RadioButton:
    case ControlType::Button: return 0x0080;
    case ControlType::Edit: return 0x0081;
    case ControlType::Icon: return 0x0082;
    case ControlType::ListBox: return 0x0083;
    case ControlType::ComboBox:
    case ControlType::DropList: return 0x0085;
    default: return 0;
    }
}

namespace {

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : m_out(out) { m_out.clear(); }
    bool ok() const { return m_ok; }
    void word(std::uint16_t v) {
        put(static_cast<std::uint8_t>(v));
        put(static_cast<std::uint8_t>(v >> 8));
    }
    void dword(std::uint32_t v) {
        word(static_cast<std::uint16_t>(v));
        word(static_cast<std::uint16_t>(v >> 16));
    }
    // Each byte widened to one 16-bit unit, then a terminating 0.
    void text(const std::string& s) {
        for (unsigned char c : s)
            word(c);
        word(0);
    }
    void align4() {
        while (m_out.size() % 4 != 0)
            put(0);
    }

private:
    void put(std::uint8_t b) {
        if (m_out.size() >= kTemplateSize) {
            m_ok = false;
            return;
        }
        m_out.push_back(b);
    }
    std::vector<std::uint8_t>& m_out;
    bool m_ok = true;
};

std::uint16_t w16(std::int32_t v) { return static_cast<std::uint16_t>(v); }

} // namespace

bool BuildTemplate(const DisplayObject& object, const std::function<std::string(const std::string&)>& expand,
                   std::vector<std::uint8_t>& bytes, int& items) {
    auto ex = [&](const std::string& s) { return expand ? expand(s) : s; };
    items = 0;
    for (const ControlRecord& c : object.controls)
        if (classAtom(c.type) != 0)
            ++items;
    Writer w(bytes);
    w.dword(kUserDialogStyle);
    w.dword(0);
    w.word(w16(items));
    w.word(w16(object.x));
    w.word(w16(object.y));
    w.word(w16(object.width));
    w.word(w16(object.height));
    w.word(0); // no menu
    w.word(0); // the default class
    w.text(ex(object.caption));
    w.word(8);
    w.text("MS Sans Serif");
    for (const ControlRecord& c : object.controls) {
        std::uint16_t atom = classAtom(c.type);
        if (atom == 0)
            continue;
        w.align4();
        w.dword(c.style);
        w.dword(0);
        w.word(w16(c.x));
        w.word(w16(c.y));
        w.word(w16(c.width));
        w.word(w16(c.height));
        w.word(w16(c.id));
        w.word(0xFFFF);
        w.word(atom);
        w.text(ex(c.text));
        w.word(0);
        if (!w.ok())
            return false;
    }
    return w.ok();
}

} // namespace zrv::ui
