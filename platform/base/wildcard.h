// Windows wildcard matching of one name.
#pragma once

#include <string>
#include <string_view>

namespace zrv {

// '*' and '?', "*.*" matching names without a dot, "*." matching only those,
// '?' matching nothing at a name's end.
class WildcardPattern {
public:
    explicit WildcardPattern(std::string_view pattern);
    bool matches(std::string_view name) const;

private:
    std::string m_upper;
    bool m_all = false;
    mutable std::string m_scratch;
};
bool matchesPattern(std::string_view pattern, std::string_view name);

} // namespace zrv
