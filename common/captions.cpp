#include "common/captions.h"

namespace zrv {

std::string captionText(int base, int language) {
    for (const CaptionRow& row : kCaptions) {
        if (row.base != base)
            continue;
        const char* text = language >= 0 && language < kLanguageCount ? row.text[language] : nullptr;
        if (!text || !*text)
            text = row.text[0];
        return text ? text : "";
    }
    return "";
}

} // namespace zrv
