#include "common/text.h"

#include "platform/base/ansi.h"

namespace zrv {

void ReplaceAll(std::string& text, std::string_view find, std::string_view with) {
    if (find.empty())
        return;
    std::string out;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(find, start)) != std::string::npos; start = at + find.size()) {
        out.append(text, start, at - start);
        out += with;
    }
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

void StripText(std::string& text, char mode, std::string_view strip) {
    if (strip.empty())
        return;
    char m = toUpperAnsi(mode);
    bool front = m == 'L' || m == 'B';
    bool back = m == 'R' || m == 'B';
    if (m == 'A') {
        ReplaceAll(text, strip, "");
        return;
    }
    if (front) {
        std::size_t at = 0;
        while (text.compare(at, strip.size(), strip) == 0 && at + strip.size() <= text.size())
            at += strip.size();
        text.erase(0, at);
    }
    if (back) {
        while (text.size() >= strip.size() && text.compare(text.size() - strip.size(), strip.size(), strip) == 0)
            text.erase(text.size() - strip.size());
    }
}

int FindText(int start, std::string_view text, std::string_view find, char direction, bool exact) {
    if (find.size() > text.size())
        return -1;
    int last = static_cast<int>(text.size() - find.size());
    auto at = [&](int pos) {
        std::string_view here = text.substr(static_cast<std::size_t>(pos), find.size());
        return exact ? here == find : equalNoCase(here, find);
    };
    if (direction == 'R' || direction == 'r') {
        for (int pos = start < last ? start : last; pos >= 0; --pos)
            if (at(pos))
                return pos;
        return -1;
    }
    for (int pos = start < 0 ? 0 : start; pos <= last; ++pos)
        if (at(pos))
            return pos;
    return -1;
}

} // namespace zrv
