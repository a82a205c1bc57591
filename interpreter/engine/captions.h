// The interpreter's captions in its seven languages, and the language rule.
#pragma once

#include "common/captions.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace zrv::engine {

using ::zrv::kLanguageCount;
using ::zrv::kLanguageNames;
using ::zrv::CaptionRow;
using ::zrv::kCaptions;

// The language index: -1 until decided, then 0-6.
class Captions {
public:
    // The caption of `base` in the current language, UK English when that is
    // empty, "" for an unknown base. `countryCode` decides the language the
    // first time, when no language was set.
    std::string lookup(int base, int countryCode);
    // SETLANGUAGE: false for an unknown name (the language stays).
    bool setLanguage(std::string_view upperName);
    void setIndex(int index) { m_index = index; }
    int index() const { return m_index; }
    // The base caption of a #NAME# key, if it is one.
    static std::optional<int> baseOfKey(std::string_view key);

private:
    int m_index = -1;
};

} // namespace zrv::engine
