#include "common/objects.h"

#include "platform/base/ansi.h"

namespace zrv {

const ControlTypeInfo* findControlType(std::string_view word) {
    for (const ControlTypeInfo& t : kControlTypes)
        if (equalNoCase(word, t.word))
            return &t;
    return nullptr;
}

const ControlTypeInfo& controlTypeInfo(ControlType type) { return kControlTypes[static_cast<int>(type)]; }

} // namespace zrv
