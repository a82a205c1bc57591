#include "interpreter/ui/dialog.h"

#include <algorithm>

#include "platform/base/ansi.h"

namespace zrv::ui {

namespace {
constexpr std::uint32_t kWsGroup = 0x00020000;
}

const char* itemClassName(ItemClass c) {
    switch (c) {
    case ItemClass::Button: return "button";
    case ItemClass::Edit: return "edit";
    case ItemClass::Static: return "static";
    case ItemClass::ListBox: return "listbox";
    case ItemClass::ComboBox: return "combobox";
    }
    return "";
}

std::string DialogItem::value() const {
    switch (cls) {
    case ItemClass::Edit: return text;
    case ItemClass::Button: return checked ? "1" : "0";
    case ItemClass::ListBox:
        return selection >= 0 && selection < static_cast<int>(items.size()) ? items[selection] : std::string();
    case ItemClass::ComboBox:
        if (isDropList())
            return selection >= 0 && selection < static_cast<int>(items.size()) ? items[selection] : std::string();
        return text;
    case ItemClass::Static: return text;
    }
    return {};
}

bool DialogItem::setValue(const std::string& v) {
    switch (cls) {
    case ItemClass::Edit:
        text = limit > 0 && static_cast<int>(v.size()) > limit ? v.substr(0, limit) : v;
        return true;
    case ItemClass::Button:
        if (!isCheckBox() && !isRadio())
            return false;
        checked = !v.empty() && v != "0";
        return true;
    case ItemClass::ComboBox:
        if (!isDropList()) {
            text = limit > 0 && static_cast<int>(v.size()) > limit ? v.substr(0, limit) : v;
            for (std::size_t i = 0; i < items.size(); ++i)
                if (equalNoCase(items[i], v))
                    selection = static_cast<int>(i);
            return true;
        }
        [[fallthrough]];
    case ItemClass::ListBox:
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (equalNoCase(items[i], v)) {
                selection = static_cast<int>(i);
                return true;
            }
        }
        return false;
    case ItemClass::Static: return false;
    }
    return false;
}

DialogItem* Dialog::item(int id) {
    for (DialogItem& i : items)
        if (i.id == id)
            return &i;
    return nullptr;
}

const DialogItem* Dialog::item(int id) const { return const_cast<Dialog*>(this)->item(id); }

DialogItem& Dialog::add(ItemClass cls, int id, std::uint32_t style, const Rect& r, std::string text) {
    DialogItem i;
    i.cls = cls;
    i.id = id;
    i.style = style;
    i.du = r;
    i.text = std::move(text);
    items.push_back(std::move(i));
    return items.back();
}

bool Dialog::setValue(int id, const std::string& value) {
    DialogItem* i = item(id);
    return i && setValue(*i, value);
}

bool Dialog::setValue(DialogItem& i, const std::string& value) {
    if (!i.setValue(value))
        return false;
    if (i.isRadio() && i.checked)
        checkRadio(i.id);
    return true;
}

namespace {

// The radio item `id` and the radio items of its group: from the last item
// with WS_GROUP at or before it to the next one. Empty when `id` is no radio.
std::pair<std::size_t, std::vector<std::size_t>> radioGroup(const std::vector<DialogItem>& items, int id) {
    std::size_t at = items.size();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].id == id && items[i].isRadio())
            at = i;
    std::vector<std::size_t> group;
    if (at == items.size())
        return {at, group};
    std::size_t first = at;
    while (first > 0 && !(items[first].style & kWsGroup))
        --first;
    for (std::size_t i = first; i < items.size(); ++i) {
        if (i > first && (items[i].style & kWsGroup))
            break;
        if (items[i].isRadio())
            group.push_back(i);
    }
    return {at, group};
}

} // namespace

void Dialog::checkRadio(int id) {
    auto [at, group] = radioGroup(items, id);
    for (std::size_t i : group)
        items[i].checked = i == at;
}

int Dialog::nextRadio(int id, int step) const {
    auto [at, group] = radioGroup(items, id);
    if (group.size() < 2)
        return 0;
    const auto n = static_cast<long>(group.size());
    long k = std::find(group.begin(), group.end(), at) - group.begin();
    k = ((k + step) % n + n) % n;
    return items[group[static_cast<std::size_t>(k)]].id;
}

} // namespace zrv::ui
