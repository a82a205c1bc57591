#include "authoring/workbench/model/settings.h"

#include "common/paths.h"
#include "platform/base/ansi.h"
#include "platform/base/ini.h"
#include "platform/machine/machine.h"

#include <algorithm>

namespace zrv::workbench {

std::string_view keyPrefix(Pane pane) {
    switch (pane) {
    case Pane::Frame: return "";
    case Pane::Files: return "File";
    case Pane::Output: return "Output";
    case Pane::Objects: return "Object";
    case Pane::Properties: return "Prop";
    }
    return "";
}

Rect onScreen(const Rect& rect, const Rect& fallback, const std::vector<Rect>& areas) {
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return fallback;
    for (const Rect& a : areas)
        if (rect.left < a.right && a.left < rect.right && rect.top < a.bottom && a.top < rect.bottom)
            return rect;
    if (areas.empty())
        return rect;
    const Rect& a = areas.front();
    // 64-bit: stored values may be anywhere in the int range.
    const long long width = std::min<long long>(1LL * rect.right - rect.left, 1LL * a.right - a.left);
    const long long height = std::min<long long>(1LL * rect.bottom - rect.top, 1LL * a.bottom - a.top);
    const long long left = std::clamp<long long>(rect.left, a.left, a.right - width);
    const long long top = std::clamp<long long>(rect.top, a.top, a.bottom - height);
    return Rect{static_cast<int>(top), static_cast<int>(left), static_cast<int>(top + height),
                static_cast<int>(left + width)};
}

Placement WorkbenchSettings::placement(Pane pane, const Rect& frameDefault) {
    const std::string p(keyPrefix(pane));
    const Rect d = pane == Pane::Frame ? frameDefault : Rect{};
    Placement out;
    out.rect.top = m_store.getInt("Window", p + "Top", d.top);
    out.rect.left = m_store.getInt("Window", p + "Left", d.left);
    out.rect.bottom = m_store.getInt("Window", p + "Bottom", d.bottom);
    out.rect.right = m_store.getInt("Window", p + "Right", d.right);
    out.show = m_store.getInt("Window", p + "Maximise", kShowNormal) == kShowMaximised ? kShowMaximised : kShowNormal;
    return out;
}

Result<void> WorkbenchSettings::record(Pane pane, const Rect& rect, WindowState state) {
    const std::string p(keyPrefix(pane));
    if (state == WindowState::Minimised)
        return {};
    if (state == WindowState::Maximised) {
        if (pane == Pane::Frame)
            return {};
        return m_store.setInt("Window", p + "Maximise", kShowMaximised);
    }
    for (auto [key, value] : {std::pair{"Top", rect.top}, {"Left", rect.left}, {"Bottom", rect.bottom},
                              {"Right", rect.right}, {"Maximise", kShowNormal}})
        if (auto r = m_store.setInt("Window", p + key, value); !r)
            return r;
    return {};
}

RecentList::RecentList(authoring::SettingsStore& store, std::string prefix)
    : m_store(store), m_prefix(std::move(prefix)) {
    m_capacity = std::clamp(m_store.getInt("MRUList", m_prefix + "Entries", 4), 1, kMaxCapacity);
    for (int i = 1; i <= kMaxCapacity && static_cast<int>(m_paths.size()) < m_capacity; ++i) {
        std::string path = m_store.getString("MRUList", m_prefix + std::to_string(i), "");
        // Empty slots are skipped; a path no Windows program could hold is dropped.
        if (!path.empty() && path.size() <= kMaxPath)
            m_paths.push_back(std::move(path));
    }
}

Result<void> RecentList::add(std::string_view path) {
    if (path.empty())
        return fail(WinError::InvalidParameter, "no path to remember");
    if (path.size() > kMaxPath)
        return fail(WinError::FilenameTooLong, "a path of more than 255 characters is not remembered");
    auto same = std::find_if(m_paths.begin(), m_paths.end(), [&](const std::string& p) { return equalNoCase(p, path); });
    if (same != m_paths.end())
        m_paths.erase(same);
    else if (static_cast<int>(m_paths.size()) >= m_capacity)
        m_paths.pop_back();
    m_paths.insert(m_paths.begin(), std::string(path));
    return save();
}

Result<void> RecentList::remove(std::string_view path) {
    std::erase_if(m_paths, [&](const std::string& p) { return equalNoCase(p, path); });
    return save();
}

Result<void> RecentList::save() {
    for (int i = 1; i <= m_capacity; ++i) {
        const std::size_t at = static_cast<std::size_t>(i - 1);
        if (auto r = m_store.setString("MRUList", m_prefix + std::to_string(i), at < m_paths.size() ? m_paths[at] : "");
            !r)
            return r;
    }
    return {};
}

std::vector<RecentList::MenuEntry> RecentList::menu() const {
    std::vector<MenuEntry> out;
    for (std::size_t i = 0; i < m_paths.size(); ++i)
        out.push_back({kFirstCommand + static_cast<int>(i), "&" + std::to_string(i + 1) + " " + m_paths[i]});
    return out;
}

std::optional<std::string> RecentList::pathOf(int command) const {
    const int i = command - kFirstCommand;
    if (i < 0 || i >= static_cast<int>(m_paths.size()))
        return std::nullopt;
    return m_paths[static_cast<std::size_t>(i)];
}

std::optional<std::string> startupProject(Machine& machine, WorkbenchSettings& settings, std::string_view commandLine) {
    const std::string given(trimBlanks(commandLine));
    if (!given.empty())
        return FindInPath(machine, given);
    const std::string last(trimBlanks(settings.lastProject()));
    if (last.empty())
        return std::nullopt;
    return last;
}

std::string temporaryFolder(Machine& machine) {
    if (auto t = machine.environment("TEMP"); t && !t->empty() && machine.isDirectory(*t))
        return *t;
    return machine.windowsDirectory();
}

} // namespace zrv::workbench
