// Any line tokenizes to an error or to token bytes whose parameter tokens and
// pools agree, and no byte of 0x80 or above outside quotes becomes a code.
#include "interpreter/engine/keywords.h"
#include "interpreter/engine/tokenizer.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    zrv::engine::TokenLine line;
    zrv::engine::StringPool strings;
    zrv::engine::NumberPool numbers;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    int err = zrv::engine::Tokenize(line, text, strings, numbers, [](std::string_view n) { return std::string(n); });
    if (err != 0)
        return 0;
    std::size_t texts = 0, values = 0;
    for (std::size_t i = 0; i < line.length; ++i) {
        unsigned char b = line.tokens[i];
        if (b == zrv::engine::kTokenLabel || b == zrv::engine::kTokenVariable || b == zrv::engine::kTokenString)
            ++texts;
        else if (b == zrv::engine::kTokenNumber)
            ++values;
        else if (b == zrv::engine::kTokenEscape)
            ++i;
    }
    if (texts != strings.size() || values != numbers.size() || line.tokens[line.length] != 0)
        std::abort();
    return 0;
}
