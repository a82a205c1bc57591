#include "platform/machine/runstate.h"

#include "platform/base/ansi.h"

#include <algorithm>

namespace zrv {

bool RunState::closeWindow(std::string_view title) {
    auto it = std::find(m_windows.begin(), m_windows.end(), title);
    if (it == m_windows.end())
        return false;
    m_windows.erase(it);
    return true;
}

bool RunState::hasWindow(std::string_view title) const {
    return std::find(m_windows.begin(), m_windows.end(), title) != m_windows.end();
}

std::optional<std::string> RunState::environment(std::string_view name) const {
    for (const auto& [k, v] : m_env)
        if (equalNoCase(k, name))
            return v;
    return std::nullopt;
}

void RunState::setEnvironment(std::string_view name, std::optional<std::string_view> value) {
    auto it = std::find_if(m_env.begin(), m_env.end(), [&](const auto& kv) { return equalNoCase(kv.first, name); });
    if (!value) {
        if (it != m_env.end())
            m_env.erase(it);
        return;
    }
    if (it != m_env.end())
        it->second = std::string(*value);
    else
        m_env.emplace_back(std::string(name), std::string(*value));
}

} // namespace zrv
