#include "interpreter/engine/errors.h"

#include <algorithm>

namespace zrv::engine {

std::string_view errorText(int number) {
    auto it = std::lower_bound(std::begin(kErrorTexts), std::end(kErrorTexts), number,
                               [](const ErrorText& e, int n) { return e.number < n; });
    return it != std::end(kErrorTexts) && it->number == number ? it->text : std::string_view();
}

} // namespace zrv::engine
