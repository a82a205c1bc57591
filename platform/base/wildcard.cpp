#include "platform/base/wildcard.h"

#include "platform/base/ansi.h"

namespace zrv {

namespace {

bool matchUpper(std::string_view p, std::string_view n) {
    std::size_t pi = 0, ni = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (ni < n.size() || pi < p.size()) {
        if (pi < p.size()) {
            char pc = p[pi];
            if (pc == '*') {
                starP = pi++;
                starN = ni;
                continue;
            }
            if (pc == '?') {
                // '?' may match nothing where the name has ended or reached its dot,
                // provided the pattern also continues with a dot or ends.
                std::size_t run = pi;
                while (run < p.size() && p[run] == '?')
                    ++run;
                bool atBoundary = ni == n.size() || n[ni] == '.';
                if (atBoundary && (run == p.size() || p[run] == '.')) {
                    pi = run;
                    continue;
                }
                if (ni < n.size()) {
                    ++pi;
                    ++ni;
                    continue;
                }
            } else if (ni < n.size() && pc == n[ni]) {
                ++pi;
                ++ni;
                continue;
            }
        }
        if (starP != std::string_view::npos && starN < n.size()) {
            pi = starP + 1;
            ni = ++starN;
            continue;
        }
        return false;
    }
    return true;
}

} // namespace

WildcardPattern::WildcardPattern(std::string_view pattern)
    : m_upper(upperAnsi(pattern)), m_all(m_upper == "*" || m_upper == "*.*") {}

bool WildcardPattern::matches(std::string_view name) const {
    if (m_all)
        return true;
    m_scratch.assign(name);
    for (char& c : m_scratch)
        c = toUpperAnsi(c);
    if (matchUpper(m_upper, m_scratch))
        return true;
    // A name without a dot behaves as if it ended in one: "*.*" and "README.*"
    // find "README", and "*." finds only such names.
    if (m_scratch.find('.') != std::string::npos)
        return false;
    m_scratch += '.';
    return matchUpper(m_upper, m_scratch);
}

bool matchesPattern(std::string_view pattern, std::string_view name) { return WildcardPattern(pattern).matches(name); }

} // namespace zrv
