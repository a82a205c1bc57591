#include "interpreter/engine/captions.h"

namespace zrv::engine {

std::string Captions::lookup(int base, int countryCode) {
    if (m_index < 0)
        m_index = languageForCountry(countryCode);
    return captionText(base, m_index);
}

bool Captions::setLanguage(std::string_view upperName) {
    for (int i = 0; i < kLanguageCount; ++i) {
        if (kLanguageNames[static_cast<std::size_t>(i)] == upperName) {
            m_index = i;
            return true;
        }
    }
    return false;
}

std::optional<int> Captions::baseOfKey(std::string_view key) {
    for (const CaptionRow& row : kCaptions)
        if (row.key && key == row.key)
            return row.base;
    return std::nullopt;
}

} // namespace zrv::engine
