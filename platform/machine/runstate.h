// What runs on the machine during one run: its top-level windows by title and
// its environment (the machine's, not the host's).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zrv {

class RunState {
public:
    void openWindow(std::string title) { m_windows.push_back(std::move(title)); }
    bool closeWindow(std::string_view title);
    bool hasWindow(std::string_view title) const;
    const std::vector<std::string>& windows() const { return m_windows; }

    // Names compare without case.
    std::optional<std::string> environment(std::string_view name) const;
    void setEnvironment(std::string_view name, std::optional<std::string_view> value);
    const std::vector<std::pair<std::string, std::string>>& environmentBlock() const { return m_env; }
    void setEnvironmentBlock(std::vector<std::pair<std::string, std::string>> env) { m_env = std::move(env); }

private:
    std::vector<std::string> m_windows;
    std::vector<std::pair<std::string, std::string>> m_env;
};

} // namespace zrv
